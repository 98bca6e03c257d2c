#include "render/CPictureTexture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "platform/GLInclude.h"
#include "platform/GLSurface.h"
#include "render/TextureUpload.h"

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif
#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif

#ifndef APIENTRY
#define APIENTRY
#endif

namespace {
struct DriverLimits {
    uint32_t maxSize = 64;  // the least OpenGL 1.1 promises
    bool anySize = false;   // sizes that are not powers of two
    bool edgeClamp = false;
    // Framebuffer objects and their blit under the core names (OpenGL 3.0,
    // ARB_framebuffer_object), under the EXT ones, or not at all.
    const char* blitSuffix = nullptr;
};

// Whole names only: one extension's name may begin another's.
bool HasExtension(const char* list, const char* name) {
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* at = std::strstr(list, name); at; at = std::strstr(at + 1, name))
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
    return false;
}

// OpenGL 2.0 takes any texture size and 1.2 clamps to the edge texel; older
// drivers may still name the extension.
DriverLimits QueryLimits() {
    DriverLimits d;
    GLint max = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
    if (max >= 64) d.maxSize = static_cast<uint32_t>(max);
    int major = 1, minor = 0;
    if (const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION))) {
        major = std::atoi(v);
        if (const char* dot = std::strchr(v, '.')) minor = std::atoi(dot + 1);
    }
    const char* ext = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    d.anySize = major >= 2 || HasExtension(ext, "GL_ARB_texture_non_power_of_two");
    d.edgeClamp = major >= 2 || (major == 1 && minor >= 2);
    if (major >= 3 || HasExtension(ext, "GL_ARB_framebuffer_object"))
        d.blitSuffix = "";
    else if (HasExtension(ext, "GL_EXT_framebuffer_object") && HasExtension(ext, "GL_EXT_framebuffer_blit"))
        d.blitSuffix = "EXT";
    return d;
}

// Drivers that want powers of two (or are smaller than the window) keep the filtered texture.
bool Fits(const DriverLimits& limits, const CPictureTexture::SampleAxis& x, const CPictureTexture::SampleAxis& y) {
    return limits.anySize && limits.edgeClamp && x.count <= limits.maxSize && y.count <= limits.maxSize;
}

constexpr GLenum kReadFramebuffer = 0x8CA8;
constexpr GLenum kReadFramebufferBinding = 0x8CAA;
constexpr GLenum kColorAttachment0 = 0x8CE0;
constexpr GLenum kFramebufferComplete = 0x8CD5;

bool g_BlitAllowed = true;
}  // namespace

// The calls that copy a placed picture into the window, looked up once per
// texture object (on Windows an address belongs to the driver of the context
// it was asked in).
struct CPictureTexture::BlitCalls {
    void(APIENTRY* genFramebuffers)(GLsizei, GLuint*) = nullptr;
    void(APIENTRY* deleteFramebuffers)(GLsizei, const GLuint*) = nullptr;
    void(APIENTRY* bindFramebuffer)(GLenum, GLuint) = nullptr;
    void(APIENTRY* framebufferTexture2D)(GLenum, GLenum, GLenum, GLuint, GLint) = nullptr;
    GLenum(APIENTRY* checkFramebufferStatus)(GLenum) = nullptr;
    void(APIENTRY* blitFramebuffer)(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLbitfield,
                                    GLenum) = nullptr;

    bool Load(const char* suffix) {
        auto find = [&](auto& call, const char* name) {
            call = reinterpret_cast<std::remove_reference_t<decltype(call)>>(
                GLProcAddress((std::string(name) + suffix).c_str()));
            return call != nullptr;
        };
        return find(genFramebuffers, "glGenFramebuffers") && find(deleteFramebuffers, "glDeleteFramebuffers") &&
               find(bindFramebuffer, "glBindFramebuffer") && find(framebufferTexture2D, "glFramebufferTexture2D") &&
               find(checkFramebufferStatus, "glCheckFramebufferStatus") &&
               find(blitFramebuffer, "glBlitFramebuffer");
    }
};

