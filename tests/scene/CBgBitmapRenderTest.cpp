// Background pictures drawn into an offscreen frame, with the frame loop's
// projection around them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/GLInclude.h"
#include "platform/ImageDecoder.h"
#include "scene/CBgBitmap.h"
#include "tests/GLTestContext.h"
#include "tests/TestSupport.h"
#include "tests/render/TestBitmaps.h"
#include "tests/render/TestJpegs.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
uint32_t g_Now = 0;
uint32_t FakeClock() { return g_Now; }

const Rgb kTop{230, 40, 30}, kBottom{20, 60, 210};

bool Near(const uint8_t* p, Rgb c, int tol = 8) {
    return std::abs(p[0] - c.r) <= tol && std::abs(p[1] - c.g) <= tol && std::abs(p[2] - c.b) <= tol;
}
bool Black(const uint8_t* p) { return p[0] + p[1] + p[2] == 0; }

unsigned Occurrences(const std::string& text, const std::string& what) {
    unsigned n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The box of pixels that are not black, in frame pixels (y up).
struct Box {
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;
    int Width() const { return x1 - x0 + 1; }
    int Height() const { return y1 - y0 + 1; }
};

class BgBitmapRender : public ::testing::Test {
protected:
    void SetUp() override {
        m_Saved = GetInstallPath();
        SetInstallPath(m_Dir.Path());
        PlatformImageLibraryInitialise();
        XSeedRandom(99);
        g_Now = 1000;
    }
    void TearDown() override {
        m_Gl.reset();
        PlatformImageLibraryDeInitialise();
        SetInstallPath(m_Saved);
    }

    // The frame loop's window set-up: its projection, depth test and culling.
    void Window(int w, int h) {
        m_Gl.reset();
        m_Gl = std::make_unique<GLTestContext>(w, h);
        ASSERT_TRUE(m_Gl->IsReady()) << m_Gl->Error();
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(70.0, static_cast<double>(w / h), static_cast<double>(0.2f), 70.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        glDisable(GL_DITHER);
    }

    // A picture with its top half one colour and its bottom half another.
    std::string TwoTone(const std::string& name, unsigned w, unsigned h) {
        std::vector<Rgb> px(w * h);
        for (unsigned y = 0; y < h; ++y)
            for (unsigned x = 0; x < w; ++x) px[y * w + x] = y < h / 2 ? kTop : kBottom;  // top row first
        const std::string path = m_Dir.File(name);
        WriteWholeFile(path, MakeBmp24(w, h, px));
        return path;
    }

    void Use(CBgBitmap& b, const std::string& path, int32_t style, int w, int h) {
        b.SetClock(FakeClock);
        b.Pictures.Clear();
        b.Pictures.Add(path.c_str());
        b.NumPictures = 1;
        b.PictureStyle = style;
        b.Setup(w, h);
    }

    std::vector<uint8_t> Frame(CBgBitmap& b) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        b.Draw();
        glFinish();
        return m_Gl->ReadPixels();
    }
    const uint8_t* At(const std::vector<uint8_t>& f, int x, int y) const { return &f[(y * m_Gl->Width() + x) * 4]; }
    Box Lit(const std::vector<uint8_t>& f) const {
        Box b;
        for (int y = 0; y < m_Gl->Height(); ++y)
            for (int x = 0; x < m_Gl->Width(); ++x)
                if (!Black(At(f, x, y))) {
                    if (x < b.x0) b.x0 = x;
                    if (y < b.y0) b.y0 = y;
                    if (x > b.x1) b.x1 = x;
                    if (y > b.y1) b.y1 = y;
                }
        return b;
    }
    void Save(const char* name) {
        if (const char* dir = std::getenv("MG_SAVE_FRAMES")) m_Gl->SavePng(std::string(dir) + "/" + name);
    }

    TempDir m_Dir;
    std::string m_Saved;
    std::unique_ptr<GLTestContext> m_Gl;
};
}  // namespace

