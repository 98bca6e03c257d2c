// The temperature drawn into an offscreen context the way the frame draws it:
// the scene's perspective, the camera placed, then the overlay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "services/CWeatherData.h"
#include "tests/GLTestContext.h"

namespace {

constexpr int W = 1024, H = 768;

class WeatherDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        gl = std::make_unique<GLTestContext>(W, H);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
        gl->UseSceneState(1.0);
        glDisable(GL_DITHER);
        FillSinCosTables();
        w.ZipCode = "12345";
        w.DisplayTemp = true;
        w.Setup(W, H, gl->DeviceContext());
        ASSERT_TRUE(w.Font.IsSetUp());
        w.SpinAngle = -1;  // upright letters
    }
    void TearDown() override {
        w.Release();
        gl.reset();
    }

    std::vector<uint8_t> Frame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        w.Draw(XDateTime());
        glPopMatrix();
        glFinish();
        return gl->ReadPixels();
    }

    // Sums of the lit pixels' channels inside a box in overlay coordinates (-1..1).
    struct Tally {
        int lit = 0;
        double rgb[3] = {0, 0, 0};
    };
    static Tally Count(const std::vector<uint8_t>& px, float x0, float x1, float y0, float y1) {
        auto col = [](float x) { return static_cast<int>(std::lround((x + 1) / 2 * W)); };
        auto row = [](float y) { return static_cast<int>(std::lround((y + 1) / 2 * H)); };
        Tally t;
        for (int y = std::max(0, row(y0)); y < std::min(H, row(y1)); ++y)
            for (int x = std::max(0, col(x0)); x < std::min(W, col(x1)); ++x) {
                const uint8_t* p = &px[static_cast<size_t>((y * W + x) * 4)];
                if (p[0] + p[1] + p[2] < 30) continue;
                ++t.lit;
                for (int k = 0; k < 3; ++k) t.rgb[k] += p[k];
            }
        return t;
    }

    std::unique_ptr<GLTestContext> gl;
    CWeatherData w;
};

}  // namespace

// The digits sit at the top right in the temperature's colour, and nowhere else.
TEST_F(WeatherDrawTest, TemperatureAtTheTopRightInItsColour) {
    struct Case {
        const char* temp;
        float r, g, b;
    } cases[] = {{"35", 0, 0, 1}, {"53.75", 0, 1, 1}, {"72.5", 0, 1, 0}, {"91.25", 1, 1, 0}, {"110", 1, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.temp);
        w.TakeReply((std::string("<Temp>") + c.temp + "</Temp>").c_str());
        const auto px = Frame();
        const Tally corner = Count(px, 0.85f, 1.0f, 0.88f, 0.97f);
        const Tally rest = Count(px, -1.0f, 0.8f, -1.0f, 0.8f);
        EXPECT_GT(corner.lit, 40);
        EXPECT_EQ(rest.lit, 0);
        const double total = corner.rgb[0] + corner.rgb[1] + corner.rgb[2];
        ASSERT_GT(total, 0.0);
        const float want[3] = {c.r, c.g, c.b};
        const double wantTotal = c.r + c.g + c.b;
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(corner.rgb[k] / total, want[k] / wantTotal, 0.05) << "channel " << k;
    }
    if (::testing::Test::HasFailure()) gl->SavePng(std::string("weather-draw-") + GLTestContext::PlatformName() + ".png");
}

// "1000" (no report yet) and 200 or more draw no digits; the swirl still
// turns (10 degrees a frame) and its particles glow in the corner.
TEST_F(WeatherDrawTest, NoDigitsWithoutAReportButTheSwirlRuns) {
    for (const char* temp : {CWeatherData::kNoTemperature, "200"}) {
        w.TakeReply((std::string("<Temp>") + temp + "</Temp>").c_str());
        const int angle = w.SwirlAngle;
        EXPECT_EQ(Count(Frame(), 0.85f, 1.0f, 0.88f, 0.97f).lit, 0) << temp;
        EXPECT_EQ(w.SwirlAngle, (angle + 10) % 360);
    }
    for (int i = 0; i < 40; ++i) w.Process(XDateTime());
    EXPECT_GT(w.Swirl.GetLiveCount(), 0);
    EXPECT_GT(Count(Frame(), 0.8f, 1.0f, 0.8f, 1.0f).lit, 0);
    EXPECT_EQ(GLenum(GL_NO_ERROR), glGetError());
}

// Hidden (no zip code, or the display off): nothing at all, and the swirl stands still.
TEST_F(WeatherDrawTest, HiddenDrawsNothing) {
    w.TakeReply("<Temp>72</Temp>");
    for (int i = 0; i < 40; ++i) w.Process(XDateTime());
    for (int hide = 0; hide < 2; ++hide) {
        w.ZipCode = hide ? "" : "12345";
        w.DisplayTemp = hide == 0 ? false : true;
        const int live = w.Swirl.GetLiveCount();
        w.Process(XDateTime());
        EXPECT_EQ(w.Swirl.GetLiveCount(), live);
        EXPECT_EQ(Count(Frame(), -1.0f, 1.0f, -1.0f, 1.0f).lit, 0);
    }
}

// However long the reported text, at most 16 characters are drawn: a text
// that runs on draws exactly as its first 16 do, and the value is kept whole.
TEST_F(WeatherDrawTest, LongTextsAreDrawnCut) {
    struct Case {
        std::string text, drawn;
    } cases[] = {
        {"72", "72"},
        {"1234567890123456", "1234567890123456"},
        {"12345678901234567", "1234567890123456"},
        {"50" + std::string(200000, 'x'), "50" + std::string(14, 'x')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::string(CWeatherData::DrawnText(XString(c.text.c_str())).View()), c.drawn) << c.text.size();

    // Letters after the number, so the value still reads as 50 and is drawn.
    const std::string cut = "50" + std::string(14, 'x');
    w.TakeReply(("<Temp>" + cut + "</Temp>").c_str());
    const auto expected = Frame();
    EXPECT_GT(Count(expected, 0.85f, 1.0f, 0.88f, 0.97f).lit, 40);
    const std::string endless = "50" + std::string(100000, 'x');
    w.TakeReply(("<Temp>" + endless + "</Temp>").c_str());
    EXPECT_EQ(w.GetTemperatureText().GetLength(), endless.size());
    EXPECT_TRUE(Frame() == expected);
}
