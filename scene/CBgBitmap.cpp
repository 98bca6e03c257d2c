#include "scene/CBgBitmap.h"

#include "xlib/SettingsTable.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <system_error>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "xlib/ConfigSection.h"
#include "xlib/StopWatch.h"
#include "platform/GLInclude.h"
#include "render/CTexture.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
constexpr uint32_t kMsPerMinute = 60000;
// A section claiming far more pictures than it names (a damaged file): only
// this many of the entries it lacks are reported.
constexpr uint32_t kMaxTrailingMissing = 100;
// More pictures than anyone keeps in a list; a larger count is damage.
constexpr int64_t kMaxPictures = 10000;

uint32_t InstanceClock() { return StopWatch::Process().Elapsed(); }

bool IsBmp(const XString& name) { return name.EndsWithNoCase(".bmp"); }
bool IsJpg(const XString& name) { return name.EndsWithNoCase(".jpg"); }

// The kind a picture's name says it is; false for any other name.
bool KindOf(const XString& name, ImageFileKind& kind) {
    if (IsBmp(name))
        kind = ImageFileKind::Bmp;
    else if (IsJpg(name))
        kind = ImageFileKind::Jpeg;
    else
        return false;
    return true;
}

// The picture ready to draw (red first), or null when it cannot be shown.
ImageBitmap* DecodePicture(const XString& name) {
    ImageFileKind kind;
    ImageBitmap* bitmap = KindOf(name, kind) ? LoadPicture(kind, name) : nullptr;
    // The decoder hands every picture over as 24 bits, whatever its depth in
    // the file; anything else could not be drawn as three bytes a pixel.
    if (bitmap && PlatformImageBitsPerPixel(bitmap) != 24) {
        PlatformUnloadImage(bitmap);
        bitmap = nullptr;
    }
    if (bitmap) SwapRedBlue(bitmap);
    return bitmap;
}

// The picture opened to be read by rows, or null when it cannot be shown.
std::unique_ptr<ImageRowReader> OpenRows(const XString& name) {
    ImageFileKind kind;
    return KindOf(name, kind) ? OpenPictureRows(kind, name) : nullptr;
}

struct PictureRect {
    double left = 0, bottom = 0, right = 0, top = 0;
};

// Where a pw x ph picture goes in a w x h window: at (x, y) when it bounces
// and fits, else fitted to the window.
PictureRect PlacePicture(int32_t style, uint32_t w, uint32_t h, uint32_t pw, uint32_t ph, int32_t x, int32_t y) {
    if (style != 0 && pw <= w && ph <= h) return {double(x), double(y), double(x) + pw, double(y) + ph};
    const BgFitPlacement fit = BgFitPicture(w, h, pw, ph);
    return {double(fit.offsetX), double(fit.offsetY), fit.offsetX + pw * static_cast<double>(fit.zoom),
            fit.offsetY + ph * static_cast<double>(fit.zoom)};
}

void ReportConfigError(const XString& path, const char* what) {
    XString message("Error: the bitmap for filename = ");
    message += path;
    message += what;
    WriteRunLog("BgBitmap Read Config Error", message.c_str());
}

// The drawing state the picture needs, and everything put back afterwards,
// also when something throws half-way.
class PixelDrawState {
public:
    PixelDrawState() {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_LIGHTING);
        glDisable(GL_FOG);
        glDisable(GL_DITHER);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_LIGHT0);
        glShadeModel(GL_FLAT);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
        glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
        // Both matrices kept: the scene's projection is the frame loop's,
        // stated there once.
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }
    ~PixelDrawState() {
        glPixelZoom(1.0f, 1.0f);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopClientAttrib();
        glPopAttrib();
    }
    PixelDrawState(const PixelDrawState&) = delete;
    PixelDrawState& operator=(const PixelDrawState&) = delete;
};