TEST_F(BgBitmapRender, AnEnlargedPictureCoversTheWindow) {
    Window(800, 600);
    CBgBitmap b;
    Use(b, TwoTone("small.bmp", 400, 300), 0, 800, 600);
    b.Process();
    const std::vector<uint8_t> f = Frame(b);
    Save("bgbitmap_fit_enlarged.png");
    const Box box = Lit(f);
    EXPECT_EQ(0, box.x0);
    EXPECT_EQ(0, box.y0);
    EXPECT_EQ(800, box.Width());
    EXPECT_EQ(600, box.Height());
    // Upright: the picture's top half at the top of the window.
    EXPECT_TRUE(Near(At(f, 5, 595), kTop));
    EXPECT_TRUE(Near(At(f, 795, 305), kTop));
    EXPECT_TRUE(Near(At(f, 5, 5), kBottom));
    EXPECT_TRUE(Near(At(f, 795, 294), kBottom));
}

TEST_F(BgBitmapRender, AFittedPictureTouchesOneAxisWithBarsOnTheOther) {
    const struct {
        int ww, wh;
        unsigned pw, ph;
        int barX, barY;  // expected bar on each side
    } cases[] = {
        {800, 600, 1600, 900, 0, 75},  // reduced: bars above and below
        {320, 240, 60, 80, 70, 0},     // enlarged to the height: bars left and right
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pw) + "x" + std::to_string(c.ph));
        Window(c.ww, c.wh);
        CBgBitmap b;
        Use(b, TwoTone("fit.bmp", c.pw, c.ph), 0, c.ww, c.wh);
        b.Process();
        const std::vector<uint8_t> f = Frame(b);
        if (c.pw == 1600) Save("bgbitmap_fit_bars.png");
        const Box box = Lit(f);
        EXPECT_NEAR(c.barX, box.x0, 1);
        EXPECT_NEAR(c.barY, box.y0, 1);
        EXPECT_NEAR(c.ww - 2 * c.barX, box.Width(), 1);
        EXPECT_NEAR(c.wh - 2 * c.barY, box.Height(), 1);
        EXPECT_TRUE(Near(At(f, c.ww / 2, box.y1 - 2), kTop));
        EXPECT_TRUE(Near(At(f, c.ww / 2, box.y0 + 2), kBottom));
    }
}

TEST_F(BgBitmapRender, ABouncingPictureMovesAndReflectsAtTheEdges) {
    constexpr int W = 200, H = 150, PW = 40, PH = 30;
    Window(W, H);
    CBgBitmap b;
    Use(b, TwoTone("bounce.bmp", PW, PH), 1, W, H);
    b.Process();
    int flips = 0, moved = 0;
    int32_t dx = b.GetDx(), lastX = b.GetX(), lastY = b.GetY();
    for (int frame = 0; frame < 400; ++frame) {
        if (frame % 10 == 0 || b.GetDx() != dx) {
            const std::vector<uint8_t> f = Frame(b);
            const Box box = Lit(f);
            ASSERT_EQ(b.GetX(), box.x0) << frame;
            ASSERT_EQ(b.GetY(), box.y0) << frame;
            ASSERT_EQ(PW, box.Width());
            ASSERT_EQ(PH, box.Height());
            EXPECT_TRUE(Near(At(f, box.x0 + 1, box.y1), kTop));
            if (b.GetX() != lastX || b.GetY() != lastY) ++moved;
            lastX = b.GetX();
            lastY = b.GetY();
        }
        if (b.GetDx() != dx) {
            ++flips;
            EXPECT_TRUE(b.GetX() == 0 || b.GetX() == W - PW);
            if (b.GetX() == 0) Save("bgbitmap_bounce_left_edge.png");
            dx = b.GetDx();
        }
        g_Now += 10;
        b.Process();
    }
    EXPECT_GT(moved, 20);
    EXPECT_GE(flips, 2);
}

TEST_F(BgBitmapRender, APictureAsWideAsTheWindowIsDrawnWhereItIs) {
    Window(320, 240);
    CBgBitmap b;
    Use(b, TwoTone("wide.bmp", 320, 100), 1, 320, 240);
    for (int i = 0; i < 20; ++i) b.Process();
    const Box box = Lit(Frame(b));
    EXPECT_EQ(0, box.x0);
    EXPECT_EQ(70, box.y0);
    EXPECT_EQ(320, box.Width());
    EXPECT_EQ(100, box.Height());
}

