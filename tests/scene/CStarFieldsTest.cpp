#include "scene/CStarFields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "xlib/XRandom.h"
#include "xlib/XString.h"

namespace {
constexpr float kByteToUnit = 0.003921568859368563f;

std::unique_ptr<CStarFields> MakeField(int32_t type, int32_t amount, int32_t scheme = 4, int32_t speed = 3,
                                       unsigned w = 640, unsigned h = 480) {
    auto f = std::make_unique<CStarFields>();
    f->Enabled = true;
    f->Type = type;
    f->Amount = amount;
    f->ColorScheme = scheme;
    f->Speed = speed;
    f->Setup(w, h);
    return f;
}

std::unique_ptr<CStarLayer> MakeLayer(int32_t type, unsigned count, int32_t speed, int32_t scheme = 4,
                                      unsigned w = 640, unsigned h = 480) {
    auto l = std::make_unique<CStarLayer>();
    l->Setup(true, w, h, count, 1, type, scheme, speed, false);
    return l;
}
}  // namespace

TEST(CStarFields, DefaultsAndConstruction) {
    CStarFields f;
    EXPECT_FALSE(f.Enabled);
    EXPECT_EQ(2, f.Type);
    EXPECT_EQ(3, f.Speed);
    EXPECT_EQ(1000, f.Amount);
    EXPECT_EQ(18, f.ColorScheme);
    EXPECT_FALSE(f.RotateStars);
    EXPECT_TRUE(f.RotationSense() == 0 || f.RotationSense() == 1);
    const CStarLayer& l = f.Layer(0);
    EXPECT_TRUE(l.Enabled());
    EXPECT_EQ(0u, l.Count());
    EXPECT_EQ(0.0f, l.GetStar(9998).x);
    EXPECT_EQ(0.0f, l.GetStar(0).blue);
}

TEST(CStarFields, PerLayerCounts) {
    struct Case {
        int32_t amount;
        unsigned perLayer;
    } cases[] = {
        {1002, 250}, {1000, 250}, {3, 0}, {0, 0}, {39996, 9999}, {39999, 9999},
        {40000, 9999},   // would be 10000: held to the layer's capacity
        {1000000, 9999}, {-40, 0},
    };
    for (const Case& c : cases) {
        auto f = MakeField(kStarsHorizontal, c.amount);
        for (int i = 0; i < CStarFields::kLayers; ++i) EXPECT_EQ(c.perLayer, f->Layer(i).Count()) << c.amount;
    }
}

TEST(CStarFields, WarpPositionsAndRandomDrawOrder) {
    XSeedRandom(42);
    int d[6];
    for (int& v : d) v = XRandom();
    XSeedRandom(42);
    auto l = std::make_unique<CStarLayer>();
    l->Setup(true, 640, 480, 1, 0, kStarsWarp, 18, 3, false);
    const Star& s = l->GetStar(0);
    float x = static_cast<float>((d[0] % 5000 + 4) * 0.01);
    float y = static_cast<float>((d[2] % 5000 + 4) * 0.01);
    EXPECT_FLOAT_EQ(d[1] % 2 == 1 ? -x : x, s.x);
    EXPECT_FLOAT_EQ(d[3] % 2 == 1 ? -y : y, s.y);
    EXPECT_FLOAT_EQ(static_cast<float>(d[4] % 72 + 1), s.z);
    float v = static_cast<float>(225 - d[5] % 100) * kByteToUnit;
    EXPECT_FLOAT_EQ(v, s.red);
    EXPECT_FLOAT_EQ(v, s.green);
    EXPECT_FLOAT_EQ(255 * kByteToUnit, s.blue);

    auto many = MakeLayer(kStarsWarp, 9999, 3);
    for (unsigned i = 0; i < many->Count(); ++i) {
        const Star& t = many->GetStar(i);
        ASSERT_GE(std::fabs(t.x), 0.04f - 1e-6f);
        ASSERT_LE(std::fabs(t.x), 50.03f + 1e-4f);
        ASSERT_GE(std::fabs(t.y), 0.04f - 1e-6f);
        ASSERT_LE(std::fabs(t.y), 50.03f + 1e-4f);
        ASSERT_GE(t.z, 1.0f);
        ASSERT_LE(t.z, 72.0f);
        ASSERT_EQ(std::floor(t.z), t.z);
    }
}

