// The benchmark's Linux pieces that need no display: the start time read
// from /proc, and the snapshot's PNG writer read back by another decoder
// (FreeImage's libpng).
#include "platform/linux/ProcStat.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/CpuTime.h"
#include "tests/TestSupport.h"
#include "xlib/PngWriter.h"

TEST(Bench, ProcStatStartTicksIsTheTwentySecondField) {
    // Fields 3 to 21, then the start time, then the rest of a real line.
    const std::string middle = "S 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 ";
    struct Case {
        const char* what;
        std::string text;
        std::optional<unsigned long long> expected;
    } cases[] = {
        {"plain name", "42 (meadowglow) " + middle + "987654 4096 1 2\n", 987654ull},
        {"name with spaces and parentheses", "42 (a) b (c)) " + middle + "77 0\n", 77ull},
        {"start time last", "42 (x) " + middle + "5", 5ull},
        {"field missing", "42 (x) S 1 2 3", std::nullopt},
        {"not a number", "42 (x) " + middle + "- 1", std::nullopt},
        {"no name", "42 x " + middle + "5", std::nullopt},
        {"ends at the name", "42 (x)", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, ProcStatStartTicks(c.text)) << c.what;

    std::ifstream stat("/proc/self/stat");
    const std::string own((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(ProcStatStartTicks(own).has_value()) << own;
}

TEST(Bench, TheProcessStartedBeforeItsFirstLine) {
    const double ms = PlatformMsSinceProcessStart();
    EXPECT_GT(ms, 0.0);
    EXPECT_LT(ms, 24 * 3600 * 1000.0);
}

// The first row written is the top one; FreeImage counts rows from the bottom.
TEST(Bench, PngWriterReadsBackThroughFreeImage) {
    struct Case {
        unsigned w, h;
        PngColour colour;
    } cases[] = {{1, 1, PngColour::Rgb}, {3, 2, PngColour::Rgb}, {5, 3, PngColour::Rgba}, {300, 120, PngColour::Rgb}};
    for (const Case& c : cases) {
        const unsigned n = static_cast<unsigned>(c.colour);
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + "x" + std::to_string(n));
        std::vector<uint8_t> pixels(size_t(c.w) * c.h * n);
        auto at = [&](unsigned x, unsigned y) { return &pixels[(size_t(y) * c.w + x) * n]; };
        for (unsigned y = 0; y < c.h; ++y)
            for (unsigned x = 0; x < c.w; ++x) {
                uint8_t* p = at(x, y);
                p[0] = static_cast<uint8_t>(x * 13), p[1] = static_cast<uint8_t>(y * 29), p[2] = static_cast<uint8_t>(x ^ y);
                if (n == 4) p[3] = static_cast<uint8_t>(255 - x);
            }
        TempDir dir;
        const std::string path = dir.File("frame.png");
        ASSERT_TRUE(WritePng(path, c.w, c.h, c.colour, pixels));
        FIBITMAP* back = FreeImage_Load(FIF_PNG, path.c_str(), PNG_DEFAULT);
        ASSERT_NE(nullptr, back);
        EXPECT_EQ(c.w, FreeImage_GetWidth(back));
        EXPECT_EQ(c.h, FreeImage_GetHeight(back));
        EXPECT_EQ(n * 8, FreeImage_GetBPP(back));
        unsigned wrong = 0;
        for (unsigned y = 0; y < c.h; ++y) {
            const BYTE* line = FreeImage_GetScanLine(back, static_cast<int>(c.h - 1 - y));
            for (unsigned x = 0; x < c.w; ++x) {
                const BYTE* q = line + x * n;
                const uint8_t* p = at(x, y);
                if (q[FI_RGBA_RED] != p[0] || q[FI_RGBA_GREEN] != p[1] || q[FI_RGBA_BLUE] != p[2] ||
                    (n == 4 && q[FI_RGBA_ALPHA] != p[3]))
                    ++wrong;
            }
        }
        EXPECT_EQ(0u, wrong);
        FreeImage_Unload(back);
    }
}
