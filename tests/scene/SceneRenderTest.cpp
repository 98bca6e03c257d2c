// Star fields, fog and particle discs drawn offscreen with the instance's own
// projection and camera, checked in the frame read back (fixed seed).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "platform/GLInclude.h"
#include "scene/CEffects.h"
#include "scene/CEmitter.h"
#include "scene/CStarFields.h"
#include "tests/GLTestContext.h"
#include "xlib/XRandom.h"

namespace {

constexpr int kW = 320, kH = 240;

struct Rgb {
    int r, g, b;
};

class SceneRender : public ::testing::Test {
protected:
    void SetUp() override {
        XSeedRandom(2024);
        FillSinCosTables();
        gl = std::make_unique<GLTestContext>(kW, kH);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
        // The state the instance leaves after its set-up.
        gl->UseSceneState(ProjectionAspect(kW, kH));
        glDisable(GL_DITHER);
        glShadeModel(GL_SMOOTH);
    }
    void TearDown() override { gl.reset(); }

    // Clears and places the camera as a frame does; PopCamera ends the frame.
    void BeginFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
    }
    void EndFrame(const char* shot) {
        glPopMatrix();
        pixels = gl->ReadPixels();
        std::string dir = std::string(MG_SOURCE_DIR) + "/shots";
        std::filesystem::create_directories(GLTestContext::HostPath(dir));
        gl->SavePng(GLTestContext::HostPath(dir + "/" + shot + "_" + GLTestContext::PlatformName() + ".png"));
    }

    Rgb Pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= kW || y >= kH) return {-1, -1, -1};
        size_t i = (static_cast<size_t>(y) * kW + x) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    // Window position of a scene point under the camera.
    void Project(double x, double y, double z, double& wx, double& wy) const {
        GLint viewport[4] = {0, 0, kW, kH};
        double wz;
        gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
    }
    Rgb At(double x, double y, double z) const {
        double wx, wy;
        Project(x, y, z, wx, wy);
        return Pixel(static_cast<int>(wx), static_cast<int>(wy));
    }
    // Brightest pixel within `radius` of a window position (lines and points
    // may land a pixel off their exact position).
    Rgb Near(double wx, double wy, int radius = 1) const {
        Rgb best{0, 0, 0};
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx) {
                Rgb c = Pixel(static_cast<int>(wx) + dx, static_cast<int>(wy) + dy);
                if (c.r + c.g + c.b > best.r + best.g + best.b) best = c;
            }
        return best;
    }
    int LitPixels() const {
        int n = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) n += (pixels[i] | pixels[i + 1] | pixels[i + 2]) ? 1 : 0;
        return n;
    }

    std::unique_ptr<GLTestContext> gl;
    GLdouble modelview[16], projection[16];
    std::vector<uint8_t> pixels;
};

// One white star per layer; the field's own stars are replaced by hand-placed ones.
std::unique_ptr<CStarFields> OneStarPerLayer(int32_t type, bool rotate = false) {
    auto f = std::make_unique<CStarFields>();
    f->Enabled = true;
    f->Type = type;
    f->Amount = 4;
    f->ColorScheme = 4;
    f->Speed = 3;
    f->RotateStars = rotate;
    f->Setup(kW, kH);
    return f;
}

}  // namespace

TEST_F(SceneRender, WarpStreaksFadeFromTheStarTowardsTheFarEnd) {
    auto f = OneStarPerLayer(kStarsWarp);
    const float pos[4][3] = {{2.0f, 1.0f, 4.0f}, {-2.5f, -1.5f, 6.0f}, {3.0f, -2.0f, 8.0f}, {-1.0f, 2.0f, 3.0f}};
    for (int i = 0; i < 4; ++i) {
        Star& s = f->Layer(i).GetStar(0);
        s.x = pos[i][0];
        s.y = pos[i][1];
        s.z = pos[i][2];
    }
    BeginFrame();
    f->Draw();
    EndFrame("stars_warp");

    for (int i = 0; i < 4; ++i) {
        const float* p = pos[i];
        double hx, hy, tx, ty;
        Project(p[0], p[1], p[2], hx, hy);
        Project(p[0], p[1], p[2] + 2.5, tx, ty);
        Rgb head = Near(hx, hy);
        Rgb mid = Near((hx + tx) / 2, (hy + ty) / 2);
        EXPECT_GT(head.r, 200) << "star " << i;
        EXPECT_EQ(head.r, head.b) << "white stars stay grey along the streak";
        EXPECT_LT(mid.r, head.r - 40) << "star " << i;
        EXPECT_GT(mid.r, 40) << "star " << i;
        // Farther stars lie nearer the centre: the streak points away from it.
        double headOff = std::hypot(hx - kW / 2.0, hy - kH / 2.0);
        double tailOff = std::hypot(tx - kW / 2.0, ty - kH / 2.0);
        EXPECT_GT(headOff, tailOff) << "star " << i;
    }
    // Nothing but the four short streaks.
    EXPECT_LT(LitPixels(), 400);
    EXPECT_GT(LitPixels(), 20);
    EXPECT_EQ(0, Pixel(5, 5).r);
}

