#include "scene/CCritters.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
// Sets the scene size every critter wraps and draws against.
void SceneSize(int32_t w, int32_t h) {
    CCritters none;
    none.NumCritters = 0;
    none.Setup(w, h);
}

CCritter Worm(float x, int32_t speed) {
    CCritter c;
    c.m_Kind = kCritterWiggleWorm;
    c.m_X = x;
    c.m_Y = 100;
    c.m_Speed = speed;
    return c;
}

std::string S(const XString& x) { return std::string(x.View()); }

XString Section(const std::string& body) { return XString(("<ConfigFile>\t<Critters>\r\n" + body + "\t</Critters>\r\n</ConfigFile>").c_str()); }
}  // namespace

TEST(CCritters, KindMixForEveryCombination) {
    struct Case {
        bool lady, worms, bees;
        int32_t mix[3];
    } cases[] = {
        {true, true, true, {0, 1, 2}},    {true, true, false, {0, 1, 0}}, {true, false, true, {0, 2, 0}},
        {false, true, true, {1, 2, 1}},   {true, false, false, {0, 0, 0}}, {false, true, false, {1, 1, 1}},
        {false, false, true, {2, 2, 2}},  {false, false, false, {-1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lady << c.worms << c.bees);
        CCritters m;
        m.LadyBugs = c.lady;
        m.WiggleWorms = c.worms;
        m.BuzzzyBees = c.bees;
        int32_t mix[3];
        m.KindMix(mix);
        EXPECT_EQ(std::vector<int32_t>(c.mix, c.mix + 3), std::vector<int32_t>(mix, mix + 3));
        m.NumCritters = 100;
        m.Setup(800, 600);
        ASSERT_EQ(100u, m.GetPopulationSize());
        for (unsigned k = 0; k < 100; ++k) ASSERT_EQ(c.mix[k % 3], m.GetCritters()[k].m_Kind) << k;
    }
}

TEST(CCritters, LadyBugsAndBeesAlternateTwoToOne) {
    CCritters m;
    m.WiggleWorms = false;
    m.Setup(1024, 768);
    const CCritter* c = m.GetCritters();
    for (unsigned k : {0u, 2u, 3u, 5u, 6u, 98u, 99u}) EXPECT_EQ(kCritterLadyBug, c[k].m_Kind) << k;
    for (unsigned k : {1u, 4u, 7u, 97u}) EXPECT_EQ(kCritterBuzzzyBee, c[k].m_Kind) << k;
}

TEST(CCritters, SetupDrawsInItsOrderFromTheProcessGenerator) {
    CCritters m;
    m.NumCritters = 6;
    m.Size = 2;
    m.Speed = 1;
    XSeedRandom(4242);
    m.Setup(640, 480);
    XSeedRandom(4242);
    for (unsigned k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        const CCritter& c = m.GetCritters()[k];
        const int d = XRandom() % 4;
        EXPECT_FLOAT_EQ(1.0f / static_cast<float>(d + 9 - 6), c.m_HalfSize);
        EXPECT_EQ(static_cast<float>(XRandom() % 480), c.m_Y);
        EXPECT_EQ(static_cast<float>(XRandom() % 640), c.m_X);
        EXPECT_EQ(XRandom() % 2, c.m_Frame);
        EXPECT_EQ(0, c.m_Tick);
        if (c.m_Kind == kCritterWiggleWorm)
            EXPECT_EQ(0, c.m_Heading);
        else
            EXPECT_EQ(XRandom() % 360, c.m_Heading);
        EXPECT_EQ(3 + XRandom() % 4, c.m_Speed);
    }
    EXPECT_EQ(640, CCritters::SceneWidth());
    EXPECT_EQ(480, CCritters::SceneHeight());
}

TEST(CCritters, SizeAndSpeedRanges) {
    struct Case {
        int32_t setting;
        float minHalf, maxHalf;
        int32_t minSpeed, maxSpeed;
    } cases[] = {{0, 1 / 12.f, 1 / 9.f, 1, 4}, {1, 1 / 9.f, 1 / 6.f, 3, 6}, {2, 1 / 6.f, 1 / 3.f, 6, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setting);
        CCritters m;
        m.NumCritters = 2000;
        m.Size = c.setting;
        m.Speed = c.setting;
        m.Setup(1024, 768);
        float lo = 1e9f, hi = 0;
        int32_t slo = 1000, shi = -1000;
        for (unsigned k = 0; k < m.GetPopulationSize(); ++k) {
            const CCritter& cr = m.GetCritters()[k];
            lo = std::min(lo, cr.m_HalfSize), hi = std::max(hi, cr.m_HalfSize);
            slo = std::min(slo, cr.m_Speed), shi = std::max(shi, cr.m_Speed);
            ASSERT_GE(cr.m_X, 0.0f);
            ASSERT_LT(cr.m_X, 1024.0f);
            ASSERT_GE(cr.m_Y, 0.0f);
            ASSERT_LT(cr.m_Y, 768.0f);
            ASSERT_TRUE(cr.m_Heading >= 0 && cr.m_Heading < 360);
        }
        EXPECT_FLOAT_EQ(c.minHalf, lo);
        EXPECT_FLOAT_EQ(c.maxHalf, hi);
        EXPECT_EQ(c.minSpeed, slo);
        EXPECT_EQ(c.maxSpeed, shi);
    }
    // A speed setting beyond the three named ones is the base itself.
    CCritter c;
    c.Init(0, 0, 0.1f, kCritterLadyBug, 20);
    EXPECT_TRUE(c.m_Speed >= 20 && c.m_Speed <= 23);
}

TEST(CCritters, NothingEnabledOrNobodyMeansNothingMoves) {
    CCritters m;
    m.LadyBugs = m.WiggleWorms = m.BuzzzyBees = false;
    m.NumCritters = 50;
    m.Setup(800, 600);
    std::vector<float> before;
    for (unsigned k = 0; k < 50; ++k) before.push_back(m.GetCritters()[k].m_X + 10000 * m.GetCritters()[k].m_Y);
    for (int f = 0; f < 20; ++f) m.Process();
    for (unsigned k = 0; k < 50; ++k) {
        const CCritter& c = m.GetCritters()[k];
        EXPECT_EQ(kCritterInactive, c.m_Kind);
        EXPECT_EQ(before[k], c.m_X + 10000 * c.m_Y);
        EXPECT_EQ(0, c.m_Tick);
    }
    CCritters empty;
    empty.NumCritters = 0;
    empty.Setup(800, 600);
    EXPECT_EQ(0u, empty.GetPopulationSize());
    EXPECT_EQ(nullptr, empty.GetCritters());
    empty.Process();
}

TEST(CCritters, ZeroSizedWindowDoesNotDivideByZero) {
    for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 600}, std::pair{800, 0}, std::pair{1, 1}}) {
        CCritters m;
        m.NumCritters = 30;
        m.Setup(w, h);
        EXPECT_EQ(30u, m.GetPopulationSize());
        m.Process();
    }
}