TEST(CStarFields, FlatPositionsLieInTheWindow) {
    auto l = MakeLayer(kStarsHorizontal, 9999, 3, 4, 800, 600);
    for (unsigned i = 0; i < l->Count(); ++i) {
        const Star& s = l->GetStar(i);
        ASSERT_LT(s.x, 800.0f);
        ASSERT_LT(s.y, 600.0f);
        ASSERT_EQ(0.0f, s.z);
    }
    // A collapsed window puts every star at the origin instead of dividing by zero.
    auto empty = MakeLayer(kStarsVertical, 50, 3, 4, 0, 0);
    EXPECT_EQ(0.0f, empty->GetStar(49).x);
    EXPECT_EQ(0.0f, empty->GetStar(49).y);
}

TEST(CStarFields, WarpMotionAndWrap) {
    auto f = MakeField(kStarsWarp, 400, 4, 3);
    CStarLayer& l = f->Layer(2);
    l.GetStar(0).z = 10.0f;
    l.GetStar(1).z = -5.75f;  // lands on -6.5: past the camera plane
    l.GetStar(2).z = -5.0f;   // lands on -5.75: still in front
    l.GetStar(3).z = -5.25f;  // lands exactly on -6: wraps to 72
    float x = l.GetStar(0).x, y = l.GetStar(0).y;
    f->Process();
    EXPECT_FLOAT_EQ(9.25f, l.GetStar(0).z);
    EXPECT_FLOAT_EQ(72.5f, l.GetStar(1).z);
    EXPECT_FLOAT_EQ(-5.75f, l.GetStar(2).z);
    EXPECT_FLOAT_EQ(72.0f, l.GetStar(3).z);
    EXPECT_EQ(x, l.GetStar(0).x);
    EXPECT_EQ(y, l.GetStar(0).y);
    // Every layer moves alike in warp: the parallax factor is not used.
    EXPECT_EQ(f->Layer(0).DriftVelocity(), CStarLayer::kDriftUnset);
}

TEST(CStarFields, WarpRotationAdvancesAndWraps) {
    auto f = MakeField(kStarsWarp, 40, 4, 7);
    f->ForceRotationSense(1);
    for (int i = 0; i < 51; ++i) f->Process();
    EXPECT_FLOAT_EQ(357.0f, f->Layer(0).Angle());
    f->Process();  // 364 -> 4
    EXPECT_FLOAT_EQ(4.0f, f->Layer(3).Angle());

    auto g = MakeField(kStarsWarp, 40, 4, 7);
    g->ForceRotationSense(0);  // angles shrink; 0 or below gets 360 added
    g->Process();
    EXPECT_FLOAT_EQ(353.0f, g->Layer(1).Angle());

    auto flat = MakeField(kStarsHorizontal, 40, 4, 7);
    flat->Process();
    EXPECT_EQ(0.0f, flat->Layer(0).Angle());  // only warp layers turn
}

TEST(CStarFields, HorizontalDriftPerLayer) {
    auto f = MakeField(kStarsHorizontal, 400, 4, 3);
    const float want[4] = {1.75f, 1.5f, 1.25f, 1.0f};  // (factor + speed) / 4, factor 4..1
    float before[4];
    for (int i = 0; i < 4; ++i) {
        f->Layer(i).GetStar(0).x = 300.0f;
        before[i] = f->Layer(i).GetStar(0).y;
    }
    f->Process();
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(300.0f - want[i], f->Layer(i).GetStar(0).x) << "layer " << i;
        EXPECT_EQ(before[i], f->Layer(i).GetStar(0).y);
        EXPECT_FLOAT_EQ(4.0f * want[i], f->Layer(i).DriftVelocity());
    }
    f->Process();
    EXPECT_FLOAT_EQ(300.0f - 2 * 1.75f, f->Layer(0).GetStar(0).x);
}