// Normalised device coordinate of a window pixel edge, never left of -1 (a
// raster position outside the view would draw nothing at all). The half
// window is exact, so odd sizes land on the pixel too.
double ToDevice(double pixel, uint32_t size) {
    const double half = size * 0.5;
    const double d = (pixel - half) / half;
    return d < -1.0 ? -1.0 : d;
}

// The same without the clamp, for the corners of the picture's rectangle
// (which OpenGL clips like any other shape).
double Corner(double pixel, uint32_t size) {
    const double half = size * 0.5;
    return (pixel - half) / half;
}
}  // namespace

// ---------------------------------------------------------------- CColorDrift

void CColorDrift::Release() {
    m_Directions.reset();
    m_RowSteps.reset();
    m_Width = m_Height = 0;
    m_Steps[0] = m_Steps[1] = m_Steps[2] = 0;
}

bool CColorDrift::Setup(uint32_t width, uint32_t height) {
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    if (!m_Directions || m_Width != width || m_Height != height) {
        Release();
        m_Directions.reset(new (std::nothrow) int8_t[rowBytes * height + 1]);
        m_RowSteps.reset(new (std::nothrow) int8_t[rowBytes + 1]);
        if (!m_Directions || !m_RowSteps) {
            Release();
            return false;
        }
        m_Width = width;
        m_Height = height;
    }
    int8_t dir[3];
    do {
        for (int c = 0; c < 3; ++c) dir[c] = static_cast<int8_t>(XRandom() % 3 - 1);
    } while (dir[0] == 0 && dir[1] == 0 && dir[2] == 0);
    int8_t* d = m_Directions.get();
    const size_t pixels = static_cast<size_t>(width) * height;
    for (size_t p = 0; p < pixels; ++p, d += 3) {
        d[0] = dir[0];
        d[1] = dir[1];
        d[2] = dir[2];
    }
    int8_t steps[3];
    do {
        for (int c = 0; c < 3; ++c) steps[c] = static_cast<int8_t>(XRandom() % 7 - 3);
    } while (steps[0] == 0 && steps[1] == 0 && steps[2] == 0);
    SetStepSizes(steps[0], steps[1], steps[2]);
    return true;
}

void CColorDrift::SetStepSizes(int8_t red, int8_t green, int8_t blue) {
    m_Steps[0] = red;
    m_Steps[1] = green;
    m_Steps[2] = blue;
    if (!m_RowSteps) return;
    int8_t* s = m_RowSteps.get();
    for (uint32_t x = 0; x < m_Width; ++x, s += 3) {
        s[0] = red;
        s[1] = green;
        s[2] = blue;
    }
}

namespace {
// One byte of the drift: the value moves by its step times its direction and
// folds back at 0 and 255, turning its direction round when it does.
inline void DriftByte(uint8_t& value, int8_t& dir, int8_t step) {
    const int t = value + step * dir;
    if (t >= 256) {
        dir = static_cast<int8_t>(-dir);
        value = static_cast<uint8_t>(511 - t);
    } else if (t < 0) {
        dir = static_cast<int8_t>(-dir);
        value = static_cast<uint8_t>(-t);
    } else {
        value = static_cast<uint8_t>(t);
    }
}

#if defined(__SSE2__)
// The same for 16 bytes at once. Values are widened to 16 bits so that
// v + step (-3 ... 258) cannot wrap; the folds are branch-free:
// over 255 gives 511 - t, below 0 gives -t, both by negating t under a mask.
inline void DriftBlock(uint8_t* value, int8_t* direction, const int8_t* steps) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i c255 = _mm_set1_epi16(255), c511 = _mm_set1_epi16(511);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(value));
    __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(direction));
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(steps));
    // step x direction for a direction of -1, 0 or +1
    const __m128i negative = _mm_cmpgt_epi8(zero, d);
    const __m128i still = _mm_cmpeq_epi8(d, zero);
    const __m128i e = _mm_andnot_si128(still, _mm_sub_epi8(_mm_xor_si128(s, negative), negative));
    const __m128i eSign = _mm_cmpgt_epi8(zero, e);
    __m128i result[2], flip[2];
    for (int half = 0; half < 2; ++half) {
        const __m128i v16 = half ? _mm_unpackhi_epi8(v, zero) : _mm_unpacklo_epi8(v, zero);
        const __m128i e16 = half ? _mm_unpackhi_epi8(e, eSign) : _mm_unpacklo_epi8(e, eSign);
        const __m128i t = _mm_add_epi16(v16, e16);
        const __m128i over = _mm_cmpgt_epi16(t, c255);
        const __m128i f = _mm_or_si128(over, _mm_cmpgt_epi16(zero, t));
        result[half] = _mm_add_epi16(_mm_and_si128(over, c511), _mm_sub_epi16(_mm_xor_si128(t, f), f));
        flip[half] = f;
    }
    const __m128i f8 = _mm_packs_epi16(flip[0], flip[1]);
    d = _mm_sub_epi8(_mm_xor_si128(d, f8), f8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(value), _mm_packus_epi16(result[0], result[1]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(direction), d);
}
#endif
}  // namespace