TEST(CCritters, WormFromTenAtSpeedFourWrapsAfter35Frames) {
    SceneSize(800, 600);
    CCritter c = Worm(10, 4);
    for (int frame = 1; frame <= 34; ++frame) c.Step();
    EXPECT_FLOAT_EQ(10 - 34 * 4, c.m_X);  // -126: still inside the margin
    c.Step();
    EXPECT_FLOAT_EQ(800 + 128, c.m_X);
    EXPECT_FLOAT_EQ(100, c.m_Y);
}

TEST(CCritters, WrapMarginOnBothAxes) {
    SceneSize(800, 600);
    struct Case {
        float x, y, dx, dy, wantX, wantY;
    } cases[] = {
        {928, 0, 0, 0, 928, 0},         // exactly width + 128 stays
        {-128, -128, 0, 0, -128, -128}, // exactly -128 stays
        {928, 10, 0.5f, 0, -128, 10},   // beyond the right: to the far left
        {-127, 10, -2, 0, 928, 10},
        {10, 727, 0, 2, 10, -128},      // height + 128 = 728
        {10, -127, 0, -1.5f, 10, 728},
        {930, 730, 0, 0, -128, -128},   // both at once
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.x << "," << t.y);
        CCritter c;
        c.m_Kind = kCritterLadyBug;
        c.m_X = t.x;
        c.m_Y = t.y;
        c.Move(t.dx, t.dy);
        EXPECT_FLOAT_EQ(t.wantX, c.m_X);
        EXPECT_FLOAT_EQ(t.wantY, c.m_Y);
    }
    CCritter inactive;
    inactive.m_X = 5000;
    inactive.Move(1, 1);
    EXPECT_EQ(5000, inactive.m_X);
    EXPECT_EQ(0, inactive.m_Tick);
}