void CPictureTexture::AllowFramebufferBlit(bool allowed) { g_BlitAllowed = allowed; }

CPictureTexture::CPictureTexture() = default;
CPictureTexture::~CPictureTexture() = default;

namespace {

uint32_t PowerOfTwoAtLeast(uint32_t v, uint32_t most) {
    uint32_t p = 1;
    while (p < v && p < most) p <<= 1;
    return p;
}
}  // namespace

void CPictureTexture::TextureSize(uint32_t width, uint32_t height, uint32_t maxSize, bool anySize,
                                  uint32_t& texWidth, uint32_t& texHeight) {
    if (anySize) {
        texWidth = width < maxSize ? width : maxSize;
        texHeight = height < maxSize ? height : maxSize;
    } else {
        texWidth = PowerOfTwoAtLeast(width, maxSize);
        texHeight = PowerOfTwoAtLeast(height, maxSize);
    }
}

void CPictureTexture::Resample(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch,
                               uint32_t outWidth, uint32_t outHeight, std::vector<uint8_t>& out) {
    const uint32_t outPitch = (outWidth * 3 + 3) & ~3u;
    out.assign(static_cast<size_t>(outPitch) * outHeight, 0);
    const double sx = static_cast<double>(width) / outWidth, sy = static_cast<double>(height) / outHeight;
    for (uint32_t y = 0; y < outHeight; ++y) {
        double fy = (y + 0.5) * sy - 0.5;
        if (fy < 0) fy = 0;
        const uint32_t y0 = static_cast<uint32_t>(fy);
        const uint32_t y1 = y0 + 1 < height ? y0 + 1 : y0;
        const double ty = fy - y0;
        uint8_t* dst = out.data() + static_cast<size_t>(y) * outPitch;
        for (uint32_t x = 0; x < outWidth; ++x) {
            double fx = (x + 0.5) * sx - 0.5;
            if (fx < 0) fx = 0;
            const uint32_t x0 = static_cast<uint32_t>(fx);
            const uint32_t x1 = x0 + 1 < width ? x0 + 1 : x0;
            const double tx = fx - x0;
            const uint8_t* a = bits + static_cast<size_t>(y0) * pitch;
            const uint8_t* b = bits + static_cast<size_t>(y1) * pitch;
            for (int c = 0; c < 3; ++c) {
                const double top = a[x0 * 3 + c] * (1 - tx) + a[x1 * 3 + c] * tx;
                const double bottom = b[x0 * 3 + c] * (1 - tx) + b[x1 * 3 + c] * tx;
                dst[x * 3 + c] = static_cast<uint8_t>(top * (1 - ty) + bottom * ty + 0.5);
            }
        }
    }
}

bool CPictureTexture::Upload(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch) {
    if (!bits || width == 0 || height == 0 || pitch < width * 3) return false;
    const DriverLimits limits = QueryLimits();
    uint32_t tw = 0, th = 0;
    TextureSize(width, height, limits.maxSize, limits.anySize, tw, th);
    const uint8_t* src = bits;
    uint32_t srcPitch = pitch;
    if (tw != width || th != height) {
        Resample(bits, width, height, pitch, tw, th, m_Scratch);
        src = m_Scratch.data();
        srcPitch = (tw * 3 + 3) & ~3u;
    } else {
        m_Scratch.clear();
        m_Scratch.shrink_to_fit();
    }
    // A fitted picture's texture has another format and filter.
    const bool fresh = m_Name == 0 || m_Fitted || tw != m_TexWidth || th != m_TexHeight;
    m_Fitted = false;
    BindName();
    WithDefaultUnpack([&] {
        if (srcPitch != ((tw * 3 + 3) & ~3u)) {  // whole pixels apart, as the decoder never makes but a caller might
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(srcPitch / 3));
        }
        if (fresh) {
            const GLint wrap = limits.edgeClamp ? GL_CLAMP_TO_EDGE : GL_CLAMP;
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, static_cast<GLsizei>(tw), static_cast<GLsizei>(th), 0, GL_RGB,
                         GL_UNSIGNED_BYTE, src);
        } else {  // same size: the storage stays, only the texels change
            glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(tw), static_cast<GLsizei>(th), GL_RGB,
                            GL_UNSIGNED_BYTE, src);
        }
    });
    m_TexWidth = tw;
    m_TexHeight = th;
    ++m_Uploads;
    return true;
}