TEST(CStarFields, FlatWrapAtTheEdges) {
    struct Case {
        int32_t type;
        float start, want;
    } cases[] = {
        {kStarsHorizontal, 0.5f, 640.5f},  // overshoot re-enters beyond the right edge
        {kStarsHorizontal, 1.0f, 0.0f},    // exactly 0 stays
        {kStarsVertical, 0.25f, 480.75f},
    };
    for (const Case& c : cases) {
        auto l = MakeLayer(c.type, 1, 0, 4);  // speed 0, factor 4: 1 pixel per frame
        Star& s = l->GetStar(0);
        float& coord = c.type == kStarsHorizontal ? s.x : s.y;
        coord = c.start;
        l->Process(4);
        EXPECT_FLOAT_EQ(c.want, coord) << c.type << " " << c.start;
    }
}

TEST(CStarFields, StillAndDisabledFieldsDoNotMove) {
    auto still = MakeField(kStarsStill, 400, 4, 3);
    Star s0 = still->Layer(0).GetStar(5);
    for (int i = 0; i < 10; ++i) still->Process();
    EXPECT_EQ(s0.x, still->Layer(0).GetStar(5).x);
    EXPECT_EQ(s0.y, still->Layer(0).GetStar(5).y);
    EXPECT_EQ(10u, still->Layer(0).FrameCounter());

    for (int32_t type : {kStarsHorizontal, kStarsVertical, kStarsWarp, kStarsStill}) {
        auto f = std::make_unique<CStarFields>();
        f->Enabled = false;
        f->Type = type;
        f->Setup(640, 480);
        Star before = f->Layer(1).GetStar(3);
        for (int i = 0; i < 5; ++i) f->Process();
        EXPECT_EQ(before.x, f->Layer(1).GetStar(3).x);
        EXPECT_EQ(before.y, f->Layer(1).GetStar(3).y);
        EXPECT_EQ(before.z, f->Layer(1).GetStar(3).z);
        EXPECT_EQ(0.0f, f->Layer(1).Angle());
        EXPECT_FALSE(f->Layer(1).Enabled());
    }
}

TEST(CStarFields, DriftReversesAfterFortyThousandFramesAndEases) {
    auto l = MakeLayer(kStarsHorizontal, 1, 3);
    const float c = 4 + 3;
    for (unsigned i = 0; i < CStarLayer::kReversalFrames; ++i) l->Process(4);
    EXPECT_FLOAT_EQ(c, l->DriftVelocity());
    EXPECT_EQ(1, l->DriftDirection());
    EXPECT_EQ(CStarLayer::kReversalFrames, l->FrameCounter());

    l->Process(4);  // frame 40001 turns round
    EXPECT_EQ(-1, l->DriftDirection());
    EXPECT_EQ(1u, l->FrameCounter());
    EXPECT_NEAR(c - 0.01f, l->DriftVelocity(), 1e-4f);

    // Easing at 0.01 per frame reaches -c after 200 * c frames in all.
    const int ease = static_cast<int>(200 * c);
    for (int i = 1; i < ease - 2; ++i) l->Process(4);
    EXPECT_GT(l->DriftVelocity(), -c);
    EXPECT_NEAR(-c, l->DriftVelocity(), 0.03f);
    for (int i = 0; i < 4; ++i) l->Process(4);
    EXPECT_FLOAT_EQ(-c, l->DriftVelocity());
    // Now drifting right: x grows by c / 4 per frame.
    l->GetStar(0).x = 100.0f;
    l->Process(4);
    EXPECT_FLOAT_EQ(100.0f + c / 4, l->GetStar(0).x);
}