TEST(CCritters, AnimationFramePeriods) {
    SceneSize(800, 600);
    struct Case {
        int32_t kind;
        const char* frames;  // frame after each of 12 moves, starting from frame 0
    } cases[] = {
        {kCritterBuzzzyBee, "101010101010"},
        {kCritterLadyBug, "011001100110"},
        {kCritterWiggleWorm, "000011111000"},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.kind);
        CCritter c;
        c.m_Kind = t.kind;
        c.m_X = c.m_Y = 300;
        std::string seen;
        for (int i = 0; i < 12; ++i) {
            c.Move(0, 0);
            seen += static_cast<char>('0' + c.m_Frame);
        }
        EXPECT_EQ(t.frames, seen);
    }
}

TEST(CCritters, StepFollowsTheHeading) {
    SceneSize(10000, 10000);
    struct Case {
        int32_t heading;
        float dx, dy;
    } cases[] = {{0, 0, 5}, {90, -5, 0}, {180, 0, -5}, {270, 5, 0}};
    for (const Case& t : cases) {
        SCOPED_TRACE(t.heading);
        for (int32_t kind : {kCritterLadyBug, kCritterBuzzzyBee}) {
            CCritter c;
            c.m_Kind = kind;
            c.m_X = c.m_Y = 5000;
            c.m_Speed = 5;
            c.m_Heading = t.heading;
            c.Step();
            // 3.14 / 180 per degree, so a quarter turn is a little short of 90 degrees.
            EXPECT_NEAR(5000 + t.dx, c.m_X, 0.02);
            EXPECT_NEAR(5000 + t.dy, c.m_Y, 0.02);
        }
    }
    CCritter c;
    c.m_Kind = kCritterLadyBug;
    c.m_X = c.m_Y = 5000;
    c.m_Speed = 10;
    c.m_Heading = 90;
    c.Step();
    EXPECT_FLOAT_EQ(static_cast<float>(5000 - 10 * std::sin(90 * 0.017444444444444446)), c.m_X);
    EXPECT_FLOAT_EQ(static_cast<float>(5000 + 10 * std::cos(90 * 0.017444444444444446)), c.m_Y);
}

TEST(CCrittersConfig, WriteExactTextAndReadBack) {
    CCritters m;
    XString out("x");
    m.Write(out);
    EXPECT_EQ(
        "x\t<Critters>\r\n\t\t<NumCritters>100</NumCritters>\r\n\t\t<WiggleWorms>true</WiggleWorms>\r\n"
        "\t\t<BuzzzyBees>true</BuzzzyBees>\r\n\t\t<LadyBugs>true</LadyBugs>\r\n\t\t<Size>1</Size>\r\n"
        "\t\t<Speed>1</Speed>\r\n\t</Critters>\r\n",
        S(out));
    m.NumCritters = 12345;
    m.WiggleWorms = false;
    m.LadyBugs = false;
    m.Size = 2;
    m.Speed = 0;
    XString file;
    m.Write(file);
    CCritters r;
    r.Read(file);
    EXPECT_EQ(12345u, r.NumCritters);
    EXPECT_FALSE(r.WiggleWorms);
    EXPECT_TRUE(r.BuzzzyBees);
    EXPECT_FALSE(r.LadyBugs);
    EXPECT_EQ(2, r.Size);
    EXPECT_EQ(0, r.Speed);
}