void CPictureTexture::BindName() {
    if (m_Name == 0) {
        GLuint name = 0;
        glGenTextures(1, &name);
        m_Name = name;
    }
    glBindTexture(GL_TEXTURE_2D, m_Name);
}

void CPictureTexture::Draw(double x0, double y0, double x1, double y1) const { DrawQuad(x0, y0, x1, y1, 0.0f, 1.0f); }

void CPictureTexture::DrawQuad(double x0, double y0, double x1, double y1, float t0, float t1) const {
    if (m_Name == 0) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, m_Name);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, t0);
    glVertex2d(x0, y0);
    glTexCoord2f(1.0f, t0);
    glVertex2d(x1, y0);
    glTexCoord2f(1.0f, t1);
    glVertex2d(x1, y1);
    glTexCoord2f(0.0f, t1);
    glVertex2d(x0, y1);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
}

CPictureTexture::PixelSpan CPictureTexture::CoveredPixels(double from, double to) {
    PixelSpan span;
    span.first = static_cast<int64_t>(std::ceil(from - 0.5));
    span.end = static_cast<int64_t>(std::ceil(to - 0.5));
    if (span.end < span.first) span.end = span.first;
    return span;
}

CPictureTexture::SampleAxis CPictureTexture::AxisFor(uint32_t size, double from, double to, const PixelSpan& span) {
    SampleAxis axis;
    axis.count = static_cast<uint32_t>(span.end - span.first);
    if (to <= from) return axis;
    // Pixel first + i has its centre at first + i + 0.5, which the filtered
    // texture showed at texel (centre - from) * size / (to - from) - 0.5.
    axis.scale = size / (to - from);
    axis.offset = (static_cast<double>(span.first) - from) * axis.scale;
    return axis;
}

bool CPictureTexture::Place(uint32_t width, uint32_t height, double left, double bottom, double right, double top,
                            Placement& p) {
    if (width == 0 || height == 0) return false;
    p.spanX = CoveredPixels(left, right);
    p.spanY = CoveredPixels(bottom, top);
    p.x = AxisFor(width, left, right, p.spanX);
    p.y = AxisFor(height, bottom, top, p.spanY);
    return p.x.count != 0 && p.y.count != 0;
}

namespace {
// One axis's two source indices and the second one's weight in 256ths, per
// output texel (eight bits of weight, as the rasterizer filters bytes).
struct Taps {
    std::vector<uint32_t> a, b;
    std::vector<uint32_t> w;
    Taps(const CPictureTexture::SampleAxis& axis, uint32_t size) : a(axis.count), b(axis.count), w(axis.count) {
        for (uint32_t i = 0; i < axis.count; ++i) {
            double f = (i + 0.5) * axis.scale + axis.offset - 0.5;
            // Clamped to the edge texels, as the texture's edge clamp samples.
            if (f < 0) f = 0;
            if (f > size - 1) f = size - 1;
            a[i] = static_cast<uint32_t>(f);
            b[i] = a[i] + 1 < size ? a[i] + 1 : a[i];
            w[i] = static_cast<uint32_t>((f - a[i]) * 256 + 0.5);
        }
    }
};
}  // namespace

