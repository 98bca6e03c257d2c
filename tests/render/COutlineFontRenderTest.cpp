// A line of extruded text drawn lit and turned, as the overlays draw it, and
// checked in the frame read back.
#include "render/COutlineFont.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "tests/GLTestContext.h"

namespace {

constexpr int kW = 640, kH = 200;
const char* const kText = "Meadowglow 12:34 Il";

struct Rgb {
    int r, g, b;
};

class OutlineFontRender : public ::testing::Test {
protected:
    void SetUp() override {
        gl = std::make_unique<GLTestContext>(kW, kH);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
        ASSERT_TRUE(font.Create(gl->DeviceContext(), "Arial", 0.15f, 1, 0.5f, 700));
        font.SetAlignment(2, 5, 8);
    }
    void TearDown() override {
        font.Delete();
        gl.reset();
    }

    // Draws the text turned 15 degrees about y and 10 about x, lit by one
    // directional light from `lightZ` (+1 in front of the text, -1 behind).
    void Draw(float lightZ) {
        glViewport(0, 0, kW, kH);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(30.0, double(kW) / kH, 1.0, 20.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(0.05f, 0.05f, 0.2f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_NORMALIZE);
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        GLfloat ambient[] = {0.15f, 0.15f, 0.15f, 1.0f};
        GLfloat light[] = {-0.3f, 0.4f, lightZ, 0.0f};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0, GL_POSITION, light);
        glTranslatef(0.0f, 0.0f, -8.0f);
        glRotatef(15.0f, 0.0f, 1.0f, 0.0f);
        glRotatef(10.0f, 1.0f, 0.0f, 0.0f);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glColor3f(1.0f, 0.75f, 0.2f);
        font.DrawText(kText);
        glDisable(GL_LIGHTING);
        pixels = gl->ReadPixels();
    }

    // The pixel where a point of the text's front face (glyph units, before
    // the alignment shift) lands.
    Rgb At(double x, double y, int* px = nullptr, int* py = nullptr) {
        float shift[3];
        font.GetAlignmentShift(kText, shift);
        GLint viewport[4] = {0, 0, kW, kH};
        double wx, wy, wz;
        gluProject(x + shift[0], y + shift[1], shift[2], modelview, projection, viewport, &wx, &wy, &wz);
        int ix = int(wx), iy = int(wy);
        if (px) *px = ix;
        if (py) *py = iy;
        return Pixel(ix, iy);
    }
    Rgb Pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= kW || y >= kH) return {-1, -1, -1};
        const uint8_t* p = &pixels[(size_t(y) * kW + x) * 4];
        return {p[0], p[1], p[2]};
    }
    static bool IsBackground(Rgb c) { return c.r < 30 && c.g < 30 && c.b > 30 && c.b < 70; }
    static bool IsGold(Rgb c) { return c.r > 60 && c.r > c.b + 30 && c.g > c.b; }

    // x offset of the glyph at `index` in kText.
    double PenAt(size_t index) const {
        double x = 0;
        for (size_t i = 0; i < index; ++i) x += font.GetMetrics(static_cast<unsigned char>(kText[i])).cellIncX;
        return x;
    }
    // Centre of the black box of the glyph at `index`.
    void BoxCentre(size_t index, double& x, double& y) const {
        const GlyphMetricsFloat& m = font.GetMetrics(static_cast<unsigned char>(kText[index]));
        x = PenAt(index) + m.originX + m.blackBoxX / 2;
        y = m.originY - m.blackBoxY / 2;
    }

    std::unique_ptr<GLTestContext> gl;
    COutlineFont font;
    GLdouble modelview[16], projection[16];
    std::vector<uint8_t> pixels;
};

}  // namespace

TEST_F(OutlineFontRender, LitTurnedLineLandsWhereItShould) {
    Draw(1.0f);
    std::string dir = std::string(MG_SOURCE_DIR) + "/shots";
    std::filesystem::create_directories(GLTestContext::HostPath(dir));
    EXPECT_TRUE(gl->SavePng(GLTestContext::HostPath(dir + "/outline_font_" + GLTestContext::PlatformName() + ".png")));

    for (int x : {0, kW - 1})
        for (int y : {0, kH - 1}) EXPECT_TRUE(IsBackground(Pixel(x, y))) << x << "," << y;

    std::string text = kText;
    // The bars of 'I' and 'l' are solid at their box centres.
    for (size_t index : {text.size() - 2, text.size() - 1, text.find('l')}) {
        double x, y;
        BoxCentre(index, x, y);
        int px, py;
        Rgb c = At(x, y, &px, &py);
        EXPECT_TRUE(IsGold(c)) << "glyph " << index << " '" << text[index] << "' at " << px << "," << py << ": "
                               << c.r << " " << c.g << " " << c.b;
    }
    // The colon: ink in its dots, none between them; the gaps between words stay empty.
    size_t colon = text.find(':');
    double cx, cy;
    BoxCentre(colon, cx, cy);
    EXPECT_TRUE(IsBackground(At(cx, cy)));
    const GlyphMetricsFloat& m = font.GetMetrics(':');
    EXPECT_TRUE(IsGold(At(cx, m.originY - 0.06)));
    EXPECT_TRUE(IsGold(At(cx, m.originY - m.blackBoxY + 0.06)));
    for (size_t space = text.find(' '); space != std::string::npos; space = text.find(' ', space + 1))
        EXPECT_TRUE(IsBackground(At(PenAt(space) + font.GetMetrics(' ').cellIncX / 2, 0.35))) << space;

    // The ink spans the projected advance box of the whole line, no more.
    int x0 = kW, x1 = -1;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (!IsBackground(Pixel(x, y))) x0 = std::min(x0, x), x1 = std::max(x1, x);
    int left, right, unused;
    At(font.GetMetrics('M').originX, 0.35, &left, &unused);
    At(PenAt(text.size() - 1) + m.originX + font.GetMetrics('l').blackBoxX, 0.35, &right, &unused);
    EXPECT_NEAR(left, x0, 6);
    EXPECT_NEAR(right, x1, 6);
}

TEST_F(OutlineFontRender, FrontFacesFaceTheViewer) {
    // The front faces carry normals towards +z: lit from the front they are
    // bright, lit from behind only the ambient light is left on them.
    double x, y;
    BoxCentre(std::string(kText).size() - 2, x, y);
    Draw(1.0f);
    Rgb front = At(x, y);
    Draw(-1.0f);
    Rgb back = At(x, y);
    EXPECT_GT(front.r, back.r + 60) << front.r << " vs " << back.r;
    EXPECT_GT(back.r, 10);
}
