// The overlay drawn into an offscreen context the way the frame draws it:
// the scene's perspective, the camera placed, then the overlay.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "services/CSystemDateTime.h"
#include "tests/GLSnapshot.h"
#include "tests/GLTestContext.h"

namespace {

constexpr int W = 1024, H = 768;

XDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    XDateTime t;
    EXPECT_TRUE(t.Set(y, mo, d, h, mi, s, 0));
    return t;
}

class DateTimeDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        gl = std::make_unique<GLTestContext>(W, H);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
        // The frame's own state, as the screen saver sets it up.
        gl->UseSceneState(1.0);
        glDisable(GL_DITHER);
        glShadeModel(GL_FLAT);
        // Plain white letters, so the pixels are easy to judge.
        dt.CycleRed = dt.CycleGreen = dt.CycleBlue = false;
        dt.CycleTimeRed = dt.CycleTimeGreen = dt.CycleTimeBlue = false;
        dt.Setup(W, H, gl->DeviceContext());
        ASSERT_TRUE(dt.Font.IsSetUp());
    }
    void TearDown() override {
        dt.Release();
        gl.reset();
    }

    // One frame: clear, camera, overlay; the pixels read back.
    std::vector<uint8_t> Frame(const XDateTime& now) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        dt.Draw(now);
        glPopMatrix();
        glFinish();
        return gl->ReadPixels();
    }

    // Lit pixels inside a box given in the overlay's own coordinates (-1..1).
    static int Lit(const std::vector<uint8_t>& px, float x0, float x1, float y0, float y1) {
        auto col = [](float x) { return static_cast<int>(std::lround((x + 1) / 2 * W)); };
        auto row = [](float y) { return static_cast<int>(std::lround((y + 1) / 2 * H)); };
        int n = 0;
        for (int y = std::max(0, row(y0)); y < std::min(H, row(y1)); ++y)
            for (int x = std::max(0, col(x0)); x < std::min(W, col(x1)); ++x) {
                const uint8_t* p = &px[static_cast<size_t>((y * W + x) * 4)];
                if (p[0] > 40 || p[1] > 40 || p[2] > 40) ++n;
            }
        return n;
    }

    std::unique_ptr<GLTestContext> gl;
    CSystemDateTime dt;
};

}  // namespace

// Every combination of the five switches, on a holiday and on a plain day,
// spinning or not: the scene's state is as it was and no error is left.
TEST_F(DateTimeDrawTest, LeavesTheGLStateAsItFoundIt) {
    dt.CountDownTo = At(2004, 12, 31, 23, 59);
    dt.CountDownMessage = "to go";
    glEnable(GL_FOG);  // the overlay turns fog off for itself only
    glPushMatrix();
    gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError());
    for (int bits = 0; bits < 32; ++bits) {
        dt.DisplayTime = bits & 1;
        dt.DisplayDate = bits & 2;
        dt.DisplayHolidays = bits & 4;
        dt.DisplayMoonPhase = bits & 8;
        dt.EnableCountDown = bits & 16;
        for (int spin : {-1, 90}) {
            dt.SpinAngle = spin;
            for (const XDateTime& now : {At(2004, 12, 25, 0, 30), At(2005, 1, 2, 12, 30)}) {
                const GLSnapshot before = GLSnapshot::Take();
                dt.Draw(now);
                const GLSnapshot after = GLSnapshot::Take();
                before.ExpectSame(after, "switches " + std::to_string(bits));
                ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError()) << bits;
            }
        }
    }
    glPopMatrix();
    glDisable(GL_FOG);
}

TEST_F(DateTimeDrawTest, NothingSwitchedOnDrawsNothing) {
    dt.DisplayMoonPhase = false;
    std::vector<uint8_t> px = Frame(At(2004, 12, 25, 9, 5, 7));
    EXPECT_EQ(Lit(px, -1, 1, -1, 1), 0);
    // Only the moon phase: the pass runs and draws no line.
    dt.DisplayMoonPhase = true;
    px = Frame(At(2004, 12, 25, 9, 5, 7));
    EXPECT_EQ(Lit(px, -1, 1, -1, 1), 0);
}

