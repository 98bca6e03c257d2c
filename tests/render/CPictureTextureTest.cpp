// The picture texture's choices that need no OpenGL: the size sent for what a
// driver takes, and the resampled copy sent when it takes less.
#include "render/CPictureTexture.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Row by row, the resampling reads each output texel from the same four
// source texels with the same eight-bit weights as a texel-at-a-time bilinear
// filter: whether source rows are skipped (shrunk), shared (enlarged) or
// clamped at an edge, and whichever channel comes first.
TEST(CPictureTexture, RowByRowResamplingIsTheBilinearFilterOfTheWholePicture) {
    const struct {
        uint32_t w, h;
        double left, bottom, right, top;
    } cases[] = {
        {40, 30, 0, 0, 10, 7},          // shrunk four times: most rows unread
        {5, 4, 0, 0, 23, 17},           // enlarged: each row read by several outputs
        {16, 9, 3.3, -2.6, 20.1, 8.4},  // sub-pixel place, partly below the window
        {7, 1, 0, 0, 14, 5},            // one source row, clamped both ways
        {1, 6, 0, 0, 3, 12},            // one source column
        {33, 21, 0, 0, 33, 21},         // one texel a pixel
    };
    for (const auto& c : cases)
        for (bool blueFirst : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (blueFirst ? " blue first" : " red first"));
            // Distinct channels and rows, top row first, three bytes a pixel.
            std::vector<uint8_t> src(static_cast<size_t>(c.w) * c.h * 3);
            for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<uint8_t>(i * 37 + (i / 3) * 11);
            const CPictureTexture::SampleAxis x =
                CPictureTexture::AxisFor(c.w, c.left, c.right, CPictureTexture::CoveredPixels(c.left, c.right));
            const CPictureTexture::SampleAxis y =
                CPictureTexture::AxisFor(c.h, c.bottom, c.top, CPictureTexture::CoveredPixels(c.bottom, c.top));
            std::vector<uint8_t> got(static_cast<size_t>(x.count) * y.count * 4, 0);
            std::vector<bool> seen(y.count, false);
            CPictureTexture::RowResampler resampler(c.w, c.h, x, y, blueFirst);
            for (uint32_t r = 0; r < c.h; ++r)
                resampler.Take(&src[static_cast<size_t>(r) * c.w * 3], [&](uint32_t row, const uint8_t* bgra) {
                    ASSERT_LT(row, y.count);
                    EXPECT_FALSE(seen[row]);
                    seen[row] = true;
                    std::copy(bgra, bgra + x.count * 4, got.begin() + static_cast<long>(row) * x.count * 4);
                });
            EXPECT_TRUE(resampler.Done());
            // Where output texel i reads the source, in the source's own units, clamped.
            auto tap = [](const CPictureTexture::SampleAxis& a, uint32_t i, uint32_t size, uint32_t& i0,
                          uint32_t& i1, uint32_t& w) {
                double f = std::min(std::max((i + 0.5) * a.scale + a.offset - 0.5, 0.0), size - 1.0);
                i0 = static_cast<uint32_t>(f);
                i1 = std::min(i0 + 1, size - 1);
                w = static_cast<uint32_t>((f - i0) * 256 + 0.5);
            };
            for (uint32_t j = 0; j < y.count; ++j) {  // j counts up from the bottom
                uint32_t y0, y1, wy;
                tap(y, j, c.h, y0, y1, wy);
                // Bottom-up rows y0 and y1 are top-first rows h-1-y0 and h-1-y1.
                const uint8_t* ra = &src[static_cast<size_t>(c.h - 1 - y0) * c.w * 3];
                const uint8_t* rb = &src[static_cast<size_t>(c.h - 1 - y1) * c.w * 3];
                for (uint32_t i = 0; i < x.count; ++i) {
                    uint32_t x0, x1, wx;
                    tap(x, i, c.w, x0, x1, wx);
                    const uint8_t* out = &got[(static_cast<size_t>(y.count - 1 - j) * x.count + i) * 4];
                    for (int ch = 0; ch < 3; ++ch) {
                        const uint32_t a = ra[x0 * 3 + ch] * (256 - wx) + ra[x1 * 3 + ch] * wx;
                        const uint32_t b = rb[x0 * 3 + ch] * (256 - wx) + rb[x1 * 3 + ch] * wx;
                        const int want = static_cast<int>((a * (256 - wy) + b * wy + 32768) >> 16);
                        ASSERT_EQ(want, out[blueFirst ? ch : 2 - ch]) << "texel " << i << ", row " << j << ", channel " << ch;
                    }
                    ASSERT_EQ(255, out[3]);
                }
            }
        }
}