TEST_F(BgBitmapRender, PicturesOfOtherDepthsAreConvertedAndDrawn) {
    // An 8-bit palette bitmap and a greyscale JPEG (16 x 8: bars above and below).
    const std::string pal = m_Dir.File("palette.bmp");
    std::vector<uint8_t> idx(16 * 8);
    for (unsigned i = 0; i < idx.size(); ++i) idx[i] = i < idx.size() / 2 ? 0 : 1;
    WriteWholeFile(pal, MakeBmp8(16, 8, {kTop, kBottom}, idx));
    const std::string grey = m_Dir.File("grey.jpg");
    WriteWholeFile(grey, std::string(reinterpret_cast<const char*>(kJpegGrey128), sizeof kJpegGrey128));
    const struct {
        std::string path;
        Rgb top, bottom;
    } cases[] = {{pal, kTop, kBottom}, {grey, {128, 128, 128}, {128, 128, 128}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        Window(64, 64);
        CBgBitmap b;
        Use(b, c.path, 0, 64, 64);
        b.Process();
        ASSERT_NE(nullptr, b.GetBitmap());
        EXPECT_EQ(24u, PlatformImageBitsPerPixel(b.GetBitmap()));
        const std::vector<uint8_t> f = Frame(b);
        EXPECT_TRUE(Near(At(f, 32, 44), c.top, 6));
        EXPECT_TRUE(Near(At(f, 32, 20), c.bottom, 6));
    }
}

TEST_F(BgBitmapRender, OnlyAStillPictureGivesUpItsDecodedCopyAndDrawsTheSameAfterwards) {
    const struct {
        int32_t style;
        bool drift;
        bool keepsDecoded;
    } cases[] = {{0, false, false}, {1, false, true}, {0, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "style " << c.style << " drift " << c.drift);
        Window(64, 64);
        CBgBitmap b;
        b.CycleColor = c.drift;
        Use(b, TwoTone("k.bmp", 32, 32), c.style, 64, 64);
        b.Process();
        ASSERT_NE(nullptr, b.GetBitmap());
        const std::vector<uint8_t> first = Frame(b);
        EXPECT_EQ(c.keepsDecoded, b.GetBitmap() != nullptr);
        for (int i = 0; i < 3; ++i) b.Process();
        const std::vector<uint8_t> later = Frame(b);
        EXPECT_FALSE(Black(At(later, 32, 32)));
        if (!c.keepsDecoded) {
            EXPECT_TRUE(Near(At(later, 32, 40), kTop, 6));
            EXPECT_EQ(first, later);
        }
        b.Release();
    }
}

TEST_F(BgBitmapRender, DriftingColoursReachTheScreen) {
    Window(64, 64);
    CBgBitmap b;
    b.CycleColor = true;
    Use(b, TwoTone("drift.bmp", 64, 64), 0, 64, 64);
    b.Process();
    const std::vector<uint8_t> first = Frame(b);
    for (int i = 0; i < 20; ++i) b.Process();
    const std::vector<uint8_t> later = Frame(b);
    const uint8_t* bits = PlatformImageBits(b.GetBitmap());
    const uint32_t pitch = PlatformImagePitch(b.GetBitmap());
    EXPECT_NE(first, later);
    // What is on the screen is the drifted picture itself.
    for (int y : {0, 40, 63})
        for (int c = 0; c < 3; ++c) EXPECT_EQ(bits[y * pitch + 5 * 3 + c], At(later, 5, y)[c]) << y;
}

TEST_F(BgBitmapRender, DrawingLeavesTheSceneStateAsItFoundIt) {
    Window(320, 240);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    GLdouble projBefore[16], mvBefore[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projBefore);
    glGetDoublev(GL_MODELVIEW_MATRIX, mvBefore);
    CBgBitmap b;
    Use(b, TwoTone("state.bmp", 50, 40), 1, 320, 240);
    b.Process();
    Frame(b);
    GLdouble projAfter[16], mvAfter[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projAfter);
    glGetDoublev(GL_MODELVIEW_MATRIX, mvAfter);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(projBefore[i], projAfter[i], 1e-9) << i;
        EXPECT_EQ(mvBefore[i], mvAfter[i]) << i;
    }
    GLint mode = 0, align = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &align);
    EXPECT_EQ(GL_MODELVIEW, mode);
    EXPECT_EQ(4, align);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    GLfloat zoom[2] = {0, 0};
    glGetFloatv(GL_ZOOM_X, &zoom[0]);
    glGetFloatv(GL_ZOOM_Y, &zoom[1]);
    EXPECT_EQ(1.0f, zoom[0]);
    EXPECT_EQ(1.0f, zoom[1]);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(BgBitmapRender, AFailedLoadIsReportedOncePerChange) {
    Window(64, 64);
    const std::string bad1 = m_Dir.File("bad1.jpg"), bad2 = m_Dir.File("bad2.bmp");
    WriteWholeFile(bad1, "not a picture");
    WriteWholeFile(bad2, "not a picture either");
    CBgBitmap b;
    b.SetClock(FakeClock);
    b.Pictures.Clear();
    b.Pictures.Add(bad1.c_str());
    b.Pictures.Add(bad2.c_str());
    b.NumPictures = 2;
    b.Setup(64, 64);
    // At a hundred frames a second this used to write a hundred entries a
    // second, restarting the log every few seconds.
    for (int frame = 0; frame < 300; ++frame) {
        b.Process();
        Frame(b);
        g_Now += 10;
    }
    const std::string log = ReadWholeFile(m_Dir.File("RunLog.txt"));
    EXPECT_EQ(1u, Occurrences(log, "Subject = BgBitmap Load Error"));
    const std::string shown(b.Pictures[b.GetIndex()].c_str());
    EXPECT_NE(std::string::npos, log.find("Message = Load error: " + shown + "\r\n"));
    g_Now += 60000;
    for (int frame = 0; frame < 100; ++frame) {
        b.Process();
        Frame(b);
    }
    EXPECT_EQ(2u, b.GetChangeCount());
    EXPECT_EQ(2u, Occurrences(ReadWholeFile(m_Dir.File("RunLog.txt")), "Subject = BgBitmap Load Error"));
}