// Separable: each source row needed is filtered across once (into 16-bit
// sums), and consecutive output rows mostly share their two source rows.
// Output row t (top first) reads source rows `near` and `near + 1` or just
// `near` at the edge (top first too), which only grow with t: a source row
// no output still waits for is skipped unfiltered, and the two rows in use
// are never of the same parity, so each is kept in the slot of its parity.
struct CPictureTexture::RowResampler::State {
    uint32_t width, height;
    SampleAxis x, y;
    Taps across, down;
    bool blueFirst;
    std::vector<uint16_t> rows[2];
    std::vector<uint8_t> out;
    uint32_t next = 0;  // the source row Take is handed next
    uint32_t done = 0;  // the output rows gone out
    State(uint32_t w, uint32_t h, const SampleAxis& ax, const SampleAxis& ay, bool bf)
        : width(w), height(h), x(ax), y(ay), across(ax, w), down(ay, h), blueFirst(bf) {
        for (auto& r : rows) r.assign(static_cast<size_t>(x.count) * 3, 0);
        out.assign(static_cast<size_t>(x.count) * 4, 255);
    }
    // The source rows output row t reads, top first: the one the weight is
    // against (bottom-first a) and the other (bottom-first b).
    uint32_t Upper(uint32_t t) const { return height - 1 - down.b[y.count - 1 - t]; }
    uint32_t Lower(uint32_t t) const { return height - 1 - down.a[y.count - 1 - t]; }
};

CPictureTexture::RowResampler::RowResampler(uint32_t width, uint32_t height, const SampleAxis& x,
                                            const SampleAxis& y, bool blueFirst)
    : m_State(std::make_unique<State>(width, height, x, y, blueFirst)) {}

CPictureTexture::RowResampler::~RowResampler() = default;

bool CPictureTexture::RowResampler::Done() const { return m_State->done >= m_State->y.count; }

void CPictureTexture::RowResampler::Take(const uint8_t* src, const Emit& emit) {
    State& s = *m_State;
    const uint32_t r = s.next++;
    if (s.done >= s.y.count || s.x.count == 0 || r >= s.height || r < s.Upper(s.done)) return;
    uint16_t* dst = s.rows[r & 1].data();
    for (uint32_t i = 0; i < s.x.count; ++i) {
        const uint8_t* pa = src + s.across.a[i] * 3;
        const uint8_t* pb = src + s.across.b[i] * 3;
        const uint32_t w = s.across.w[i];
        for (int c = 0; c < 3; ++c) dst[i * 3 + c] = static_cast<uint16_t>(pa[c] * (256 - w) + pb[c] * w);
    }
    // Blue goes first in the output: a red-first source's channels turn round.
    const int first = s.blueFirst ? 0 : 2, step = s.blueFirst ? 1 : -1;
    while (s.done < s.y.count && s.Lower(s.done) <= r) {
        const uint32_t t = s.done;
        const uint16_t* ra = s.rows[s.Lower(t) & 1].data();
        const uint16_t* rb = s.rows[s.Upper(t) & 1].data();
        const uint32_t w = s.down.w[s.y.count - 1 - t];
        uint8_t* o = s.out.data();
        for (uint32_t i = 0; i < s.x.count; ++i, o += 4)
            for (int c = 0; c < 3; ++c)
                o[first + step * c] =
                    static_cast<uint8_t>((ra[i * 3 + c] * (256 - w) + rb[i * 3 + c] * w + 32768) >> 16);
        emit(t, s.out.data());
        ++s.done;
    }
}

void CPictureTexture::ResampleToBgra(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch,
                                     const SampleAxis& x, const SampleAxis& y, std::vector<uint8_t>& out) {
    out.assign(static_cast<size_t>(x.count) * y.count * 4, 255);
    if (!bits || width == 0 || height == 0 || x.count == 0) return;
    RowResampler resampler(width, height, x, y, false);
    const size_t rowBytes = static_cast<size_t>(x.count) * 4;
    const RowResampler::Emit keep = [&](uint32_t row, const uint8_t* bgra) {
        std::memcpy(out.data() + row * rowBytes, bgra, rowBytes);
    };
    // The bits keep the bottom row first.
    for (uint32_t k = 0; k < height && !resampler.Done(); ++k)
        resampler.Take(bits + static_cast<size_t>(height - 1 - k) * pitch, keep);
}

