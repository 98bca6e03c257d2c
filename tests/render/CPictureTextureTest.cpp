// The picture texture's choices that need no OpenGL: the size sent for what a
// driver takes, and the resampled copy sent when it takes less.
#include "render/CPictureTexture.h"

#include <gtest/gtest.h>

#include <vector>

TEST(CPictureTexture, TextureSizeFollowsWhatTheDriverTakes) {
    const struct {
        uint32_t w, h, max;
        bool anySize;
        uint32_t tw, th;
    } cases[] = {
        {1920, 1080, 16384, true, 1920, 1080},  // any size: the picture's own
        {16384, 300, 8192, true, 8192, 300},    // larger than the limit: the limit
        {1024, 768, 2048, false, 1024, 1024},   // OpenGL 1.1: the next power of two
        {640, 480, 2048, false, 1024, 512},
        {3000, 1, 2048, false, 2048, 1},        // and never past the limit
        {64, 64, 64, false, 64, 64},
    };
    for (const auto& c : cases) {
        uint32_t tw = 0, th = 0;
        CPictureTexture::TextureSize(c.w, c.h, c.max, c.anySize, tw, th);
        EXPECT_EQ(c.tw, tw) << c.w << "x" << c.h;
        EXPECT_EQ(c.th, th) << c.w << "x" << c.h;
    }
}

TEST(CPictureTexture, ResamplingKeepsThePicture) {
    // 5 x 3 pixels, rows padded to 16 bytes; a horizontal ramp in red, a
    // vertical one in green, blue constant.
    const uint32_t w = 5, h = 3, pitch = 16;
    std::vector<uint8_t> src(pitch * h, 0xEE);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            src[y * pitch + x * 3] = static_cast<uint8_t>(x * 50);
            src[y * pitch + x * 3 + 1] = static_cast<uint8_t>(y * 100);
            src[y * pitch + x * 3 + 2] = 77;
        }
    std::vector<uint8_t> out;
    // The same size: an exact copy, without the source's padding bytes.
    CPictureTexture::Resample(src.data(), w, h, pitch, w, h, out);
    ASSERT_EQ(16u * h, out.size());
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t i = 0; i < w * 3; ++i) EXPECT_EQ(src[y * pitch + i], out[y * 16 + i]);
    // Larger and smaller: blue stays constant, the ramps stay monotonic and
    // keep their ends within one sample step.
    for (auto size : {std::pair<uint32_t, uint32_t>{8, 4}, {2, 2}, {16, 16}}) {
        SCOPED_TRACE(size.first);
        CPictureTexture::Resample(src.data(), w, h, pitch, size.first, size.second, out);
        const uint32_t outPitch = (size.first * 3 + 3) & ~3u;
        ASSERT_EQ(outPitch * size.second, out.size());
        for (uint32_t y = 0; y < size.second; ++y)
            for (uint32_t x = 0; x < size.first; ++x) {
                const uint8_t* p = &out[y * outPitch + x * 3];
                EXPECT_EQ(77, p[2]);
                if (x > 0) {
                    EXPECT_GE(p[0], p[-3]);
                }
                if (y > 0) {
                    EXPECT_GE(p[1], p[1 - static_cast<int>(outPitch)]);
                }
            }
        EXPECT_LE(out[0], 50);
        EXPECT_GE(out[(size.first - 1) * 3], 150);
    }
}

// A still picture is resampled to the window pixels it covers: the pixels
// OpenGL fills for the rectangle, and where in the picture each one reads.
TEST(CPictureTexture, FittedPictureCoversThePixelsTheRectangleFills) {
    const struct {
        double from, to;
        uint32_t size;
        int64_t first, end;
        double firstTexel;  // where the first pixel's centre reads the picture
    } cases[] = {
        {240, 1680, 1024, 240, 1680, 1024.0 / 1440 * 0.5 - 0.5},  // 1024 wide fitted to 1920x1080
        {0, 1024, 1024, 0, 1024, 0},                              // one texel a pixel
        {10.5, 20.5, 10, 10, 20, -0.5},                           // centre on the edge: filled on the left only
        {10.2, 20.7, 21, 10, 21, (10.5 - 10.2) * 2 - 0.5},        // a sub-pixel place
        {-3.0, 5.0, 4, -3, 5, 0.5 * 0.5 - 0.5},                   // partly left of the window
        {7.6, 7.9, 3, 8, 8, 0},                                   // covers no centre
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << ".." << c.to);
        const CPictureTexture::PixelSpan span = CPictureTexture::CoveredPixels(c.from, c.to);
        EXPECT_EQ(c.first, span.first);
        EXPECT_EQ(c.end, span.end);
        const CPictureTexture::SampleAxis axis = CPictureTexture::AxisFor(c.size, c.from, c.to, span);
        EXPECT_EQ(static_cast<uint32_t>(c.end - c.first), axis.count);
        if (axis.count) {
            EXPECT_NEAR(c.firstTexel, 0.5 * axis.scale + axis.offset - 0.5, 1e-9);
        }
    }
}

TEST(CPictureTexture, FittedResamplingIsTheFilteredPictureTopRowFirst) {
    // 3 x 2, red first, bottom row first, rows at a 12-byte pitch.
    const uint8_t src[24] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 0, 0, 0,
                             100, 110, 120, 130, 140, 150, 160, 170, 180, 0, 0, 0};
    std::vector<uint8_t> out;
    CPictureTexture::SampleAxis x{3, 1, 0}, y{2, 1, 0};
    CPictureTexture::ResampleToBgra(src, 3, 2, 12, x, y, out);
    const std::vector<uint8_t> same = {120, 110, 100, 255, 150, 140, 130, 255, 180, 170, 160, 255,
                                       30,  20,  10,  255, 60,  50,  40,  255, 90,  80,  70,  255};
    EXPECT_EQ(same, out);
    // Twice as wide: the pixels between texels are their mean, the outer ones clamp to the edge.
    x = CPictureTexture::AxisFor(3, 0, 6, CPictureTexture::CoveredPixels(0, 6));
    y = CPictureTexture::AxisFor(2, 0, 1, CPictureTexture::CoveredPixels(0, 1));  // one row: halfway up
    CPictureTexture::ResampleToBgra(src, 3, 2, 12, x, y, out);
    ASSERT_EQ(6u * 4, out.size());
    const int red[6] = {55, 63, 78, 93, 108, 115};  // rows averaged: 55, 85, 115 at the texel centres
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(red[i], out[i * 4 + 2], 1) << i;
}
