// Where the sprite sheet puts its pictures.
#include "render/CSpriteSheet.h"

#include <gtest/gtest.h>

#include <vector>

TEST(CSpriteSheet, CellsAreFramedApartInAPowerOfTwoSheet) {
    using Size = CSpriteSheet::Size;
    const struct {
        std::vector<Size> pictures;
        uint32_t maxSize;
        bool fits;
        uint32_t width, height;
    } cases[] = {
        {std::vector<Size>(6, Size{64, 64}), 2048, true, 256, 256},  // the critters: 3 x 2 cells of 66
        {{{64, 64}}, 2048, true, 128, 128},
        {{{64, 64}, {10, 100}, {30, 5}}, 2048, true, 256, 256},     // cells as large as the largest
        {{{1000, 1000}, {1000, 1000}}, 2048, true, 2048, 1024},
        {{{1000, 1000}, {1000, 1000}}, 2047, false, 0, 0},          // too large for the driver
        {{{64, 0}}, 2048, false, 0, 0},
        {{}, 2048, false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pictures.size() << " pictures, max " << c.maxSize);
        CSpriteSheet::Layout layout;
        ASSERT_EQ(c.fits, CSpriteSheet::Arrange(c.pictures, c.maxSize, layout));
        EXPECT_EQ(c.width, layout.width);
        EXPECT_EQ(c.height, layout.height);
        if (!c.fits) continue;
        ASSERT_EQ(c.pictures.size(), layout.x.size());
        // Every picture inside the sheet with a free texel all round, none
        // touching another's frame.
        for (size_t i = 0; i < c.pictures.size(); ++i) {
            const Size& p = c.pictures[i];
            EXPECT_GE(layout.x[i], 1u);
            EXPECT_GE(layout.y[i], 1u);
            EXPECT_LE(layout.x[i] + p.width + 1, layout.width);
            EXPECT_LE(layout.y[i] + p.height + 1, layout.height);
            for (size_t j = 0; j < i; ++j) {
                const Size& q = c.pictures[j];
                const bool apart = layout.x[i] >= layout.x[j] + q.width + 1 || layout.x[j] >= layout.x[i] + p.width + 1 ||
                                   layout.y[i] >= layout.y[j] + q.height + 1 || layout.y[j] >= layout.y[i] + p.height + 1;
                EXPECT_TRUE(apart) << i << " and " << j;
            }
        }
    }
}