void CColorDrift::Step(uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch) {
    if (!m_Directions || !bits || width != m_Width || height != m_Height) return;
    const uint32_t rowBytes = width * 3;
    const int8_t* steps = m_RowSteps.get();
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* v = bits + static_cast<size_t>(y) * pitch;
        int8_t* dir = m_Directions.get() + static_cast<size_t>(y) * rowBytes;
        uint32_t j = 0;
#if defined(__SSE2__)
        // Sixteen bytes at a time never pass the end of the row, so neither the
        // row padding nor the next row's directions are touched.
        for (; j + 16 <= rowBytes; j += 16) DriftBlock(v + j, dir + j, steps + j);
#endif
        for (; j < rowBytes; ++j) DriftByte(v[j], dir[j], steps[j]);
    }
}

void CColorDrift::StepBytewise(uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch) {
    if (!m_Directions || !bits || width != m_Width || height != m_Height) return;
    const uint32_t rowBytes = width * 3;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* v = bits + static_cast<size_t>(y) * pitch;
        int8_t* dir = m_Directions.get() + static_cast<size_t>(y) * rowBytes;
        for (uint32_t j = 0; j < rowBytes; ++j) DriftByte(v[j], dir[j], m_RowSteps[j]);
    }
}

// ---------------------------------------------------------------- placement

BgFitPlacement BgFitPicture(uint32_t windowWidth, uint32_t windowHeight, uint32_t pictureWidth,
                            uint32_t pictureHeight) {
    BgFitPlacement p{};
    if (pictureWidth == 0 || pictureHeight == 0) return p;
    const float zx = static_cast<float>(windowWidth) / static_cast<float>(pictureWidth);
    const float zy = static_cast<float>(windowHeight) / static_cast<float>(pictureHeight);
    p.zoom = zx < zy ? zx : zy;
    p.offsetX = (windowWidth - pictureWidth * static_cast<double>(p.zoom)) * 0.5;
    p.offsetY = (windowHeight - pictureHeight * static_cast<double>(p.zoom)) * 0.5;
    p.rasterX = ToDevice(p.offsetX, windowWidth);
    p.rasterY = ToDevice(p.offsetY, windowHeight);
    return p;
}

// ---------------------------------------------------------------- CBgBitmap

CBgBitmap::CBgBitmap() : m_Clock(InstanceClock) {
    XGuard("CBgBitmap constructor", [&] { Default(); });
}

CBgBitmap::~CBgBitmap() {
    XGuard("CBgBitmap destructor", [&] {
        DropPrefetch();
        FreeBitmap();
        m_Drift.Release();
        m_Texture.Forget();  // its context is gone by now
    });
}

