#include "render/COutlineFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "tests/GLTestContext.h"

namespace {

constexpr float kExtrusion = 0.05f;

// Figures of "Arial" bold measured from the Windows build (the outline-font
// call under Wine, where the face is Liberation Sans Bold): black box x and y,
// glyph origin x and y, advance x. Both builds must give them.
struct MetricRow {
    unsigned char code;
    float blackBoxX, blackBoxY, originX, originY, cellIncX;
};
const MetricRow kWindowsMetrics[] = {
    {0x00, 0.265625f, 0.666992f, 0.033203f, 0.666992f, 0.365234f},
    {0x20, 0.000977f, 0.000977f, 0.000000f, 0.000000f, 0.278320f},
    {0x21, 0.144531f, 0.688477f, 0.093750f, 0.688477f, 0.333008f},
    {0x25, 0.838867f, 0.704102f, 0.024414f, 0.696289f, 0.889648f},
    {0x28, 0.282227f, 0.932617f, 0.049805f, 0.724609f, 0.333008f},
    {0x2C, 0.143555f, 0.304688f, 0.067383f, 0.149414f, 0.278320f},
    {0x2D, 0.253906f, 0.119141f, 0.039062f, 0.319336f, 0.333008f},
    {0x2E, 0.141602f, 0.149414f, 0.067383f, 0.149414f, 0.278320f},
    {0x30, 0.476562f, 0.708008f, 0.039062f, 0.698242f, 0.556641f},
    {0x31, 0.465820f, 0.688477f, 0.062500f, 0.688477f, 0.556641f},
    {0x32, 0.482422f, 0.698242f, 0.034180f, 0.698242f, 0.556641f},
    {0x34, 0.536133f, 0.688477f, 0.014648f, 0.688477f, 0.556641f},
    {0x38, 0.494141f, 0.708008f, 0.031250f, 0.698242f, 0.556641f},
    {0x3A, 0.141602f, 0.504883f, 0.095703f, 0.504883f, 0.333008f},
    {0x40, 0.860352f, 0.868164f, 0.056641f, 0.709961f, 0.975586f},
    {0x41, 0.671875f, 0.688477f, 0.024414f, 0.688477f, 0.722656f},
    {0x42, 0.610352f, 0.688477f, 0.066406f, 0.688477f, 0.722656f},
    {0x47, 0.674805f, 0.708008f, 0.041016f, 0.698242f, 0.778320f},
    {0x48, 0.588867f, 0.688477f, 0.066406f, 0.688477f, 0.722656f},
    {0x4D, 0.700195f, 0.688477f, 0.066406f, 0.688477f, 0.833008f},
    {0x4F, 0.695312f, 0.708008f, 0.041016f, 0.698242f, 0.778320f},
    {0x51, 0.695312f, 0.895508f, 0.041016f, 0.698242f, 0.778320f},
    {0x57, 0.942383f, 0.688477f, 0.000977f, 0.688477f, 0.944336f},
    {0x61, 0.533203f, 0.547852f, 0.029297f, 0.538086f, 0.556641f},
    {0x65, 0.483398f, 0.547852f, 0.039062f, 0.538086f, 0.556641f},
    {0x67, 0.502930f, 0.750977f, 0.041016f, 0.539062f, 0.611328f},
    {0x69, 0.137695f, 0.724609f, 0.069336f, 0.724609f, 0.278320f},
    {0x6A, 0.223633f, 0.932617f, -0.015625f, 0.724609f, 0.278320f},
    {0x6C, 0.137695f, 0.724609f, 0.069336f, 0.724609f, 0.278320f},
    {0x6D, 0.761719f, 0.539062f, 0.065430f, 0.539062f, 0.889648f},
    {0x6F, 0.533203f, 0.547852f, 0.039062f, 0.538086f, 0.611328f},
    {0x70, 0.504883f, 0.748047f, 0.065430f, 0.540039f, 0.611328f},
    {0x79, 0.542969f, 0.736328f, 0.007812f, 0.528320f, 0.556641f},
    {0x7C, 0.127930f, 0.936523f, 0.076172f, 0.724609f, 0.280273f},
    {0x80, 0.534180f, 0.708008f, 0.004883f, 0.698242f, 0.556641f},
    {0x81, 0.265625f, 0.666992f, 0.033203f, 0.666992f, 0.365234f},
    {0x96, 0.495117f, 0.099609f, 0.030273f, 0.318359f, 0.556641f},
    {0x99, 0.816406f, 0.312500f, 0.060547f, 0.688477f, 1.000000f},
    {0xA6, 0.127930f, 0.921875f, 0.076172f, 0.709961f, 0.280273f},
    {0xA9, 0.706055f, 0.706055f, 0.015625f, 0.698242f, 0.737305f},
    {0xB0, 0.313477f, 0.307617f, 0.043945f, 0.696289f, 0.400391f},
    {0xC4, 0.671875f, 0.854492f, 0.024414f, 0.854492f, 0.722656f},
    {0xDF, 0.513672f, 0.734375f, 0.069336f, 0.724609f, 0.611328f},
    {0xE9, 0.483398f, 0.744141f, 0.039062f, 0.734375f, 0.556641f},
    {0xFC, 0.483398f, 0.703125f, 0.061523f, 0.693359f, 0.611328f},
    {0xFE, 0.500977f, 0.932617f, 0.069336f, 0.724609f, 0.611328f},
    {0xFF, 0.000000f, 0.000000f, 0.000000f, 0.000000f, 0.000000f},
};

// GDI rounds the box outwards on a 1/1024 em grid; beyond that the builds agree.
constexpr float kMetricTolerance = 2.5f / 1024.0f;
// Except that GDI cuts the black box of the long bars '|' and '¦' at the
// face's descent line, about 0.01 em above their true foot.
float BoxHeightTolerance(unsigned char code) { return (code == 0x7C || code == 0xA6) ? 0.012f : kMetricTolerance; }

// A context plus the font as the overlays create it.
class OutlineFontTest : public ::testing::Test {
protected:
    void SetUp() override {
        gl = std::make_unique<GLTestContext>(400, 400);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
    }
    void TearDown() override {
        font.Delete();
        gl.reset();
    }
    bool CreateArial() { return font.Create(gl->DeviceContext(), "Arial", kExtrusion, 1, 0.5f, 700); }