TEST_F(DateTimeDrawTest, LinesStandWhereTheyBelong) {
    dt.DisplayTime = dt.DisplayDate = dt.DisplayHolidays = dt.EnableCountDown = true;
    dt.CountDownTo = At(2004, 12, 31, 23, 59);
    dt.CountDownMessage = "until the new year";
    const XDateTime christmas = At(2004, 12, 25, 21, 5, 7);
    std::vector<uint8_t> px = Frame(christmas);
    if (const char* dir = std::getenv("MG_SCREENSHOT_DIR"))
        gl->SavePng(std::string(dir) + "/datetime-overlay-" + GLTestContext::PlatformName() + ".png");

    // Date and time, right-aligned at x 0.86 around y 0.925.
    EXPECT_GT(Lit(px, 0.0f, 0.86f, 0.91f, 0.94f), 200);
    EXPECT_EQ(Lit(px, 0.87f, 1.0f, 0.90f, 0.99f), 0);
    // The holiday just above it, also ending at 0.86, shorter than the date line.
    const int holiday = Lit(px, 0.3f, 0.86f, 0.952f, 0.98f);
    EXPECT_GT(holiday, 50);
    EXPECT_EQ(Lit(px, -1.0f, 0.3f, 0.952f, 0.98f), 0);
    // The countdown and its message centred at the foot: ink on both sides of the middle.
    EXPECT_GT(Lit(px, -0.6f, 0.0f, -0.95f, -0.92f), 100);
    EXPECT_GT(Lit(px, 0.0f, 0.6f, -0.95f, -0.92f), 100);
    EXPECT_GT(Lit(px, -0.4f, 0.0f, -0.985f, -0.96f), 50);
    EXPECT_GT(Lit(px, 0.0f, 0.4f, -0.985f, -0.96f), 50);
    // Nothing in between.
    EXPECT_EQ(Lit(px, -1.0f, 1.0f, -0.9f, 0.9f), 0);
    // The letters take their colour from the cycler: pure red stays red.
    dt.TimeColor.Color[0] = 255;
    dt.TimeColor.Color[1] = dt.TimeColor.Color[2] = 0;
    px = Frame(christmas);
    int red = 0, other = 0;
    for (size_t i = 0; i < px.size(); i += 4) {
        if (px[i] > 40) ++red;
        if (px[i + 1] > 40 || px[i + 2] > 40) ++other;
    }
    EXPECT_GT(red, 500);
    EXPECT_GT(other, 100);  // the countdown colour is still white
    int greenTop = 0;
    for (int y = static_cast<int>(0.95 * H); y < H; ++y)
        for (int x = 0; x < W; ++x) greenTop += px[static_cast<size_t>((y * W + x) * 4 + 1)] > 40;
    EXPECT_EQ(greenTop, 0);

    // On a day with no observance the holiday line stays empty; with the
    // target reached, both countdown lines go.
    dt.CountDownTo = At(2005, 1, 2, 21, 5, 7);
    px = Frame(At(2005, 1, 2, 21, 5, 7));
    EXPECT_GT(Lit(px, 0.0f, 0.86f, 0.91f, 0.94f), 200);
    EXPECT_EQ(Lit(px, -1.0f, 1.0f, 0.95f, 1.0f), 0);
    EXPECT_EQ(Lit(px, -1.0f, 1.0f, -1.0f, -0.9f), 0);
    // A holiday line is no one else's business: another calendar shows none.
    dt.HolidaysFor = "Canada";
    px = Frame(christmas);
    EXPECT_EQ(Lit(px, -1.0f, 1.0f, 0.952f, 1.0f), 0);
}

// Rows of the frame that hold ink inside a box of the overlay's coordinates.
int InkRows(const std::vector<uint8_t>& px, float x0, float x1) {
    int rows = 0;
    for (int y = 0; y < H; ++y) {
        bool ink = false;
        for (int x = static_cast<int>((x0 + 1) / 2 * W); x < static_cast<int>((x1 + 1) / 2 * W) && !ink; ++x)
            ink = px[static_cast<size_t>((y * W + x) * 4)] > 10;  // the turned fronts catch little light
        rows += ink;
    }
    return rows;
}

TEST_F(DateTimeDrawTest, SpinTurnsTheLinesAboutTheirAxis) {
    dt.DisplayTime = true;
    dt.SpinAngle = -1;
    const int flat = InkRows(Frame(At(2004, 12, 25, 21, 5, 7)), 0.0f, 0.86f);
    // Nearly edge-on, the lit fronts of the letters are squeezed to a few rows.
    dt.SpinAngle = 80;
    const int edgeOn = InkRows(Frame(At(2004, 12, 25, 21, 5, 7)), 0.0f, 0.86f);
    EXPECT_GE(flat, 9);
    EXPECT_LT(edgeOn, flat);
    EXPECT_GT(edgeOn, 0);
}
