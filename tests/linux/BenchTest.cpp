// The benchmark's pieces that need no display: the start time read from
// /proc and the snapshot writer.
#include "app/x11/Bench.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/TestSupport.h"

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

TEST(Bench, SavePngKeepsColoursAndRowOrder) {
    // Three pixels a row pad each row to 12 bytes; the first row is the bottom one.
    const unsigned w = 3, h = 2, pitch = 12;
    std::vector<unsigned char> bgr(pitch * h, 0xEE);
    auto put = [&](unsigned x, unsigned y, unsigned char r, unsigned char g, unsigned char b) {
        unsigned char* p = &bgr[y * pitch + x * 3];
        p[0] = b, p[1] = g, p[2] = r;
    };
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x)
            put(x, y, static_cast<unsigned char>(40 * x), static_cast<unsigned char>(100 * y), 7);
    TempDir dir;
    const std::string path = dir.File("frame.png");
    ASSERT_TRUE(SavePng(path, w, h, bgr));

    FIBITMAP* back = FreeImage_Load(FIF_PNG, path.c_str(), PNG_DEFAULT);
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(w, FreeImage_GetWidth(back));
    EXPECT_EQ(h, FreeImage_GetHeight(back));
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) {
            RGBQUAD c{};
            ASSERT_TRUE(FreeImage_GetPixelColor(back, x, y, &c));  // FreeImage counts rows from the bottom too
            EXPECT_EQ(40 * x, c.rgbRed) << x << "," << y;
            EXPECT_EQ(100 * y, c.rgbGreen) << x << "," << y;
            EXPECT_EQ(7, c.rgbBlue) << x << "," << y;
        }
    FreeImage_Unload(back);

    EXPECT_FALSE(SavePng(dir.File("missing/frame.png"), w, h, bgr));
}