    std::unique_ptr<GLTestContext> gl;
    COutlineFont font;
};

// Where DrawText puts ink: the text drawn flat white under an orthographic
// box, x and y from the covered pixels, the nearest and farthest z from the
// depth buffer. (Feedback mode would give exact vertices, but under Wine it
// corrupts memory with the outline-font lists.)
struct Bounds {
    int pixels = 0;
    float min[3] = {0, 0, 0};
    float max[3] = {0, 0, 0};
};

constexpr float kRange = 1.6f;                    // the box is +-kRange in x and y, +-1 in z
constexpr float kPixel = 2 * kRange / 400.0f;     // one pixel of the 400 x 400 context

Bounds CaptureDrawn(COutlineFont& font, const char* text) {
    Bounds b;
    glViewport(0, 0, 400, 400);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kRange, kRange, -kRange, kRange, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    glClearColor(0, 0, 0, 0);
    std::vector<float> nearest, farthest;
    for (int pass = 0; pass < 2; ++pass) {
        glClearDepth(pass == 0 ? 1.0 : 0.0);
        glDepthFunc(pass == 0 ? GL_LESS : GL_GREATER);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        font.DrawText(text);
        glFinish();
        std::vector<float>& depth = pass == 0 ? nearest : farthest;
        depth.resize(400 * 400);
        glReadPixels(0, 0, 400, 400, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    }
    glDepthFunc(GL_LESS);
    glClearDepth(1.0);
    glDisable(GL_DEPTH_TEST);
    int x0 = 400, x1 = -1, y0 = 400, y1 = -1;
    float dNear = 1.0f, dFar = 0.0f;
    for (int y = 0; y < 400; ++y) {
        for (int x = 0; x < 400; ++x) {
            float d = nearest[y * 400 + x];
            if (d >= 1.0f) continue;
            ++b.pixels;
            x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
            dNear = std::min(dNear, d);
            dFar = std::max(dFar, farthest[y * 400 + x]);
        }
    }
    if (b.pixels == 0) return b;
    // Pixel edges in eye units; depth d in [0, 1] maps back to z = 1 - 2d.
    b.min[0] = -kRange + x0 * kPixel, b.max[0] = -kRange + (x1 + 1) * kPixel;
    b.min[1] = -kRange + y0 * kPixel, b.max[1] = -kRange + (y1 + 1) * kPixel;
    b.max[2] = 1 - 2 * dNear, b.min[2] = 1 - 2 * dFar;
    return b;
}

// The ink extent may differ from the true one by the pixels cut at its edges.
constexpr float kInk = 1.5f * kPixel;
constexpr float kDepth = 0.002f;

bool PlatformExtrudes() {
    // Wine's outline-font call leaves the extrusion out and draws flat glyphs;
    // our own glyph source, and Windows itself, build the slab.
    return std::string(GLTestContext::PlatformName()) != "windows";
}

}  // namespace

TEST_F(OutlineFontTest, DumpMetrics) {
    // Prints the whole table, to refresh the figures above from a Windows build.
    if (!std::getenv("MG_DUMP_FONT_METRICS")) GTEST_SKIP();
    ASSERT_TRUE(CreateArial());
    for (int c = 0; c < 256; ++c) {
        const GlyphMetricsFloat& m = font.GetMetrics(static_cast<unsigned char>(c));
        std::printf("    {0x%02X, %.6ff, %.6ff, %.6ff, %.6ff, %.6ff, %.6ff},\n", c, m.blackBoxX, m.blackBoxY,
                    m.originX, m.originY, m.cellIncX, m.cellIncY);
    }
}

TEST_F(OutlineFontTest, MetricsMatchWindowsFigures) {
    ASSERT_TRUE(CreateArial());
    for (const MetricRow& r : kWindowsMetrics) {
        const GlyphMetricsFloat& m = font.GetMetrics(r.code);
        SCOPED_TRACE(::testing::Message() << "code 0x" << std::hex << int(r.code));
        EXPECT_NEAR(r.blackBoxX, m.blackBoxX, kMetricTolerance);
        EXPECT_NEAR(r.blackBoxY, m.blackBoxY, BoxHeightTolerance(r.code));
        EXPECT_NEAR(r.originX, m.originX, kMetricTolerance);
        EXPECT_NEAR(r.originY, m.originY, kMetricTolerance);
        EXPECT_NEAR(r.cellIncX, m.cellIncX, kMetricTolerance);
        EXPECT_EQ(0.0f, m.cellIncY);
    }
}

TEST_F(OutlineFontTest, NothingDrawnBeforeCreateOrAfterDelete) {
    EXPECT_FALSE(font.IsCreated());
    EXPECT_EQ(0, CaptureDrawn(font, "Hello").pixels);
    ASSERT_TRUE(CreateArial());
    GLuint base = font.GetListBase();
    EXPECT_TRUE(glIsList(base + 'H'));
    EXPECT_GT(CaptureDrawn(font, "Hello").pixels, 0);
    font.Delete();
    EXPECT_FALSE(font.IsCreated());
    EXPECT_FALSE(glIsList(base + 'H'));
    EXPECT_EQ(0, CaptureDrawn(font, "Hello").pixels);
    font.Delete();   // a second delete is harmless
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(OutlineFontTest, CreatingAgainReplacesTheLists) {
    ASSERT_TRUE(CreateArial());
    float first = CaptureDrawn(font, "W").max[0];
    ASSERT_TRUE(CreateArial());
    EXPECT_TRUE(font.IsCreated());
    EXPECT_TRUE(glIsList(font.GetListBase() + 'W'));
    EXPECT_FLOAT_EQ(first, CaptureDrawn(font, "W").max[0]);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(OutlineFontTest, PutOffCreationBuildsAtTheFirstDrawnTextTheSameGlyphs) {
    ASSERT_TRUE(CreateArial());
    const Bounds eager = CaptureDrawn(font, "W");
    font.Delete();

    font.CreateOnFirstUse(gl->DeviceContext(), "Arial", kExtrusion, 1, 0.5f, 700);
    EXPECT_TRUE(font.IsSetUp());
    EXPECT_FALSE(font.IsCreated());
    // Nothing to draw builds nothing.
    for (const char* text : {"", static_cast<const char*>(nullptr)}) font.DrawText(text);
    EXPECT_FALSE(font.IsCreated());
    const Bounds late = CaptureDrawn(font, "W");
    EXPECT_TRUE(font.IsCreated());
    EXPECT_EQ(eager.pixels, late.pixels);
    EXPECT_FLOAT_EQ(eager.max[0], late.max[0]);
    EXPECT_FLOAT_EQ(eager.min[2], late.min[2]);

    // Deleting a font still waiting for its first draw leaves nothing to build.
    font.CreateOnFirstUse(gl->DeviceContext(), "Arial", kExtrusion, 1, 0.5f, 700);
    EXPECT_FALSE(font.IsCreated());
    font.Delete();
    EXPECT_FALSE(font.IsSetUp());
    EXPECT_EQ(0, CaptureDrawn(font, "W").pixels);
    EXPECT_FALSE(font.IsCreated());
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(OutlineFontTest, EmptyAndNullTextsDrawNothingAndKeepState) {
    ASSERT_TRUE(CreateArial());
    glListBase(7);
    for (const char* text : {"", static_cast<const char*>(nullptr), "\xff", "\xff\xff"}) {
        SCOPED_TRACE(text ? text : "(null)");
        EXPECT_EQ(0, CaptureDrawn(font, text).pixels);
        float w = 1, h = 1;
        font.MeasureText(text, w, h);
        EXPECT_EQ(0.0f, w);
        EXPECT_EQ(0.0f, h);
    }
    // Drawing leaves the caller's list base and matrix as they were.
    CaptureDrawn(font, "Text");
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(7, listBase);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(1, depth);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

TEST_F(OutlineFontTest, Code255AddsNoWidthAndHighCodesUseTheirOwnMetrics) {
    ASSERT_TRUE(CreateArial());
    EXPECT_EQ(0.0f, font.GetMetrics(255).cellIncX);
    float wA, hA, wA255, hA255;
    font.MeasureText("A", wA, hA);
    font.MeasureText("A\xff", wA255, hA255);
    EXPECT_EQ(wA, wA255);
    EXPECT_EQ(hA, hA255);

    // é has the advance of e and a taller box (its accent); the euro sign exists.
    const GlyphMetricsFloat& e = font.GetMetrics('e');
    const GlyphMetricsFloat& eAcute = font.GetMetrics(0xE9);
    EXPECT_NEAR(e.cellIncX, eAcute.cellIncX, 1e-6);
    EXPECT_GT(eAcute.blackBoxY, e.blackBoxY + 0.1f);
    float w, h;
    font.MeasureText("\xe9\x80", w, h);
    EXPECT_FLOAT_EQ(eAcute.cellIncX + font.GetMetrics(0x80).cellIncX, w);
    EXPECT_FLOAT_EQ(std::max(eAcute.blackBoxY, font.GetMetrics(0x80).blackBoxY), h);
    font.SetAlignment(0, 4, 6);
    Bounds b = CaptureDrawn(font, "\xe9");
    SCOPED_TRACE("drawn é");
    EXPECT_GT(b.pixels, 0);
    EXPECT_NEAR(b.max[1], eAcute.originY, kInk);
}

TEST_F(OutlineFontTest, AlignmentShiftsAllThreeAxes) {
    ASSERT_TRUE(CreateArial());
    const char* text = "Hg";
    float width, height;
    font.MeasureText(text, width, height);
    ASSERT_GT(width, 0.5f);
    ASSERT_GT(height, 0.5f);

    font.SetAlignment(0, 4, 6);
    Bounds ref = CaptureDrawn(font, text);
    ASSERT_GT(ref.pixels, 0);
    // Unshifted: the ink starts at the first glyph's box, tops out at the
    // tallest origin y, and the slab runs from z = 0 back to -extrusion.
    EXPECT_NEAR(font.GetMetrics('H').originX, ref.min[0], kInk);
    EXPECT_NEAR(font.GetMetrics('H').originY, ref.max[1], kInk);
    EXPECT_NEAR(0.0f, ref.max[2], kDepth);
    if (PlatformExtrudes()) {
        EXPECT_NEAR(-kExtrusion, ref.min[2], kDepth);
    }

    struct Row { uint8_t code; int axis; float shift; } rows[] = {
        {0, 0, 0.0f}, {1, 0, -width}, {2, 0, -width / 2},
        {3, 1, -height}, {4, 1, 0.0f}, {5, 1, -height / 2},
        {6, 2, 0.0f}, {7, 2, kExtrusion}, {8, 2, kExtrusion / 2},
    };
    for (const Row& r : rows) {
        uint8_t codes[3] = {0, 4, 6};
        codes[r.axis] = r.code;
        font.SetAlignment(codes[0], codes[1], codes[2]);
        float shift[3];
        font.GetAlignmentShift(text, shift);
        Bounds b = CaptureDrawn(font, text);
        SCOPED_TRACE(::testing::Message() << "alignment code " << int(r.code));
        for (int k = 0; k < 3; ++k) {
            float expected = k == r.axis ? r.shift : 0.0f;
            EXPECT_FLOAT_EQ(expected, shift[k]);
            float tolerance = k == 2 ? kDepth : kInk;
            EXPECT_NEAR(ref.min[k] + expected, b.min[k], tolerance);
            EXPECT_NEAR(ref.max[k] + expected, b.max[k], tolerance);
        }
    }

    // The overlays' default: the slab straddles the origin in depth.
    font.SetAlignment(2, 5, 8);
    Bounds centred = CaptureDrawn(font, text);
    EXPECT_NEAR(kExtrusion / 2, centred.max[2], kDepth);
    if (PlatformExtrudes()) {
        EXPECT_NEAR(-kExtrusion / 2, centred.min[2], kDepth);
    }
}

TEST_F(OutlineFontTest, DefaultsAreCentredOnAllAxes) {
    ASSERT_TRUE(CreateArial());
    float shift[3];
    font.GetAlignmentShift("ab", shift);
    float w, h;
    font.MeasureText("ab", w, h);
    EXPECT_FLOAT_EQ(-w / 2, shift[0]);
    EXPECT_FLOAT_EQ(-h / 2, shift[1]);
    EXPECT_FLOAT_EQ(kExtrusion / 2, shift[2]);
}

TEST_F(OutlineFontTest, GlyphsAdvanceLeftToRight) {
    ASSERT_TRUE(CreateArial());
    font.SetAlignment(0, 4, 6);
    Bounds one = CaptureDrawn(font, "l");
    Bounds three = CaptureDrawn(font, "lll");
    EXPECT_NEAR(one.min[0], three.min[0], kInk);
    EXPECT_NEAR(one.max[0] + 2 * font.GetMetrics('l').cellIncX, three.max[0], kInk);
    EXPECT_NEAR(one.max[1], three.max[1], kInk);
}