namespace {
// A picture whose neighbouring pixels differ by a few levels at most, so that
// filtering and pixel duplication can only differ by that much.
std::string Gradient(const TempDir& dir, const std::string& name, unsigned w, unsigned h) {
    std::vector<Rgb> px(w * h);
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            px[y * w + x] = {static_cast<uint8_t>(20 + 200 * x / w), static_cast<uint8_t>(30 + 180 * y / h),
                             static_cast<uint8_t>(200 - 100 * (x + y) / (w + h))};
    WriteWholeFile(dir.File(name), MakeBmp24(w, h, px));
    return dir.File(name);
}

// How the picture used to be drawn: one pixel rectangle at a raster position
// with a pixel zoom, straight from the decoded bits.
void DrawAsPixelRectangle(CBgBitmap& b, uint32_t w, uint32_t h) {
    ImageBitmap* bitmap = b.GetBitmap();
    const uint32_t pw = PlatformImageWidth(bitmap), ph = PlatformImageHeight(bitmap);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    if (b.PictureStyle != 0 && pw <= w && ph <= h) {
        glRasterPos2d((b.GetX() - w * 0.5) / (w * 0.5), (b.GetY() - h * 0.5) / (h * 0.5));
    } else {
        const BgFitPlacement fit = BgFitPicture(w, h, pw, ph);
        glRasterPos2d(fit.rasterX, fit.rasterY);
        glPixelZoom(fit.zoom, fit.zoom);
    }
    glDrawPixels(static_cast<GLsizei>(pw), static_cast<GLsizei>(ph), GL_RGB, GL_UNSIGNED_BYTE,
                 PlatformImageBits(bitmap));
    glPixelZoom(1.0f, 1.0f);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopAttrib();
}
}  // namespace

