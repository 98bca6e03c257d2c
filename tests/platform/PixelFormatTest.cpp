#include "platform/PixelFormat.h"

#include <gtest/gtest.h>

namespace {
PixelFormatInfo Usable(int color, int depth, bool generic = false, bool accel = false) {
    PixelFormatInfo f;
    f.supportOpenGL = f.drawToWindow = f.doubleBuffer = f.rgba = true;
    f.colorBits = color;
    f.depthBits = depth;
    f.generic = generic;
    f.genericAccelerated = accel;
    return f;
}
}  // namespace

TEST(PixelFormat, Scores) {
    EXPECT_EQ(16 + 32 + 2000, ScorePixelFormat(Usable(16, 16)));
    EXPECT_EQ(24 + 48 - 4 + 2000, ScorePixelFormat(Usable(24, 24)));
    EXPECT_EQ(32 + 48 - 8 + 2000, ScorePixelFormat(Usable(32, 24)));
    // (16 - 17) / 2 truncates towards zero.
    EXPECT_EQ(17 + 0 + 2000, ScorePixelFormat(Usable(17, 0)));
    EXPECT_EQ(24 + 48 - 4 + 1000, ScorePixelFormat(Usable(24, 24, true, true)));
    EXPECT_EQ(24 + 48 - 4, ScorePixelFormat(Usable(24, 24, true, false)));
}

TEST(PixelFormat, UnusableFormatsScoreZero) {
    PixelFormatInfo base = Usable(32, 24);
    PixelFormatInfo f = base;
    f.supportOpenGL = false;
    EXPECT_EQ(0, ScorePixelFormat(f));
    f = base;
    f.drawToWindow = false;
    EXPECT_EQ(0, ScorePixelFormat(f));
    f = base;
    f.doubleBuffer = false;
    EXPECT_EQ(0, ScorePixelFormat(f));
    f = base;
    f.rgba = false;
    EXPECT_EQ(0, ScorePixelFormat(f));
}

TEST(PixelFormat, ChoiceKeepsFirstOfEqualsAndPrefersHardware) {
    std::vector<PixelFormatInfo> formats = {Usable(24, 24, true, false), Usable(16, 16), Usable(24, 24),
                                            Usable(24, 24), Usable(32, 32, true, true)};
    EXPECT_EQ(3, ChoosePixelFormatIndex(formats));
    EXPECT_EQ(0, ChoosePixelFormatIndex({}));
    PixelFormatInfo none;
    EXPECT_EQ(0, ChoosePixelFormatIndex({none, none}));
    // A generic format with no depth and 16 colour bits still scores above 0.
    EXPECT_EQ(2, ChoosePixelFormatIndex({none, Usable(16, 0, true, false)}));
}