bool CPictureTexture::PlaceFitted(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch,
                                  double left, double bottom, double right, double top, bool changed) {
    Placement place;
    if ((bits && pitch < width * 3) || !Place(width, height, left, bottom, right, top, place)) return false;
    const SampleAxis &axisX = place.x, &axisY = place.y;
    m_FirstX = place.spanX.first;
    m_FirstY = place.spanY.first;
    if (m_Name != 0 && m_Fitted && !changed && axisX == m_AxisX && axisY == m_AxisY) return true;
    const DriverLimits limits = QueryLimits();
    if (!Fits(limits, axisX, axisY)) return false;
    const bool prepared = PreparedMatches(axisX, axisY);
    if (!prepared && !bits) return false;
    if (prepared)
        m_Scratch.swap(m_Prepared.bgra);
    else
        ResampleToBgra(bits, width, height, pitch, axisX, axisY, m_Scratch);
    m_Prepared = Prepared();
    if (!m_Fitted || axisX.count != m_TexWidth || axisY.count != m_TexHeight)
        SpecifyFitted(axisX.count, axisY.count, g_BlitAllowed ? limits.blitSuffix : nullptr, m_Scratch.data());
    else
        SendFittedRows(0, axisX.count, axisY.count, m_Scratch.data());
    // The picture lives in the texture now; the copy is not kept.
    m_Scratch.clear();
    m_Scratch.shrink_to_fit();
    m_Fitted = true;
    m_AxisX = axisX;
    m_AxisY = axisY;
    m_TexWidth = axisX.count;
    m_TexHeight = axisY.count;
    ++m_Uploads;
    return true;
}

void CPictureTexture::SpecifyFitted(uint32_t width, uint32_t height, const char* blitSuffix, const uint8_t* texels) {
    BindName();
    WithDefaultUnpack([&] {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        // Unsized, the texels keep the byte order they are sent in, which
        // is the window's: the blit below is then a plain copy in a
        // software rasterizer. Without the blit, eight bits a channel are
        // asked for by name.
        glTexImage2D(GL_TEXTURE_2D, 0, blitSuffix ? GL_RGBA : GL_RGBA8, static_cast<GLsizei>(width),
                     static_cast<GLsizei>(height), 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, texels);
    });
    glBindTexture(GL_TEXTURE_2D, 0);
    AttachFramebuffer(blitSuffix);
}

void CPictureTexture::SendFittedRows(uint32_t first, uint32_t width, uint32_t rows, const uint8_t* texels) {
    glBindTexture(GL_TEXTURE_2D, m_Name);
    WithDefaultUnpack([&] {
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, static_cast<GLint>(first), static_cast<GLsizei>(width),
                        static_cast<GLsizei>(rows), GL_BGRA_EXT, GL_UNSIGNED_BYTE, texels);
    });
    glBindTexture(GL_TEXTURE_2D, 0);
}

bool CPictureTexture::FitsDriver(const SampleAxis& x, const SampleAxis& y) { return Fits(QueryLimits(), x, y); }

bool CPictureTexture::PreparedMatches(const SampleAxis& x, const SampleAxis& y) const {
    return !m_Prepared.bgra.empty() && m_Prepared.countX == x.count && m_Prepared.countY == y.count &&
           m_Prepared.scaleX == x.scale && m_Prepared.offsetX == x.offset && m_Prepared.scaleY == y.scale &&
           m_Prepared.offsetY == y.offset;
}

bool CPictureTexture::PreparedFor(uint32_t width, uint32_t height, double left, double bottom, double right,
                                  double top) const {
    Placement place;
    return Place(width, height, left, bottom, right, top, place) && PreparedMatches(place.x, place.y) &&
           FitsDriver(place.x, place.y);
}

CPictureTexture::Prepared CPictureTexture::PrepareFitted(const uint8_t* bits, uint32_t width, uint32_t height,
                                                          uint32_t pitch, double left, double bottom, double right,
                                                          double top) {
    Prepared p;
    Placement place;
    if (!bits || pitch < width * 3 || !Place(width, height, left, bottom, right, top, place)) return p;
    const SampleAxis &x = place.x, &y = place.y;
    ResampleToBgra(bits, width, height, pitch, x, y, p.bgra);
    p.countX = x.count;
    p.countY = y.count;
    p.scaleX = x.scale;
    p.offsetX = x.offset;
    p.scaleY = y.scale;
    p.offsetY = y.offset;
    return p;
}

