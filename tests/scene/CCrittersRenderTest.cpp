// Critters drawn through the frame loop's camera into an offscreen frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "scene/CCritters.h"
#include "tests/GLTestContext.h"
#include "tests/TestSupport.h"
#include "tests/render/TestBitmaps.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
constexpr int kW = 256, kH = 256;
const Rgb kKey{255, 1, 222};
// Sprite colours: each kind's body, and one head colour shared by all.
const Rgb kBody[3] = {{220, 20, 20}, {20, 20, 220}, {230, 200, 10}};
const Rgb kHead{0, 240, 0};

// 32 x 32 sprite: a key border, the head in the top half (the right half for
// the worm, which crawls sideways), the body in the rest.
std::string SpriteFile(int kind) {
    std::vector<Rgb> px(32 * 32, kKey);
    for (int y = 4; y < 28; ++y)
        for (int x = 4; x < 28; ++x) {
            const bool head = kind == kCritterWiggleWorm ? x >= 16 : y < 16;  // y counts from the top here
            px[y * 32 + x] = head ? kHead : kBody[kind];
        }
    return MakeBmp24(32, 32, px);
}

bool Near(const uint8_t* p, Rgb c, int tol = 40) {
    return std::abs(p[0] - c.r) <= tol && std::abs(p[1] - c.g) <= tol && std::abs(p[2] - c.b) <= tol;
}

struct Centroid {
    double x = 0, y = 0;
    int n = 0;
    void Add(int px, int py) {
        x += px;
        y += py;
        ++n;
    }
    double X() const { return x / n; }
    double Y() const { return y / n; }
};

class CrittersRender : public ::testing::Test {
protected:
    void SetUp() override {
        savedInstall = GetInstallPath();
        SetInstallPath(dir.Path());
        const char* base[3] = {"ladybug", "wormbug", "beebug"};
        for (int kind = 0; kind < 3; ++kind)
            for (int frame = 0; frame < 2; ++frame)
                WriteWholeFile(dir.File(std::string(base[kind]) + char('0' + frame) + ".bmp"), SpriteFile(kind));
        gl = std::make_unique<GLTestContext>(kW, kH);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
        // The frame loop's projection and state.
        gl->UseSceneState(1.0);
        ASSERT_TRUE(CCritters::InitStatic());
        for (int i = 0; i < 6; ++i) ASSERT_FALSE(CCritters::Sprite(i).IsEmpty()) << i;
    }
    void TearDown() override {
        CCritters::ReleaseStatic();
        gl.reset();
        SetInstallPath(savedInstall);
    }

    // The shipped sprites in place of the test's own, for a fresh InitStatic.
    void UseShippedSprites() {
        CCritters::ReleaseStatic();
        const char* base[3] = {"ladybug", "wormbug", "beebug"};
        for (int kind = 0; kind < 3; ++kind)
            for (int frame = 0; frame < 2; ++frame) {
                const std::string name = std::string(base[kind]) + char('0' + frame) + ".bmp";
                WriteWholeFile(dir.File(name), ReadWholeFile(std::string(MG_SOURCE_DIR) + "/assets/" + name));
            }
    }
    std::vector<uint8_t> Frame(CCritters& critters) {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        critters.Draw();
        glPopMatrix();
        return gl->ReadPixels();
    }

    // Head and body centroids of all sprite pixels, in frame pixels (y up).
    static void Measure(const std::vector<uint8_t>& f, int kind, Centroid& head, Centroid& body) {
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint8_t* p = &f[(y * kW + x) * 4];
                if (Near(p, kHead, 30)) head.Add(x, y);
                if (Near(p, kBody[kind], 30)) body.Add(x, y);
            }
    }

    TempDir dir;
    std::string savedInstall;
    std::unique_ptr<GLTestContext> gl;
};
}  // namespace