TEST(CCrittersConfig, ReadValues) {
    struct Case {
        const char* name;
        std::string body;
        uint32_t num;
        bool worms, bees, lady;
        int32_t size, speed;
    } cases[] = {
        {"missing section", "", 100, true, true, true, 1, 1},
        {"booleans", "<LadyBugs>TRUE</LadyBugs><WiggleWorms>yes</WiggleWorms><BuzzzyBees>trueish</BuzzzyBees>", 0,
         false, true, true, 0, 0},
        {"mixed case", "<LadyBugs>tRuE</LadyBugs><BuzzzyBees>1</BuzzzyBees><WiggleWorms> true</WiggleWorms>", 0,
         false, false, true, 0, 0},
        {"size without speed", "<NumCritters>7</NumCritters><Size>2</Size>", 7, false, false, false, 2, 0},
        {"digits stop at the first other character", "<NumCritters>12abc</NumCritters><Speed>2x</Speed>", 12,
         false, false, false, 0, 2},
        {"non-numeric", "<NumCritters>many</NumCritters><Size>big</Size>", 0, false, false, false, 0, 0},
        {"size too large", "<Size>3</Size>", 0, false, false, false, 2, 0},
        {"size negative", "<Size>-4</Size>", 0, false, false, false, 0, 0},
        {"speed out of range", "<Speed>100000</Speed>", 0, false, false, false, 0, CCritters::kMaxSpeed},
        {"speed negative", "<Speed>-1</Speed>", 0, false, false, false, 0, 0},
        {"ten thousand critters", "<NumCritters>10000</NumCritters>", 10000, false, false, false, 0, 0},
        {"huge count", "<NumCritters>4294967295</NumCritters>", CCritters::kMaxCritters, false, false, false, 0, 0},
        {"count beyond 32 bits", "<NumCritters>99999999999999999999</NumCritters>", CCritters::kMaxCritters, false,
         false, false, 0, 0},
        {"negative count", "<NumCritters>-5</NumCritters>", 0, false, false, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CCritters m;
        m.NumCritters = 1;  // not a default: shows whether Read set it
        m.Size = m.Speed = 9;
        m.Read(c.body.empty() ? XString("<ConfigFile></ConfigFile>") : Section(c.body));
        EXPECT_EQ(c.num, m.NumCritters);
        EXPECT_EQ(c.worms, m.WiggleWorms);
        EXPECT_EQ(c.bees, m.BuzzzyBees);
        EXPECT_EQ(c.lady, m.LadyBugs);
        EXPECT_EQ(c.size, m.Size);
        EXPECT_EQ(c.speed, m.Speed);
    }
    // An empty section counts as missing.
    CCritters m;
    m.NumCritters = 3;
    m.Read(XString("<Critters></Critters>"));
    EXPECT_EQ(100u, m.NumCritters);
}

TEST(CCritters, SetupBoundsSettingsSetInMemory) {
    CCritters m;
    m.NumCritters = 0xFFFFFFFFu;  // as the dialog might store it
    m.Size = 5;                   // would make the half-size divisor zero or negative
    m.Setup(320, 200);
    EXPECT_EQ(CCritters::kMaxCritters, m.GetPopulationSize());
    for (unsigned k = 0; k < m.GetPopulationSize(); k += 997) {
        EXPECT_GT(m.GetCritters()[k].m_HalfSize, 0.0f);
        EXPECT_LE(m.GetCritters()[k].m_HalfSize, 1.0f / 3.0f);
    }
}

TEST(CCritters, InitStaticWithoutPicturesLeavesSpritesEmpty) {
    // The test process's installation directory holds no sprites.
    EXPECT_TRUE(CCritters::InitStatic());
    const char* names[6] = {"ladybug0.bmp", "ladybug1.bmp", "wormbug0.bmp", "wormbug1.bmp", "beebug0.bmp", "beebug1.bmp"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(CCritters::Sprite(i).IsEmpty());
        EXPECT_EQ(InstallDir() + names[i], S(CCritters::Sprite(i).GetFileName()));
    }
    CCritters::ReleaseStatic();
    EXPECT_TRUE(CCritters::Sprite(0).GetFileName().IsEmpty());
}
