#include "scene/CEffects.h"

#include <gtest/gtest.h>

#include "xlib/XString.h"

TEST(CEffects, MissingSectionGivesDefaults) {
    CEffects e;
    e.Fog = true;
    e.BlurAmount = 8;
    e.Read(XString("<ConfigFile name=\"Meadowglow\">\r\n\t<Stars></Stars>\r\n</ConfigFile>"));
    EXPECT_EQ(40, e.LifeTime);
    EXPECT_EQ(40, e.Intensity);
    EXPECT_EQ(3, e.Detail);
    EXPECT_EQ(10, e.Size);
    EXPECT_TRUE(e.MotionBlur);
    EXPECT_EQ(3, e.BlurAmount);
    EXPECT_FALSE(e.Fog);
    EXPECT_EQ(30, e.FogDensity);
    EXPECT_EQ(0, e.FogRed);
    EXPECT_EQ(0, e.FogGreen);
    EXPECT_EQ(255, e.FogBlue);
}

TEST(CEffects, SectionWithoutFogReadsFogOffBlackAndThin) {
    CEffects e;
    e.Read(XString("<Effects><MotionBlur><Enabled>true</Enabled><Amount>5</Amount></MotionBlur></Effects>"));
    EXPECT_FALSE(e.Fog);
    EXPECT_EQ(0, e.FogDensity);
    EXPECT_EQ(0, e.FogRed);
    EXPECT_EQ(0, e.FogGreen);
    EXPECT_EQ(0, e.FogBlue);
    EXPECT_TRUE(e.MotionBlur);
    EXPECT_EQ(5, e.BlurAmount);
    EXPECT_EQ(0, e.LifeTime);  // a missing group reads as zeros, not defaults
}

TEST(CEffects, EachEnabledIsReadInsideItsOwnGroup) {
    struct Case {
        const char* blur;
        const char* fog;
        bool wantBlur, wantFog;
    } cases[] = {
        {"false", "true", false, true},
        {"TRUE", "yes", true, false},
        {"True", "trueish", true, true},  // these switches only look at the first four letters
        {"1", "FALSE", false, false},
    };
    for (const Case& c : cases) {
        std::string text = std::string("<Effects><MotionBlur><Enabled>") + c.blur +
                           "</Enabled></MotionBlur><Fog><Enabled>" + c.fog + "</Enabled></Fog></Effects>";
        CEffects e;
        e.Read(XString(text.c_str()));
        EXPECT_EQ(c.wantBlur, e.MotionBlur) << c.blur;
        EXPECT_EQ(c.wantFog, e.Fog) << c.fog;
    }
}

TEST(CEffects, WriteLayoutAndRoundTrip) {
    CEffects e;
    XString out;
    e.Write(out);
    EXPECT_STREQ(
        "\t<Effects>\r\n"
        "\t\t<Emitters>\r\n\t\t\t<LifeTime>40</LifeTime>\r\n\t\t\t<Intensity>40</Intensity>\r\n"
        "\t\t\t<Detail>3</Detail>\r\n\t\t\t<Size>10</Size>\r\n\t\t</Emitters>\r\n"
        "\t\t<MotionBlur>\r\n\t\t\t<Enabled>true</Enabled>\r\n\t\t\t<Amount>3</Amount>\r\n\t\t</MotionBlur>\r\n"
        "\t\t<Fog>\r\n\t\t\t<Enabled>false</Enabled>\r\n\t\t\t<Density>30</Density>\r\n\t\t\t<Red>0</Red>\r\n"
        "\t\t\t<Green>0</Green>\r\n\t\t\t<Blue>255</Blue>\r\n\t\t</Fog>\r\n"
        "\t</Effects>\r\n",
        out.c_str());

    CEffects a;
    a.LifeTime = 100;
    a.Intensity = 1;
    a.Detail = 30;
    a.Size = 0;
    a.MotionBlur = false;
    a.BlurAmount = 8;
    a.Fog = true;
    a.FogDensity = 100;
    a.FogRed = 12;
    a.FogGreen = 200;
    a.FogBlue = 7;
    XString text;
    a.Write(text);
    CEffects b;
    b.Read(text);
    EXPECT_EQ(100, b.LifeTime);
    EXPECT_EQ(1, b.Intensity);
    EXPECT_EQ(30, b.Detail);
    EXPECT_EQ(0, b.Size);
    EXPECT_FALSE(b.MotionBlur);
    EXPECT_EQ(8, b.BlurAmount);
    EXPECT_TRUE(b.Fog);
    EXPECT_EQ(100, b.FogDensity);
    EXPECT_EQ(12, b.FogRed);
    EXPECT_EQ(200, b.FogGreen);
    EXPECT_EQ(7, b.FogBlue);
}

TEST(CEffects, FogColourOverTwoSixtyFiveAndDensityPerThousand) {
    EXPECT_FLOAT_EQ(255.0f / 265.0f, CEffects::FogChannel(255));
    EXPECT_NEAR(0.962f, CEffects::FogChannel(255), 5e-4f);
    EXPECT_LT(CEffects::FogChannel(255), 0.97f);  // never pure white
    EXPECT_FLOAT_EQ(static_cast<float>(128 * 0.0037735849056603774), CEffects::FogChannel(128));
    EXPECT_EQ(0.0f, CEffects::FogChannel(0));
    CEffects e;
    EXPECT_FLOAT_EQ(0.03f, e.FogDensityValue());
    e.FogDensity = 100;
    EXPECT_FLOAT_EQ(0.1f, e.FogDensityValue());
    e.FogDensity = 0;
    EXPECT_EQ(0.0f, e.FogDensityValue());
}