TEST_F(SceneRender, WarpRotationTurnsTheLayersAboutTheViewAxis) {
    auto f = OneStarPerLayer(kStarsWarp, true);
    f->ForceRotationSense(1);
    f->Speed = 0;  // keep the stars where they are while the angle is set
    for (int i = 0; i < 4; ++i) {
        Star& s = f->Layer(i).GetStar(0);
        s.x = 3.0f;
        s.y = 0.0f;
        s.z = 5.0f;
        f->Layer(i).Rotate(90.0f, 1);
    }
    BeginFrame();
    f->Draw();
    EndFrame("stars_warp_turned");
    double wx, wy;
    Project(0.0, 3.0, 5.0, wx, wy);  // (3, 0) turned 90 degrees about z
    EXPECT_GT(Near(wx, wy).r, 200);
    Project(3.0, 0.0, 5.0, wx, wy);
    EXPECT_EQ(0, Near(wx, wy, 2).r);

    // The same layers without the switch stay unturned.
    auto g = OneStarPerLayer(kStarsWarp, false);
    for (int i = 0; i < 4; ++i) {
        Star& s = g->Layer(i).GetStar(0);
        s.x = 3.0f;
        s.y = 0.0f;
        s.z = 5.0f;
        g->Layer(i).Rotate(90.0f, 1);
    }
    BeginFrame();
    g->Draw();
    EndFrame("stars_warp_unturned");
    Project(3.0, 0.0, 5.0, wx, wy);
    EXPECT_GT(Near(wx, wy).r, 200);
}