TEST_F(BgBitmapRender, TheTextureShowsWhatThePixelRectangleShowed) {
    const struct {
        int ww, wh;
        unsigned pw, ph;
        int32_t style;
        int frames;  // Process calls before the comparison (moves a bouncing picture)
    } cases[] = {
        {800, 600, 400, 300, 0, 1},   // fit, enlarged twice
        {640, 480, 333, 250, 0, 1},   // fit, enlarged by an uneven factor
        {800, 600, 1600, 900, 0, 1},  // fit, reduced, bars above and below
        {320, 240, 60, 80, 0, 1},     // fit to the height, bars left and right
        {320, 240, 90, 70, 1, 37},    // bounce, somewhere on its way
        {321, 241, 90, 70, 1, 150},   // bounce in an odd-sized window, after reflecting
        {200, 150, 300, 100, 1, 5},   // bounce, wider than the window: fitted instead
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pw << "x" << c.ph << " in " << c.ww << "x" << c.wh << " style "
                                        << c.style);
        Window(c.ww, c.wh);
        CBgBitmap b;
        Use(b, Gradient(m_Dir, "g.bmp", c.pw, c.ph), c.style, c.ww, c.wh);
        for (int i = 0; i < c.frames; ++i) b.Process();
        // The reference first: a still picture's decoded copy goes with its first frame.
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawAsPixelRectangle(b, c.ww, c.wh);
        glFinish();
        const std::vector<uint8_t> before = m_Gl->ReadPixels();
        const std::vector<uint8_t> now = Frame(b);
        const Box a = Lit(now), e = Lit(before);
        EXPECT_NEAR(e.x0, a.x0, 1);
        EXPECT_NEAR(e.y0, a.y0, 1);
        EXPECT_NEAR(e.x1, a.x1, 1);
        EXPECT_NEAR(e.y1, a.y1, 1);
        // Inside the picture (its outermost pixels aside) the two agree to a few levels.
        int worst = 0;
        for (int y = e.y0 + 1; y < e.y1; ++y)
            for (int x = e.x0 + 1; x < e.x1; ++x)
                for (int ch = 0; ch < 3; ++ch) worst = std::max(worst, std::abs(At(now, x, y)[ch] - At(before, x, y)[ch]));
        EXPECT_LE(worst, 6);
        if (c.style == 0 && c.pw == 333) Save("bgbitmap_texture_fit.png");
    }
}