void CBgBitmap::Release() {
    XGuard("CBgBitmap::Release", [&] {
        DropPrefetch();
        FreeBitmap();
        m_Drift.Release();
        m_Texture.Release();
    });
}

namespace {
void UnloadWhenDecoded(const std::shared_ptr<std::future<ImageBitmap*>>& decode) {
    if (!decode || !decode->valid()) return;
    if (ImageBitmap* unused = decode->get()) PlatformUnloadImage(unused);
}
}  // namespace

void CBgBitmap::Prepare(bool drawAhead) {
    XGuard("CBgBitmap::Prepare", [&] {
        DropPrefetch();
        if (!CyclePictures || Count() == 0) return;
        // Decoded whole here, it would be beside its texture for a moment:
        // only opened (read, its header and, for a progressive JPEG, all its
        // scans taken in), and decoded into the texture by the first frames.
        if (drawAhead && PictureStyle == 0 && !CycleColor) {
            StartOpening(NextIndex());
            return;
        }
        m_Early.index = NextIndex();
        m_Early.name = Pictures[m_Early.index];
        try {
            m_Early.bitmap = std::make_shared<std::future<ImageBitmap*>>(
                std::async(std::launch::async, [name = m_Early.name] { return DecodePicture(name); }));
        } catch (const std::system_error&) {
            // No thread to be had: Setup's prefetch decodes it.
        }
    });
}

void CBgBitmap::StartPrefetch() {
    const uint32_t index = NextIndex();
    // Prepare's decode is of this very picture unless the list changed since.
    std::shared_ptr<std::future<ImageBitmap*>> early;
    if (m_Early.bitmap && m_Early.index == index && index < Count() && m_Early.name == Pictures[index])
        early = std::move(m_Early.bitmap);
    DropPrefetch();
    if (!CyclePictures || Count() == 0) {
        UnloadWhenDecoded(early);
        return;
    }
    m_Prefetch.index = index;
    m_Prefetch.name = Pictures[index];
    // A still picture is resampled to the window's pixels there too, as the
    // first Draw would; a drifting or bouncing one is placed by its frames.
    const bool still = !CycleColor;
    const int32_t style = PictureStyle;
    const uint32_t w = m_Width, h = m_Height;
    try {
        m_Prefetch.bitmap = std::async(std::launch::async, [name = m_Prefetch.name, still, style, w, h, early] {
            Decoded d;
            d.bitmap = early && early->valid() ? early->get() : DecodePicture(name);
            if (!d.bitmap || !still) return d;
            const uint32_t pw = PlatformImageWidth(d.bitmap), ph = PlatformImageHeight(d.bitmap);
            if (style != 0 && pw <= w && ph <= h) return d;
            const PictureRect r = PlacePicture(style, w, h, pw, ph, 0, 0);
            d.fitted = CPictureTexture::PrepareFitted(PlatformImageBits(d.bitmap), pw, ph,
                                                      PlatformImagePitch(d.bitmap), r.left, r.bottom, r.right, r.top);
            return d;
        });
    } catch (const std::system_error&) {
        // No thread to be had: the first change decodes it as before.
        UnloadWhenDecoded(early);
    }
}

void CBgBitmap::StartOpening(uint32_t index) {
    m_Opening.index = index;
    m_Opening.name = Pictures[index];
    try {
        m_Opening.rows = std::async(std::launch::async, [name = m_Opening.name] { return OpenRows(name); });
    } catch (const std::system_error&) {
        // No thread to be had: the change opens it.
    }
}

bool CBgBitmap::OpeningFor(uint32_t index) const {
    return m_Opening.rows.valid() && m_Opening.index == index && index < Count() && m_Opening.name == Pictures[index];
}

void CBgBitmap::DropPrefetch() {
    if (m_Opening.rows.valid()) m_Opening.rows.get();
    if (m_Prefetch.bitmap.valid()) {
        Decoded unused = m_Prefetch.bitmap.get();
        if (unused.bitmap) PlatformUnloadImage(unused.bitmap);
    }
    UnloadWhenDecoded(m_Early.bitmap);
    m_Early.bitmap.reset();
}

