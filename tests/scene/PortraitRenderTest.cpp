// A window taller than wide (a rotated monitor, a tall preview) drawn with the
// frame's own projection: the critters and stars must show, as in landscape.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "render/Projection.h"
#include "scene/CCritters.h"
#include "scene/CEmitter.h"
#include "scene/CStarFields.h"
#include "tests/GLTestContext.h"
#include "tests/TestSupport.h"
#include "tests/render/TestBitmaps.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
constexpr int kW = 768, kH = 1024;

// A plain opaque sprite: its colour is what the frame is searched for.
const Rgb kSprite{230, 30, 200};

class PortraitRender : public ::testing::Test {
protected:
    void SetUp() override {
        savedInstall = GetInstallPath();
        SetInstallPath(dir.Path());
        const std::vector<Rgb> px(32 * 32, kSprite);
        const char* base[3] = {"ladybug", "wormbug", "beebug"};
        for (const char* b : base)
            for (char frame : {'0', '1'}) WriteWholeFile(dir.File(std::string(b) + frame + ".bmp"), MakeBmp24(32, 32, px));
        XSeedRandom(11);
        FillSinCosTables();
        gl = std::make_unique<GLTestContext>(kW, kH);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
        // The projection and state the frame loop sets for this window.
        gl->UseSceneState(ProjectionAspect(kW, kH));
        ASSERT_TRUE(CCritters::InitStatic());
    }
    void TearDown() override {
        CCritters::ReleaseStatic();
        gl.reset();
        SetInstallPath(savedInstall);
    }
    template <class Draw>
    std::vector<uint8_t> Frame(Draw draw) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        draw();
        glPopMatrix();
        return gl->ReadPixels();
    }

    TempDir dir;
    std::string savedInstall;
    std::unique_ptr<GLTestContext> gl;
};

bool Lit(const std::vector<uint8_t>& f, int x, int y) {
    const uint8_t* p = &f[(static_cast<size_t>(y) * kW + x) * 4];
    return p[0] + p[1] + p[2] > 0;
}
}  // namespace

TEST_F(PortraitRender, CrittersShowWhereTheyStandAcrossTheWholeWindow) {
    CCritters critters;
    critters.NumCritters = 5;
    critters.Setup(kW, kH);
    // The four corners' neighbourhoods and the centre, in window pixels.
    const float pos[5][2] = {{80, 80}, {kW - 80, 80}, {80, kH - 80}, {kW - 80, kH - 80}, {kW / 2, kH / 2}};
    for (int k = 0; k < 5; ++k) {
        CCritter& c = critters.GetCritters()[k];
        c.m_Kind = k % 3;
        c.m_X = pos[k][0];
        c.m_Y = pos[k][1];
        c.m_HalfSize = 0.3f;
    }
    const std::vector<uint8_t> f = Frame([&] { critters.Draw(); });
    if (std::getenv("MG_SAVE_FRAMES")) gl->SavePng(std::string(std::getenv("MG_SAVE_FRAMES")) + "/portrait_critters.png");
    for (int k = 0; k < 5; ++k) {
        // The camera looks along +z: window x runs right to left on screen.
        const int sx = kW - static_cast<int>(pos[k][0]), sy = static_cast<int>(pos[k][1]);
        int sprite = 0;
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx) {
                const uint8_t* p = &f[(static_cast<size_t>(sy + dy) * kW + sx + dx) * 4];
                if (std::abs(p[0] - kSprite.r) < 30 && std::abs(p[1] - kSprite.g) < 30 && std::abs(p[2] - kSprite.b) < 30)
                    ++sprite;
            }
        EXPECT_GT(sprite, 60) << "critter " << k << " at " << sx << "," << sy;
    }
}

TEST_F(PortraitRender, StarsFillEveryQuarterOfTheWindow) {
    for (int32_t type : {kStarsHorizontal, kStarsWarp}) {
        SCOPED_TRACE(type);
        CStarFields stars;
        stars.Enabled = true;
        stars.Type = type;
        stars.Amount = 4000;
        stars.ColorScheme = 4;
        stars.Setup(kW, kH);
        std::vector<uint8_t> f;
        // Warp stars start far away and come closer; a few frames spread them out.
        for (int i = 0; i < 5; ++i) {
            stars.Process();
            f = Frame([&] { stars.Draw(); });
        }
        int quarter[2][2] = {{0, 0}, {0, 0}};
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x)
                if (Lit(f, x, y)) ++quarter[y * 2 / kH][x * 2 / kW];
        for (int qy = 0; qy < 2; ++qy)
            for (int qx = 0; qx < 2; ++qx) EXPECT_GT(quarter[qy][qx], 50) << "quarter " << qx << "," << qy;
    }
}
