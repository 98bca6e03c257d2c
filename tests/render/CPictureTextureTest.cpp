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