void CBgBitmap::FreeBitmap() {
    if (m_Bitmap) PlatformUnloadImage(m_Bitmap);
    m_Bitmap = nullptr;
    m_InTextureOnly = false;
    m_Stream.reset();
    m_StreamRow.clear();
    m_StreamRow.shrink_to_fit();
    m_Texture.AbandonFill();
}

const SettingsTable<CBgBitmap>& CBgBitmap::Settings() {
    static constexpr Setting<CBgBitmap> kRows[] = {
        SettingOf("CyclePictures", &CBgBitmap::CyclePictures, true).Exact(),
        // The count the list has, whatever the member last said.
        SettingOf("NumPictures", &CBgBitmap::NumPictures, 10u)
            .Clamp(0, kMaxPictures)
            .WrittenAs([](const CBgBitmap& b) { return b.Count(); }),
        SettingOf("CycleMin", &CBgBitmap::CycleMin, 1u).Range(0, 60),
        SettingOf("PictureStyle", &CBgBitmap::PictureStyle, 0),
        SettingOf("CycleColor", &CBgBitmap::CycleColor, false),
    };
    static constexpr SettingsTable<CBgBitmap> kTable("BgBitmap", kRows);
    return kTable;
}

template class TabledModule<CBgBitmap>;

void CBgBitmap::Default() {
    XGuard("CBgBitmap::Default", [&] {
        FreeBitmap();
        m_X = m_Y = m_Dx = m_Dy = 0;
        m_Index = 0;
        Settings().Default(*this);
        Pictures.Clear();
        const std::string dir = InstallDir();
        for (int i = 1; i <= 10; ++i) {
            XString name(dir.c_str());
            name += "critterpic";
            name.Append(i);
            name += ".jpg";
            Pictures.Add(name.c_str());
        }
    });
}

void CBgBitmap::Read(const XString& config) {
    XGuard("CBgBitmap::Read", [&] {
        XString section;
        if (!Settings().Read(*this, config, &section)) {
            Default();
            return;
        }

        // Entries the count names but the section lacks are reported one by
        // one, up to a limit; the walk follows the tags that are there.
        Pictures.Clear();
        const std::vector<ConfigListEntry> present = ConfigReadList(section, "Picture", NumPictures);
        size_t next = 0;
        uint32_t missingReported = 0;
        for (uint32_t i = 0; i < NumPictures;) {
            XString given;
            if (next < present.size() && present[next].index == i) {
                given = present[next++].value;
            } else if (missingReported < kMaxTrailingMissing) {
                ++missingReported;
            } else if (next < present.size()) {
                i = present[next].index;
                continue;
            } else {
                break;
            }
            ++i;
            given.Trim();
            XString path(given);
            path.MakeLower();
            // Names are kept in lower case, as Windows compares them; where the
            // file system tells letter cases apart and only the name as
            // written exists, that name is kept instead of dropping the picture.
            if (!path.FileExists() && given.FileExists()) path = given;
            if (!path.FileExists()) {
                ReportConfigError(path, " does not exist.");
            } else if (!IsJpg(path) && !IsBmp(path)) {
                ReportConfigError(path,
                                  " contains an unsupported image type. BMP and JPG are the only supported types at "
                                  "this time.");
            } else {
                Pictures.Add(path.c_str());
            }
        }
        NumPictures = Count();
        m_Index = NumPictures ? static_cast<uint32_t>(XRandom()) % NumPictures : 0;
    });
}

void CBgBitmap::Write(XString& out) const {
    XGuard("CBgBitmap::Write", [&] {
        ConfigSectionWriter w(out, Settings().Section());
        Settings().Write(*this, w);
        for (uint32_t i = 0; i < Count(); ++i) {
            XString key("Picture_");
            key.Append(static_cast<unsigned>(i));
            const XString& path = Pictures[i];
            w.Text(key.c_str(), std::string_view(path.c_str(), path.GetLength()));
        }
        w.Close();
    });
}