TEST_F(CrittersRender, EachCritterShowsWhereItStandsWithoutKeyColour) {
    CCritters critters;
    critters.NumCritters = 3;
    critters.Size = 2;
    XSeedRandom(7);
    critters.Setup(kW, kH);
    // Window positions; the camera looks along +z, so window x runs right to left on screen.
    const float pos[3][2] = {{60, 60}, {128, 200}, {200, 100}};
    for (int k = 0; k < 3; ++k) {
        CCritter& c = critters.GetCritters()[k];
        ASSERT_EQ(k, c.m_Kind);
        c.m_X = pos[k][0];
        c.m_Y = pos[k][1];
        c.m_HalfSize = 0.3f;
    }
    const std::vector<uint8_t> f = Frame(critters);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        const int sx = kW - static_cast<int>(pos[k][0]), sy = static_cast<int>(pos[k][1]);
        // A small square around the critter's place is all sprite: head or body
        // colour, or a blend of the two where linear filtering meets their border.
        int exact = 0;
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                const uint8_t* p = &f[((sy + dy) * kW + sx + dx) * 4];
                EXPECT_GT(p[0] + p[1] + p[2], 150) << dx << "," << dy;
                if (Near(p, kHead) || Near(p, kBody[k])) ++exact;
            }
        EXPECT_GT(exact, 30);
    }
    int lit = 0;
    for (int i = 0; i < kW * kH; ++i) {
        const uint8_t* p = &f[i * 4];
        ASSERT_FALSE(Near(p, kKey, 20)) << "key colour at " << i % kW << "," << i / kW;
        if (p[0] + p[1] + p[2] > 0) ++lit;
    }
    // Three sprites of 0.6 scene units (about 18 pixels), 24 of 32 texels opaque.
    EXPECT_GT(lit, 3 * 11 * 11);
    EXPECT_LT(lit, 3 * 18 * 18);
    if (std::getenv("MG_SAVE_FRAMES")) gl->SavePng(std::string(std::getenv("MG_SAVE_FRAMES")) + "/critters.png");
}

TEST_F(CrittersRender, EveryCritterFacesTheWayItMoves) {
    for (int kind = 0; kind < 3; ++kind) {
        for (int heading : {0, 30, 90, 135, 200, 270, 333}) {
            if (kind == kCritterWiggleWorm && heading) continue;  // worms never turn
            SCOPED_TRACE(testing::Message() << "kind " << kind << " heading " << heading);
            CCritters critters;
            critters.NumCritters = 1;
            critters.LadyBugs = kind == 0;
            critters.WiggleWorms = kind == 1;
            critters.BuzzzyBees = kind == 2;
            critters.Setup(kW, kH);
            CCritter& c = critters.GetCritters()[0];
            c.m_X = c.m_Y = 128;
            c.m_HalfSize = 0.4f;
            c.m_Heading = heading;
            c.m_Speed = 4;
            Centroid head0, body0, head1, body1;
            Measure(Frame(critters), kind, head0, body0);
            for (int i = 0; i < 10; ++i) critters.Process();
            Measure(Frame(critters), kind, head1, body1);
            ASSERT_GT(head0.n, 20);
            ASSERT_GT(body0.n, 20);
            const double faceX = head0.X() - body0.X(), faceY = head0.Y() - body0.Y();
            const double moveX = head1.X() - head0.X(), moveY = head1.Y() - head0.Y();
            const double cosAngle =
                (faceX * moveX + faceY * moveY) / (std::hypot(faceX, faceY) * std::hypot(moveX, moveY));
            EXPECT_GT(cosAngle, std::cos(10 * 3.14159265 / 180)) << "faces (" << faceX << "," << faceY
                                                                  << ") moves (" << moveX << "," << moveY << ")";
        }
    }
}

TEST_F(CrittersRender, NothingEnabledDrawsNothing) {
    CCritters critters;
    critters.LadyBugs = critters.WiggleWorms = critters.BuzzzyBees = false;
    critters.NumCritters = 500;
    critters.Setup(kW, kH);
    const std::vector<uint8_t> f = Frame(critters);
    for (size_t i = 0; i < f.size(); i += 4) ASSERT_EQ(0, f[i] + f[i + 1] + f[i + 2]) << i / 4;
}