TEST_F(SceneRender, ScrollingPointsCoverTheWindowDimmedPerLayerAndUnfogged) {
    auto f = OneStarPerLayer(kStarsHorizontal);
    // Whole-pixel centres; layer i on row 40 + 40 i.
    for (int i = 0; i < 4; ++i) {
        Star& s = f->Layer(i).GetStar(0);
        s.x = 100.5f;
        s.y = 40.5f + 40.0f * i;
    }
    // Fog is on for the scene; the points switch it off while they draw.
    CEffects fx;
    fx.Fog = true;
    fx.FogDensity = 100;
    fx.FogRed = 255;
    fx.FogGreen = 0;
    fx.FogBlue = 0;
    fx.ApplyFog();
    f->Process();  // layer 0 moves 1.75 pixels, layer 3 one pixel, to the left
    BeginFrame();
    f->Draw();
    EndFrame("stars_scroll");

    const float moved[4] = {1.75f, 1.5f, 1.25f, 1.0f};
    const int want[4] = {255, 213, 182, 159};  // 255 over 1.0, 1.2, 1.4, 1.6
    for (int i = 0; i < 4; ++i) {
        double x = 100.5 - moved[i];
        Rgb c = Near(x, 40.5 + 40 * i);
        EXPECT_NEAR(want[i], c.r, 2) << "layer " << i;
        EXPECT_EQ(c.r, c.g) << "layer " << i;
        EXPECT_EQ(c.r, c.b) << "layer " << i;
        EXPECT_EQ(0, Pixel(101, 40 + 40 * i).r) << "layer " << i << " left its old place";
    }
    EXPECT_LE(LitPixels(), 8);

    // The scene's projection, matrix mode and fog are back afterwards.
    GLdouble after[16];
    glGetDoublev(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(projection[i], after[i]);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_MODELVIEW, mode);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(SceneRender, DisabledFieldDrawsNothing) {
    for (int32_t type : {kStarsHorizontal, kStarsWarp}) {
        auto f = std::make_unique<CStarFields>();
        f->Enabled = false;
        f->Type = type;
        f->Amount = 4000;
        f->ColorScheme = 4;
        f->Setup(kW, kH);
        BeginFrame();
        f->Draw();
        EndFrame("stars_disabled");
        EXPECT_EQ(0, LitPixels()) << type;
    }
}

TEST_F(SceneRender, FogTintsDistantStreaksWithTheFogColour) {
    CEffects fx;
    fx.Fog = true;
    fx.FogDensity = 100;  // 0.1
    fx.FogRed = 255;
    fx.FogGreen = 0;
    fx.FogBlue = 0;
    fx.ApplyFog();

    GLfloat colour[4], density = 0;
    GLint mode = 0;
    glGetFloatv(GL_FOG_COLOR, colour);
    glGetFloatv(GL_FOG_DENSITY, &density);
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_NEAR(255.0 / 265.0, colour[0], 1e-6);
    EXPECT_EQ(0.0f, colour[1]);
    EXPECT_EQ(1.0f, colour[3]);
    EXPECT_FLOAT_EQ(0.1f, density);
    EXPECT_EQ(GL_EXP, mode);
    EXPECT_TRUE(glIsEnabled(GL_FOG));

    auto f = OneStarPerLayer(kStarsWarp);
    const float pos[4][3] = {{30.0f, 20.0f, 50.0f}, {-1.5f, -1.0f, -3.0f}, {-30.0f, -20.0f, 50.0f}, {-2.0f, 1.5f, 0.0f}};
    for (int i = 0; i < 4; ++i) {
        Star& s = f->Layer(i).GetStar(0);
        s.x = pos[i][0];
        s.y = pos[i][1];
        s.z = pos[i][2];
    }
    BeginFrame();
    f->Draw();
    EndFrame("stars_fog");

    // 56 units away the white star is all haze: red at 255/265, never pure.
    double wx, wy;
    Project(30.0, 20.0, 50.0, wx, wy);
    Rgb distant = Near(wx, wy);
    EXPECT_NEAR(245, distant.r, 4);
    EXPECT_LT(distant.g, 10);
    // 3 units away most of the white survives: exp(-0.3) of it.
    Project(-1.5, -1.0, -3.0, wx, wy);
    Rgb close = Near(wx, wy);
    EXPECT_NEAR(255 * std::exp(-0.3), close.g, 12);
    EXPECT_GT(close.r, close.g);
    // The cleared background is not fogged.
    EXPECT_EQ(0, Pixel(2, 2).r);

    // Switched off, the same star is white again.
    fx.Fog = false;
    fx.ApplyFog();
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    BeginFrame();
    f->Draw();
    EndFrame("stars_nofog");
    Project(30.0, 20.0, 50.0, wx, wy);
    Rgb plain = Near(wx, wy);
    EXPECT_GT(plain.g, 200);
    EXPECT_EQ(plain.r, plain.g);
}

namespace {
// One particle of radius 1 at the origin in orange, born and left in place.
std::unique_ptr<CEmitter> OneDisc(uint8_t shape, uint8_t segments) {
    auto e = std::make_unique<CEmitter>();
    e->Create(4);
    e->SetRate(10);
    e->SetLife(5.0f, 0.0f);
    e->SetSize(1.0f, 0.0f, 1.0f);
    e->SetSpeed(0.0f, 0.0f);
    e->SetColours(1.0f, 0.5f, 0.0f, 1.0f, 0, 0, 0, 0, 1.0f, 0.5f, 0.0f, 1.0f);
    e->SetShape(shape, segments);
    e->Update(0.1f);
    return e;
}
}  // namespace

TEST_F(SceneRender, ParticleDiscGlowsFromItsCentreAndLeavesTheLastSectorOpen) {
    auto e = OneDisc(0, 7);
    ASSERT_TRUE(e->GetParticles()[0].IsLive());
    SetRotationSense(-1);
    BeginFrame();
    e->Draw(1);
    EndFrame("emitter_disc7");
    SetRotationSense(1);

    Rgb centre = At(0.05, 0.02, 0.0);
    EXPECT_GT(centre.r, 230);
    EXPECT_NEAR(centre.r / 2, centre.g, 12);
    EXPECT_EQ(0, centre.b);
    auto polar = [&](double deg, double r) {
        double a = deg * 3.14159265358979 / 180.0;
        return At(r * std::cos(a), r * std::sin(a), 0.0);
    };
    // Fading towards the rim.
    EXPECT_GT(polar(330, 0.3).r, polar(330, 0.7).r);
    EXPECT_GT(polar(330, 0.7).r, 5);
    EXPECT_GT(polar(20, 0.5).r, 30);
    // Rim points every 51 degrees stop at 357: the sliver up to 360 stays dark.
    EXPECT_EQ(0, polar(358.6, 0.8).r);
    EXPECT_EQ(0, polar(0, 1.2).r);  // outside the disc

    // Drawn from its other side (clockwise front faces) the disc is culled.
    BeginFrame();
    e->Draw(0);
    EndFrame("emitter_culled");
    EXPECT_EQ(0, LitPixels());
}

TEST_F(SceneRender, OtherShapesAndEmptyEmittersDrawNothing) {
    auto e = OneDisc(1, 3);
    BeginFrame();
    e->Draw(1);
    EndFrame("emitter_shape1");
    EXPECT_EQ(0, LitPixels());

    CEmitter empty;  // no pool: an empty batch
    BeginFrame();
    empty.Draw(1);
    EndFrame("emitter_empty");
    EXPECT_EQ(0, LitPixels());
    EXPECT_EQ(GL_NO_ERROR, glGetError());

    // Three segments: a triangle with corners at 0, 120 and 240 degrees.
    auto tri = OneDisc(0, 3);
    BeginFrame();
    tri->Draw(1);
    EndFrame("emitter_disc3");
    EXPECT_GT(At(0.3, 0.0, 0.0).r, 40);
    EXPECT_EQ(0, At(-0.7, 0.0, 0.0).r);  // past the edge between 120 and 240
}