void CBgBitmap::Setup(int32_t width, int32_t height) {
    XGuard("CBgBitmap::Setup", [&] {
        m_Width = width > 0 ? static_cast<uint32_t>(width) : 0;
        m_Height = height > 0 ? static_cast<uint32_t>(height) : 0;
        m_LastChange = m_Clock();
        m_Attempted = false;
        m_Pending = false;
        m_LoadErrorReported = false;
        m_ChangeCount = 0;
        FreeBitmap();
        m_Texture.Release();
        m_CanFill = CPictureTexture::CanFill(m_Width, m_Height);
        // A still first picture that may come late is decoded into its
        // texture by the frames themselves.
        if (Streams() && m_DrawAhead) {
            if (!OpeningFor(NextIndex())) {
                DropPrefetch();
                if (CyclePictures && Count() != 0) StartOpening(NextIndex());
            }
            return;
        }
        StartPrefetch();
    });
}

void CBgBitmap::ChangePicture(uint32_t now) {
    m_LastChange = now;
    FreeBitmap();
    ++m_Index;
    if (m_Index >= Count()) m_Index = 0;
    // Drawn before the picture is taken, so that the random sequence is the
    // same whether or not the picture comes a few frames later.
    XRandom();
    m_Dx = -1 - XRandom() % 2;
    XRandom();
    m_Dy = -1 - XRandom() % 2;
    m_Attempted = true;
    m_LoadErrorReported = false;
    m_TextureStale = true;
    const bool first = m_ChangeCount == 0;
    ++m_ChangeCount;
    // Only a picture that stays where it is and as it is can come late
    // without changing any later frame: a bouncing or drifting one would be
    // behind by the frames it missed. A still one not prefetched is decoded
    // into its texture: a slice a frame when it may come late, else at once.
    const bool prefetched = m_Prefetch.bitmap.valid() && m_Prefetch.index == m_Index;
    if (!prefetched && Streams() && m_Index < Count()) {
        m_Pending = first && m_DrawAhead;
        if (m_Pending) {
            if (!OpeningFor(m_Index)) {
                DropPrefetch();
                StartOpening(m_Index);
            }
            if (m_Opening.rows.valid()) return;  // Process takes it when it is open
        }
        std::unique_ptr<ImageRowReader> rows =
            OpeningFor(m_Index) ? m_Opening.rows.get() : OpenRows(Pictures[m_Index]);
        if (!StartStream(std::move(rows))) {
            m_Pending = false;
            return;
        }
        if (!m_Pending) PumpStream(0);
        return;
    }
    m_Pending = first && m_DrawAhead && PictureStyle == 0 && !CycleColor && PrefetchStillDecoding();
    if (!m_Pending) TakePicture();
}

namespace {
// Of a picture decoded a slice each frame: about 2 ms of decoding on a
// software-rendered desktop, a 1024 x 768 picture in three frames.
constexpr uint32_t kStreamPixelsPerFrame = 256 * 1024;
}  // namespace

bool CBgBitmap::StartStream(std::unique_ptr<ImageRowReader> rows) {
    DropPrefetch();
    m_Stream = std::move(rows);
    if (!m_Stream) return false;
    const uint32_t pw = m_Stream->Width(), ph = m_Stream->Height();
    const PictureRect r = PlacePicture(0, m_Width, m_Height, pw, ph, 0, 0);
    if (!m_Texture.BeginFill(pw, ph, r.left, r.bottom, r.right, r.top)) {
        // Too small a window to cover a pixel: decoded whole as before.
        m_Stream.reset();
        TakePicture();
        return false;
    }
    m_StreamRow.assign(static_cast<size_t>(pw) * 3, 0);
    m_PictureWidth = pw;
    m_PictureHeight = ph;
    m_X = static_cast<int32_t>(m_Width / 2) - static_cast<int32_t>(pw / 2);
    m_Y = static_cast<int32_t>(m_Height / 2) - static_cast<int32_t>(ph / 2);
    return true;
}