TEST_F(CrittersRender, MissingSpriteDrawsWithoutItsPicture) {
    CCritters::ReleaseStatic();
    std::remove(dir.File("beebug0.bmp").c_str());
    std::remove(dir.File("beebug1.bmp").c_str());
    ASSERT_TRUE(CCritters::InitStatic());
    EXPECT_TRUE(CCritters::Sprite(4).IsEmpty());
    EXPECT_TRUE(CCritters::Sprite(5).IsEmpty());
    EXPECT_FALSE(CCritters::Sprite(0).IsEmpty());
    CCritters critters;
    critters.NumCritters = 30;
    critters.Setup(kW, kH);
    Frame(critters);  // must not fail; bees draw with whatever is bound
    critters.Process();
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(CrittersRender, DrawLeavesNoStateBehind) {
    CCritters critters;
    critters.NumCritters = 60;
    XSeedRandom(99);
    critters.Setup(kW, kH);
    critters.GetCritters()[5].m_Kind = kCritterInactive;
    GLint boundBefore = -1, matrixDepth = 0, depthAfter = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundBefore);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &matrixDepth);
    Frame(critters);
    // Blending and texturing are off again, the binding is the one from before
    // (it belongs to the attributes pushed), and the matrix stack is balanced.
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = -1, mode = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(boundBefore, bound);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depthAfter);
    EXPECT_EQ(matrixDepth, depthAfter);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(GL_MODULATE, mode);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(CrittersRender, ShippedSpritesHaveNoKeyColouredRim) {
    // The shipped sprites, magnified so that filtering covers many pixels at
    // every edge. Their own colours hold no magenta, so any magenta pixel is
    // the key blended in at a sprite's edge.
    UseShippedSprites();
    ASSERT_TRUE(CCritters::InitStatic());
    CCritters critters;
    critters.NumCritters = 3;
    XSeedRandom(5);
    critters.Setup(kW, kH);
    const float pos[3][2] = {{64, 64}, {128, 190}, {192, 80}};
    for (int k = 0; k < 3; ++k) {
        CCritter& c = critters.GetCritters()[k];
        c.m_X = pos[k][0];
        c.m_Y = pos[k][1];
        c.m_HalfSize = 0.9f;  // about 55 pixels for 64 texels: every edge pixel is filtered
        c.m_Heading = 17 * k;
    }
    const std::vector<uint8_t> f = Frame(critters);
    int lit = 0, tinted = 0;
    for (int i = 0; i < kW * kH; ++i) {
        const int r = f[i * 4], g = f[i * 4 + 1], b = f[i * 4 + 2];
        if (r + g + b == 0) continue;
        ++lit;
        if (r > 2 * g + 20 && b > 2 * g + 20 && 2 * b > r) ++tinted;
    }
    EXPECT_GT(lit, 2000);
    EXPECT_EQ(0, tinted) << "of " << lit << " sprite pixels";
    if (std::getenv("MG_SAVE_FRAMES")) gl->SavePng(std::string(std::getenv("MG_SAVE_FRAMES")) + "/critters_rim.png");
}

TEST_F(CrittersRender, ThePopulationDrawnAsOneBatchLooksAsDrawnOneByOne) {
    // The shipped sprites, a crowd in every heading, size and animation frame.
    UseShippedSprites();
    ASSERT_TRUE(CCritters::InitStatic());
    ASSERT_FALSE(CCritters::Sheet().IsEmpty());
    for (int32_t size = 0; size <= CCritters::kMaxSize; ++size) {
        SCOPED_TRACE(size);
        CCritters critters;
        critters.NumCritters = 80;
        critters.Size = size;
        XSeedRandom(31 + size);
        critters.Setup(kW, kH);
        for (int i = 0; i < 7; ++i) critters.Process();
        critters.GetCritters()[3].m_Kind = kCritterInactive;
        const std::vector<uint8_t> batch = Frame(critters);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        for (uint32_t k = 0; k < critters.GetPopulationSize(); ++k) critters.GetCritters()[k].Draw();
        glPopMatrix();
        const std::vector<uint8_t> single = gl->ReadPixels();
        // The same texels land on the same pixels: rounding apart, only a
        // pixel whose centre sits on a sprite's very edge may differ.
        int lit = 0, off = 0;
        for (int i = 0; i < kW * kH; ++i) {
            int worst = 0;
            for (int ch = 0; ch < 3; ++ch) worst = std::max(worst, std::abs(batch[i * 4 + ch] - single[i * 4 + ch]));
            if (single[i * 4] + single[i * 4 + 1] + single[i * 4 + 2]) ++lit;
            if (worst > 3) ++off;
        }
        EXPECT_GT(lit, 500);
        EXPECT_LE(off, lit / 200) << "of " << lit;
    }
}