TEST(CStarFields, ColourSchemes) {
    struct Case {
        int32_t scheme;
        float evenR, evenG, evenB, oddR, oddG, oddB;
    } fixed[] = {
        {1, 0, 0, 255, 0, 0, 255},       {2, 255, 0, 0, 255, 0, 0},     {3, 0, 255, 0, 0, 255, 0},
        {4, 255, 255, 255, 255, 255, 255}, {5, 200, 200, 255, 200, 200, 255}, {6, 255, 255, 0, 255, 255, 0},
        {7, 220, 0, 255, 220, 0, 255},   {8, 0, 255, 255, 0, 255, 255}, {9, 140, 0, 255, 140, 0, 255},
        {10, 0, 255, 0, 0, 0, 255},      {11, 255, 255, 255, 0, 0, 255}, {12, 255, 0, 0, 0, 0, 255},
        {13, 190, 0, 255, 0, 0, 255},    {19, 255, 73, 193, 255, 73, 193},
    };
    for (const Case& c : fixed) {
        auto f = MakeField(kStarsWarp, 8, c.scheme);  // warp: no dimming
        const CStarLayer& l = f->Layer(0);
        EXPECT_FLOAT_EQ(c.evenR * kByteToUnit, l.GetStar(0).red) << c.scheme;
        EXPECT_FLOAT_EQ(c.evenG * kByteToUnit, l.GetStar(0).green) << c.scheme;
        EXPECT_FLOAT_EQ(c.evenB * kByteToUnit, l.GetStar(0).blue) << c.scheme;
        EXPECT_FLOAT_EQ(c.oddR * kByteToUnit, l.GetStar(1).red) << c.scheme;
        EXPECT_FLOAT_EQ(c.oddG * kByteToUnit, l.GetStar(1).green) << c.scheme;
        EXPECT_FLOAT_EQ(c.oddB * kByteToUnit, l.GetStar(1).blue) << c.scheme;
    }

    // The random schemes keep their channels in range, with the fixed channel fixed.
    struct Range {
        int32_t scheme;
        float lo[3], hi[3];
    } ranges[] = {
        {0, {1, 1, 1}, {255, 255, 255}},      {14, {0, 0, 255}, {149, 149, 255}},
        {15, {255, 0, 0}, {255, 149, 149}},   {16, {0, 255, 0}, {149, 255, 149}},
        {17, {105, 105, 105}, {254, 254, 254}}, {18, {126, 126, 255}, {225, 225, 255}},
    };
    for (const Range& r : ranges) {
        auto f = MakeField(kStarsWarp, 4000, r.scheme);
        const CStarLayer& l = f->Layer(0);
        for (unsigned i = 0; i < l.Count(); ++i) {
            const Star& s = l.GetStar(i);
            const float ch[3] = {s.red / kByteToUnit, s.green / kByteToUnit, s.blue / kByteToUnit};
            for (int k = 0; k < 3; ++k) {
                ASSERT_GE(ch[k], r.lo[k] - 1e-3f) << r.scheme;
                ASSERT_LE(ch[k], r.hi[k] + 1e-3f) << r.scheme;
            }
            if (r.scheme == 17) {
                ASSERT_EQ(s.red, s.green);
                ASSERT_EQ(s.red, s.blue);
            }
            if (r.scheme == 18) {
                ASSERT_EQ(s.red, s.green);
            }
        }
    }
    // An index outside the table leaves a fresh layer's colours at zero.
    auto none = MakeField(kStarsWarp, 8, 25);
    EXPECT_EQ(0.0f, none->Layer(0).GetStar(1).red);
    EXPECT_EQ(0.0f, none->Layer(0).GetStar(1).blue);
}