TEST_F(BgBitmapRender, ThePictureIsSentOnlyWhenItChanges) {
    Window(64, 64);
    CBgBitmap b;
    const std::string one = Gradient(m_Dir, "one.bmp", 40, 30), two = Gradient(m_Dir, "two.bmp", 30, 40);
    b.SetClock(FakeClock);
    b.Pictures.Clear();
    b.Pictures.Add(one.c_str());
    b.Pictures.Add(two.c_str());
    b.NumPictures = 2;
    b.Setup(64, 64);
    for (int frame = 0; frame < 50; ++frame) {
        b.Process();
        Frame(b);
        g_Now += 10;
    }
    EXPECT_EQ(1u, b.Texture().GetUploadCount());  // a still picture: once
    g_Now += 61000;
    b.Process();
    Frame(b);
    Frame(b);
    EXPECT_EQ(2u, b.GetChangeCount());
    EXPECT_EQ(2u, b.Texture().GetUploadCount());  // the next picture: once more
    b.CycleColor = true;
    g_Now += 61000;
    for (int frame = 0; frame < 10; ++frame) {
        b.Process();
        Frame(b);
    }
    EXPECT_EQ(12u, b.Texture().GetUploadCount());  // drifting colours: every frame
    Frame(b);
    EXPECT_EQ(12u, b.Texture().GetUploadCount());  // a frame drawn twice is not sent twice
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

// A still picture decoded into its texture a slice a frame (a run that draws
// ahead) or at once (a later change) shows exactly what the picture decoded
// whole shows, and a file that turns out damaged part-way is not shown at all.
TEST_F(BgBitmapRender, AStillPictureDecodedIntoItsTextureShowsWhatTheWholeDecodeShows) {
    const std::string one = Gradient(m_Dir, "one.bmp", 300, 200), two = Gradient(m_Dir, "two.bmp", 90, 140);
    const std::string cut = m_Dir.File("cut.jpg");
    {
        const std::string whole(reinterpret_cast<const char*>(kJpegRgbRed), sizeof kJpegRgbRed);
        WriteWholeFile(cut, whole.substr(0, whole.size() - 5));  // into the scan data
    }
    // The last frame; `lit` counts the frames showing a picture, `firstLit`
    // says whether the first did, `sent` whether any frame found it being sent.
    auto run = [&](const std::vector<std::string>& list, bool drawAhead, int frames, unsigned* lit = nullptr,
                   bool* firstLit = nullptr, bool* sent = nullptr) {
        CBgBitmap b;
        b.SetClock(FakeClock);
        b.Pictures.Clear();
        for (const std::string& p : list) b.Pictures.Add(p.c_str());
        b.NumPictures = static_cast<uint32_t>(list.size());
        XSeedRandom(5);
        SceneContext scene;
        scene.width = scene.height = 64;
        scene.drawAhead = drawAhead;
        b.Prepare(drawAhead);
        b.Setup(scene);
        std::vector<uint8_t> frame;
        bool filling = false;
        // Drawing ahead, the frames go on until the picture is in (or given
        // up), however long its opening on another thread takes.
        auto settled = [&] {
            return b.Texture().IsFitted() || ReadWholeFile(m_Dir.File("RunLog.txt")).find("Load error") != std::string::npos;
        };
        for (int i = 0; i < frames || (drawAhead && !settled() && i < 5000); ++i) {
            if (i >= frames) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            b.Process();
            filling = filling || b.Texture().IsFilling();
            frame = Frame(b);
            if (lit && !Black(At(frame, 32, 32))) ++*lit;
            if (firstLit && i == 0) *firstLit = !Black(At(frame, 32, 32));
            EXPECT_EQ(nullptr, b.GetBitmap());
        }
        if (sent) *sent = filling;
        b.Release();
        return frame;
    };
    for (const std::string& picture : {one, two}) {
        SCOPED_TRACE(picture);
        Window(64, 64);
        bool firstLit = true, sentAhead = false, sentWaited = true;
        const std::vector<uint8_t> ahead = run({picture}, true, 3, nullptr, &firstLit, &sentAhead);
        Window(64, 64);
        const std::vector<uint8_t> waited = run({picture}, false, 1, nullptr, nullptr, &sentWaited);
        // Drawn ahead it went into its texture by rows; waited for, whole.
        EXPECT_TRUE(sentAhead);
        EXPECT_FALSE(sentWaited);
        EXPECT_FALSE(Black(At(waited, 32, 32)));
        EXPECT_EQ(waited, ahead);
        // The first frame goes out without it; it comes some frames later.
        EXPECT_FALSE(firstLit);
    }
    {
        // A later change: decoded straight into the texture the first used.
        Window(64, 64);
        CBgBitmap b;
        Use(b, one, 0, 64, 64);
        b.Pictures.Add(two.c_str());
        b.NumPictures = 2;
        b.Process();
        Frame(b);
        g_Now += 61000;
        b.Process();
        EXPECT_EQ(nullptr, b.GetBitmap());
        const std::vector<uint8_t> later = Frame(b);
        const std::string shown(b.Pictures[b.GetIndex()].c_str());
        b.Release();
        Window(64, 64);
        EXPECT_EQ(run({shown}, false, 1), later);
    }
    // Where JPEG is decoded as it is read (Linux) the cut shows only part-way
    // through, elsewhere when it is opened; either way none of it is drawn.
    Window(64, 64);
    unsigned lit = 0;
    run({cut}, true, 3, &lit);
    EXPECT_EQ(0u, lit);
    EXPECT_EQ(1u, Occurrences(ReadWholeFile(m_Dir.File("RunLog.txt")), "Message = Load error: " + cut));
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}