void CPictureTexture::AttachFramebuffer(const char* suffix) {
    if (!suffix) {
        ReleaseFramebuffer();
        return;
    }
    if (m_Framebuffer != 0) return;  // a texture keeps its attachment through new storage
    if (!m_Blit) {
        auto calls = std::make_unique<BlitCalls>();
        if (!calls->Load(suffix)) return;
        m_Blit = std::move(calls);
    }
    GLint previous = 0;
    glGetIntegerv(kReadFramebufferBinding, &previous);
    GLuint name = 0;
    m_Blit->genFramebuffers(1, &name);
    m_Blit->bindFramebuffer(kReadFramebuffer, name);
    m_Blit->framebufferTexture2D(kReadFramebuffer, kColorAttachment0, GL_TEXTURE_2D, m_Name, 0);
    const bool complete = m_Blit->checkFramebufferStatus(kReadFramebuffer) == kFramebufferComplete;
    m_Blit->bindFramebuffer(kReadFramebuffer, static_cast<GLuint>(previous));
    if (complete)
        m_Framebuffer = name;
    else
        m_Blit->deleteFramebuffers(1, &name);
}

void CPictureTexture::ReleaseFramebuffer() {
    if (m_Framebuffer != 0 && m_Blit) {
        const GLuint name = m_Framebuffer;
        m_Blit->deleteFramebuffers(1, &name);
    }
    m_Framebuffer = 0;
}

void CPictureTexture::BlitFitted(int64_t windowWidth, int64_t windowHeight) const {
    // Texel row r (counted from the picture's top, as the rows are stored)
    // belongs on window row top - 1 - r. Only the rows and columns inside the
    // window are asked for: a clipped blit is drawn, not copied.
    const int64_t w = m_TexWidth, h = m_TexHeight, top = m_FirstY + h;
    const int64_t c0 = std::max<int64_t>(0, -m_FirstX), c1 = std::min<int64_t>(w, windowWidth - m_FirstX);
    const int64_t r0 = std::max<int64_t>(0, top - windowHeight), r1 = std::min<int64_t>(h, top);
    if (c0 >= c1 || r0 >= r1) return;
    GLint previous = 0;
    glGetIntegerv(kReadFramebufferBinding, &previous);
    m_Blit->bindFramebuffer(kReadFramebuffer, m_Framebuffer);
    // Turned over on the way: the window's rows run down in memory where a
    // framebuffer object's run up, so the copy keeps every row in place.
    m_Blit->blitFramebuffer(static_cast<GLint>(c0), static_cast<GLint>(r0), static_cast<GLint>(c1),
                            static_cast<GLint>(r1), static_cast<GLint>(m_FirstX + c0), static_cast<GLint>(top - r0),
                            static_cast<GLint>(m_FirstX + c1), static_cast<GLint>(top - r1), GL_COLOR_BUFFER_BIT,
                            GL_NEAREST);
    m_Blit->bindFramebuffer(kReadFramebuffer, static_cast<GLuint>(previous));
}

void CPictureTexture::DrawFitted(uint32_t windowWidth, uint32_t windowHeight) const {
    if (m_Name == 0 || !m_Fitted || windowWidth == 0 || windowHeight == 0) return;
    if (m_Framebuffer != 0) {
        BlitFitted(windowWidth, windowHeight);
        return;
    }
    const double halfW = windowWidth * 0.5, halfH = windowHeight * 0.5;
    // The rows are stored top first, the order of a window's memory, so the
    // texture runs down the window as the pixels do.
    DrawQuad((m_FirstX - halfW) / halfW, (m_FirstY - halfH) / halfH, (m_FirstX + m_TexWidth - halfW) / halfW,
             (m_FirstY + m_TexHeight - halfH) / halfH, 1.0f, 0.0f);
}

// The rows of a band go to the driver together: fewer calls than rows, and a
// band (32 rows: 120 KB of a picture fitted to 1280x720, 240 KB at most on a
// 1920-pixel-wide screen) is all of the resampled picture that exists
// outside the texture at any time.
constexpr uint32_t kFillBandRows = 32;