void CBgBitmap::PumpStream(uint32_t rows) {
    if (!m_Stream) return;
    for (uint32_t n = 0; rows == 0 || n < rows; ++n) {
        if (m_Stream->ReadRow(m_StreamRow.data())) {
            m_Texture.FillRow(m_StreamRow.data());
            continue;
        }
        // Every row read, and the file's end (or damage) too.
        const bool whole = !m_Stream->Damaged() && m_Texture.EndFill();
        FreeBitmap();
        m_Pending = false;
        m_InTextureOnly = whole;
        m_TextureStale = !whole;
        return;
    }
}

bool CBgBitmap::PrefetchStillDecoding() const {
    return m_Prefetch.bitmap.valid() && m_Prefetch.index == m_Index && m_Index < Count() &&
           m_Prefetch.name == Pictures[m_Index] &&
           m_Prefetch.bitmap.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

void CBgBitmap::TakePicture() {
    m_Pending = false;
    const XString& name = Pictures[m_Index];
    ImageBitmap* bitmap = nullptr;
    if (m_Prefetch.bitmap.valid() && m_Prefetch.index == m_Index && m_Prefetch.name == name) {
        Decoded decoded = m_Prefetch.bitmap.get();
        bitmap = decoded.bitmap;
        m_Texture.Offer(std::move(decoded.fitted));
    } else {
        bitmap = DecodePicture(name);
    }
    DropPrefetch();
    if (!bitmap) return;
    m_Bitmap = bitmap;
    const uint32_t pw = PlatformImageWidth(bitmap), ph = PlatformImageHeight(bitmap);
    m_PictureWidth = pw;
    m_PictureHeight = ph;
    if (CycleColor && !m_Drift.Setup(pw, ph)) {
        XString message("Color cycling is off for ");
        message += name;
        message += ": not enough memory.";
        WriteRunLog("BgBitmap Load Error", message.c_str());
    }
    m_X = static_cast<int32_t>(m_Width / 2) - static_cast<int32_t>(pw / 2);
    m_Y = static_cast<int32_t>(m_Height / 2) - static_cast<int32_t>(ph / 2);
}

void CBgBitmap::DropDecoded() {
    if (!m_Bitmap) return;
    PlatformUnloadImage(m_Bitmap);
    m_Bitmap = nullptr;
    m_InTextureOnly = true;
}

void CBgBitmap::Bounce() {
    const int32_t pw = static_cast<int32_t>(PlatformImageWidth(m_Bitmap));
    const int32_t ph = static_cast<int32_t>(PlatformImageHeight(m_Bitmap));
    const int32_t w = static_cast<int32_t>(m_Width), h = static_cast<int32_t>(m_Height);
    if (!(pw < w && ph < h)) return;
    m_X += m_Dx;
    if (m_X < 0) {
        m_Dx = -m_Dx;
        m_X = 0;
    } else if (m_X + pw >= w) {
        m_Dx = -m_Dx;
        m_X = w - pw;
    }
    m_Y += m_Dy;
    if (m_Y < 0) {
        m_Dy = -m_Dy;
        m_Y = 0;
    } else if (m_Y + ph >= h) {
        m_Dy = -m_Dy;
        m_Y = h - ph;
    }
}

void CBgBitmap::Process() {
    XGuard("CBgBitmap::Process", [&] {
        if (!CyclePictures || Count() == 0) return;
        const uint32_t now = m_Clock();
        const bool due = CycleMin != 0 && Count() > 1 &&
                         static_cast<uint64_t>(now - m_LastChange) > static_cast<uint64_t>(CycleMin) * kMsPerMinute;
        if (due || !m_Attempted) {
            ChangePicture(now);
        } else if (m_Pending && !m_Stream && m_Opening.rows.valid()) {
            // Taken once it is open, so the frame waits for none of the reading.
            if (m_Opening.rows.wait_for(std::chrono::seconds(0)) == std::future_status::ready &&
                !StartStream(m_Opening.rows.get()))
                m_Pending = false;
        } else if (m_Pending && m_Stream) {
            // From the frame after the change on, so the first frame waits for none of it.
            PumpStream(std::max<uint32_t>(1, kStreamPixelsPerFrame / std::max<uint32_t>(1, m_Stream->Width())));
        }
        if (m_Pending && !m_Stream && !m_Opening.rows.valid() && !PrefetchStillDecoding()) TakePicture();
        if (!m_Bitmap) return;
        if (CycleColor && m_Drift.IsSet()) {
            m_Drift.Step(PlatformImageBits(m_Bitmap), PlatformImageWidth(m_Bitmap), PlatformImageHeight(m_Bitmap),
                         PlatformImagePitch(m_Bitmap));
            m_TextureStale = true;
        }
        if (PictureStyle != 0) Bounce();
    });
}

void CBgBitmap::Draw() {
    XGuard("CBgBitmap::Draw", [&] {
        if (!CyclePictures || Count() == 0) return;
        PixelDrawState state;
        if (m_Bitmap || m_InTextureOnly) {
            const uint32_t pw = m_PictureWidth, ph = m_PictureHeight;
            const PictureRect r = PlacePicture(PictureStyle, m_Width, m_Height, pw, ph, m_X, m_Y);
            const double left = r.left, bottom = r.bottom, right = r.right, top = r.top;
            // A still picture is resampled to its window pixels once; drifting
            // colours change it every frame, and the driver scales it then.
            if (!CycleColor) {
                // A picture that never moves lives in its texture alone from
                // its first frame on: the decoded copy (36 MB for a
                // 12-megapixel photo) goes, before the texture is made when
                // the resampling was done ahead.
                const bool stays = PictureStyle == 0;
                if (stays && m_Bitmap && m_Texture.PreparedFor(pw, ph, left, bottom, right, top)) DropDecoded();
                const uint8_t* bits = m_Bitmap ? PlatformImageBits(m_Bitmap) : nullptr;
                const uint32_t pitch = m_Bitmap ? PlatformImagePitch(m_Bitmap) : 0;
                if (m_Texture.PlaceFitted(bits, pw, ph, pitch, left, bottom, right, top, m_TextureStale)) {
                    m_TextureStale = false;
                    if (stays) DropDecoded();
                    m_Texture.DrawFitted(m_Width, m_Height);
                    return;
                }
            }
            if (!m_Bitmap) return;
            // Sent once per picture, and again only when the drift changed it.
            if (m_TextureStale || m_Texture.IsFitted()) {
                if (!m_Texture.Upload(PlatformImageBits(m_Bitmap), pw, ph, PlatformImagePitch(m_Bitmap))) return;
                m_TextureStale = false;
            }
            m_Texture.Draw(Corner(left, m_Width), Corner(bottom, m_Height), Corner(right, m_Width),
                           Corner(top, m_Height));
        } else if (m_Attempted && !m_Pending && !m_LoadErrorReported && m_Index < Count()) {
            m_LoadErrorReported = true;
            XString message("Load error: ");
            message += Pictures[m_Index];
            WriteRunLog("BgBitmap Load Error", message.c_str());
        }
    });
}

XString CBgBitmap::GetRandBgImageFileName() const {
    XString name;
    XGuard("CBgBitmap::GetRandBgImageFileName", [&] {
        const uint32_t count = Count();
        if (count == 0) return;
        name = Pictures[static_cast<uint32_t>(XRandom()) % count];
    });
    return name;
}