TEST(CStarFields, SchemeElevenHalvesAndDimsPerLayer) {
    auto f = MakeField(kStarsHorizontal, 1000, 11);
    const float divisor[4] = {1.0f, 1.2f, 1.4f, 1.6f};
    for (int layer = 0; layer < 4; ++layer) {
        const CStarLayer& l = f->Layer(layer);
        ASSERT_EQ(250u, l.Count());
        unsigned white = 0, blue = 0;
        const float full = 255.0f / divisor[layer] * kByteToUnit;
        for (unsigned i = 0; i < l.Count(); ++i) {
            const Star& s = l.GetStar(i);
            if (s.red > 0) {
                ++white;
                EXPECT_FLOAT_EQ(full, s.red);
                EXPECT_FLOAT_EQ(full, s.green);
            } else {
                ++blue;
                EXPECT_EQ(0.0f, s.green);
            }
            EXPECT_FLOAT_EQ(full, s.blue);
        }
        EXPECT_EQ(125u, white) << layer;
        EXPECT_EQ(125u, blue) << layer;
    }
    EXPECT_NEAR(0.625f, f->Layer(3).GetStar(0).red, 1e-6f);  // 1 / 1.6
}

TEST(CStarFields, ReadWriteSection) {
    auto f = std::make_unique<CStarFields>();
    f->Enabled = true;
    f->Type = 1;
    f->Speed = 12;
    f->Amount = 4000;
    f->ColorScheme = 11;
    f->RotateStars = true;
    XString out;
    f->Write(out);
    EXPECT_STREQ(
        "\t<Stars>\r\n\t\t<Enabled>true</Enabled>\r\n\t\t<Type>1</Type>\r\n\t\t<Speed>12</Speed>\r\n"
        "\t\t<Amount>4000</Amount>\r\n\t\t<ColorScheme>11</ColorScheme>\r\n\t\t<RotateStars>true</RotateStars>\r\n"
        "\t</Stars>\r\n",
        out.c_str());

    auto g = std::make_unique<CStarFields>();
    XString whole("<ConfigFile name=\"Meadowglow\">\r\n");
    whole += out;
    whole += "</ConfigFile>";
    g->Read(whole);
    EXPECT_TRUE(g->Enabled);
    EXPECT_EQ(1, g->Type);
    EXPECT_EQ(12, g->Speed);
    EXPECT_EQ(4000, g->Amount);
    EXPECT_EQ(11, g->ColorScheme);
    EXPECT_TRUE(g->RotateStars);

    // No section: the defaults. A present section lacking keys: zeros and false.
    g->Read(XString("<General></General>"));
    EXPECT_FALSE(g->Enabled);
    EXPECT_EQ(2, g->Type);
    EXPECT_EQ(1000, g->Amount);
    EXPECT_EQ(18, g->ColorScheme);
    g->Read(XString("<Stars><Type>3</Type></Stars>"));
    EXPECT_EQ(3, g->Type);
    EXPECT_EQ(0, g->Speed);
    EXPECT_EQ(0, g->Amount);
    EXPECT_EQ(0, g->ColorScheme);
    EXPECT_FALSE(g->RotateStars);
}

TEST(CStarFields, SwitchReadings) {
    struct Case {
        const char* text;
        bool want;
    } cases[] = {
        {"true", true}, {"TRUE", true}, {"True", true}, {"yes", false}, {"1", false},
        {"false", false}, {"", false}, {"trueish", false},  // the star switches take the whole text
    };
    for (const Case& c : cases) {
        auto f = std::make_unique<CStarFields>();
        std::string text = std::string("<Stars><Enabled>") + c.text + "</Enabled><RotateStars>" + c.text +
                           "</RotateStars></Stars>";
        f->Read(XString(text.c_str()));
        EXPECT_EQ(c.want, f->Enabled) << c.text;
        EXPECT_EQ(c.want, f->RotateStars) << c.text;
    }
}