struct CPictureTexture::Fill {
    SampleAxis x, y;
    int64_t firstX = 0, firstY = 0;
    std::unique_ptr<RowResampler> resampler;
    std::vector<uint8_t> band;
    uint32_t bandFirst = 0, bandRows = 0;
    RowResampler::Emit send;  // a resampled row into the band, the band to the driver when full
};

bool CPictureTexture::CanFill(uint32_t windowWidth, uint32_t windowHeight) {
    SampleAxis x, y;
    x.count = windowWidth;
    y.count = windowHeight;
    return windowWidth > 0 && windowHeight > 0 && Fits(QueryLimits(), x, y);
}

bool CPictureTexture::BeginFill(uint32_t width, uint32_t height, double left, double bottom, double right,
                                double top) {
    AbandonFill();
    Placement place;
    if (!Place(width, height, left, bottom, right, top, place)) return false;
    const SampleAxis &axisX = place.x, &axisY = place.y;
    const DriverLimits limits = QueryLimits();
    if (!Fits(limits, axisX, axisY)) return false;
    auto fill = std::make_unique<Fill>();
    fill->x = axisX;
    fill->y = axisY;
    fill->firstX = place.spanX.first;
    fill->firstY = place.spanY.first;
    fill->resampler = std::make_unique<RowResampler>(width, height, axisX, axisY, true);
    fill->band.assign(static_cast<size_t>(axisX.count) * 4 * std::min(kFillBandRows, axisY.count), 255);
    // Storage of the same size is kept (a new picture of the same shape):
    // made again, the old and the new would exist together for a moment.
    const bool fresh = !m_Fitted || axisX.count != m_TexWidth || axisY.count != m_TexHeight;
    m_Fitted = false;
    m_Prepared = Prepared();
    // The rows come in below.
    if (fresh) SpecifyFitted(axisX.count, axisY.count, g_BlitAllowed ? limits.blitSuffix : nullptr, nullptr);
    m_TexWidth = axisX.count;
    m_TexHeight = axisY.count;
    Fill& f = *fill;
    const size_t rowBytes = static_cast<size_t>(axisX.count) * 4;
    const uint32_t capacity = static_cast<uint32_t>(f.band.size() / rowBytes);
    f.send = [this, &f, rowBytes, capacity](uint32_t row, const uint8_t* bgra) {
        if (f.bandRows == 0) f.bandFirst = row;
        std::memcpy(f.band.data() + f.bandRows * rowBytes, bgra, rowBytes);
        if (++f.bandRows < capacity && row + 1 < f.y.count) return;
        SendFittedRows(f.bandFirst, f.x.count, f.bandRows, f.band.data());
        f.bandRows = 0;
    };
    m_Fill = std::move(fill);
    return true;
}

void CPictureTexture::FillRow(const uint8_t* bgr) {
    if (m_Fill && bgr) m_Fill->resampler->Take(bgr, m_Fill->send);
}

bool CPictureTexture::EndFill() {
    if (!m_Fill) return false;
    const std::unique_ptr<Fill> fill = std::move(m_Fill);
    if (!fill->resampler->Done()) return false;
    m_Fitted = true;
    m_AxisX = fill->x;
    m_AxisY = fill->y;
    m_FirstX = fill->firstX;
    m_FirstY = fill->firstY;
    ++m_Uploads;
    return true;
}

void CPictureTexture::AbandonFill() { m_Fill.reset(); }

void CPictureTexture::Forget() {
    m_Name = 0;
    m_Framebuffer = 0;
    m_Fitted = false;
    m_Fill.reset();
}

void CPictureTexture::Release() {
    m_Fill.reset();
    ReleaseFramebuffer();
    if (m_Name != 0) {
        GLuint name = m_Name;
        glDeleteTextures(1, &name);
    }
    m_Name = 0;
    m_TexWidth = m_TexHeight = 0;
    m_Fitted = false;
    m_Scratch.clear();
    m_Scratch.shrink_to_fit();
    m_Prepared = Prepared();
}
