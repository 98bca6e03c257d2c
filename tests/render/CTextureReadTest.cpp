// Decoding and the colour-keyed conversion: everything CTexture does before
// OpenGL is involved, so no context is needed here.
#include "render/CTexture.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/render/TestBitmaps.h"
#include "tests/render/TestJpegs.h"

namespace {
std::string Bytes(const unsigned char* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

// A picture whose every pixel differs, so a misplaced byte shows.
std::vector<Rgb> Distinct(unsigned w, unsigned h) {
    std::vector<Rgb> px;
    for (unsigned i = 0; i < w * h; ++i)
        px.push_back({static_cast<uint8_t>(10 + i), static_cast<uint8_t>(100 + i), static_cast<uint8_t>(250 - i)});
    return px;
}

// The pixel at column x of row `fromBottom` of the decoded bitmap, as stored.
Rgb BitmapPixel(const CTexture& t, unsigned x, unsigned fromBottom) {
    ImageBitmap* b = const_cast<ImageBitmap*>(t.GetBitmap());
    const uint8_t* p = PlatformImageBits(b) + fromBottom * PlatformImagePitch(b) + x * 3;
    return {p[0], p[1], p[2]};
}

bool Near(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Writes the file and points the texture at it.
void Prepare(CTexture& t, const TempDir& dir, const std::string& name, const std::string& bytes) {
    WriteWholeFile(dir.File(name), bytes);
    t.SetFileName(XString(dir.File(name).c_str()));
}
}  // namespace

TEST(CTextureRead, NewObjectIsEmpty) {
    CTexture t;
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_EQ(-1, t.GetTextureName());
    EXPECT_TRUE(t.GetFileName().IsEmpty());
    EXPECT_EQ(0u, t.GetWidth());
    EXPECT_EQ(0u, t.GetHeight());
    EXPECT_EQ(nullptr, t.GetBitmap());
    EXPECT_EQ(nullptr, t.GetPixelBuffer());
}

TEST(CTextureRead, AcceptedAndRefusedFiles) {
    TempDir dir;
    const std::string bmp = MakeBmp24(4, 2, Distinct(4, 2));
    const std::string jpg = Bytes(kJpegRgbRed, sizeof kJpegRgbRed);
    struct Case {
        const char* name;
        std::string bytes;
        bool accepted;
    } cases[] = {
        {"a.bmp", bmp, true},
        {"a.jpg", jpg, true},
        {"upper.BMP", bmp, false},  // the suffix test is case-sensitive
        {"upper.JPG", jpg, false},
        {"mixed.Bmp", bmp, false},
        {"other.png", bmp, false},
        {"jpeg.jpeg", jpg, false},
        {"noext", bmp, false},
        {"swapped.jpg", bmp, false},  // a bitmap is not decoded as a JPEG, nor the reverse
        {"swapped.bmp", jpg, false},
        {"garbage.bmp", "BM this is no bitmap at all", false},
        {"empty.jpg", "", false},
        {"cut.bmp", bmp.substr(0, 30), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTexture t;
        Prepare(t, dir, c.name, c.bytes);
        EXPECT_EQ(c.accepted, t.ReadImage());
        EXPECT_EQ(c.accepted, t.GetBitmap() != nullptr);
        const bool isJpeg = std::string(c.name) == "a.jpg";
        EXPECT_EQ(c.accepted ? (isJpeg ? 16u : 4u) : 0u, t.GetWidth());
        EXPECT_EQ(c.accepted ? (isJpeg ? 8u : 2u) : 0u, t.GetHeight());
        // The same through the colour-keyed read.
        EXPECT_EQ(c.accepted, t.ReadColorKeyedImage(255, 1, 222));
        EXPECT_EQ(c.accepted, t.GetPixelBuffer() != nullptr);
        EXPECT_EQ(nullptr, t.GetBitmap());
    }
    CTexture missing;
    missing.SetFileName(XString(dir.File("nothing-here.bmp").c_str()));
    EXPECT_FALSE(missing.ReadImage());
    EXPECT_EQ(0u, missing.GetWidth());
}

TEST(CTextureRead, FailedReadClearsTheSizeOfAnEarlierOne) {
    TempDir dir;
    CTexture t;
    Prepare(t, dir, "good.bmp", MakeBmp24(4, 2, Distinct(4, 2)));
    ASSERT_TRUE(t.ReadImage());
    EXPECT_EQ(4u, t.GetWidth());
    ASSERT_TRUE(t.ReadImage());  // a second read replaces the bitmap (no leak under the sanitizers)
    t.SetFileName(XString(dir.File("gone.bmp").c_str()));
    EXPECT_FALSE(t.ReadImage());
    EXPECT_EQ(0u, t.GetWidth());
    EXPECT_EQ(0u, t.GetHeight());
    EXPECT_EQ(nullptr, t.GetBitmap());
}

TEST(CTextureRead, PixelsComeOutRedFirstAndBottomRowFirst) {
    TempDir dir;
    // 10 pixels of 3 bytes: rows of 30 bytes padded to 32 on disk and in memory.
    const unsigned w = 10, h = 3;
    const std::vector<Rgb> px = Distinct(w, h);
    CTexture t;
    Prepare(t, dir, "ten.bmp", MakeBmp24(w, h, px));
    ASSERT_TRUE(t.ReadImage());
    EXPECT_EQ(w, t.GetWidth());
    EXPECT_EQ(h, t.GetHeight());
    EXPECT_EQ(24u, PlatformImageBitsPerPixel(t.GetBitmap()));
    EXPECT_EQ(32u, PlatformImagePitch(t.GetBitmap()));
    for (unsigned y = 0; y < h; ++y)
        for (unsigned x = 0; x < w; ++x) EXPECT_EQ(px[(h - 1 - y) * w + x], BitmapPixel(t, x, y)) << x << "," << y;

    // Swapping again gives the decoder's blue-first order back.
    SwapRedBlue(const_cast<ImageBitmap*>(t.GetBitmap()));
    const Rgb first = BitmapPixel(t, 0, h - 1);
    EXPECT_EQ((Rgb{px[0].b, px[0].g, px[0].r}), first);
    SwapRedBlue(nullptr);  // harmless
}

TEST(CTextureRead, ColourKeyedTenPixelRowsAndExactKey) {
    TempDir dir;
    const unsigned w = 10, h = 3;
    std::vector<Rgb> px = Distinct(w, h);
    // Top row: the key, and colours one step away from it on each channel.
    px[0] = {255, 1, 222};
    px[1] = {255, 0, 222};
    px[2] = {254, 1, 222};
    px[3] = {255, 2, 222};
    px[4] = {255, 1, 221};
    px[9] = {255, 1, 222};
    px[25] = {255, 1, 222};  // middle of the bottom row
    CTexture t;
    Prepare(t, dir, "sprite.bmp", MakeBmp24(w, h, px));
    ASSERT_TRUE(t.ReadColorKeyedImage(255, 1, 222));
    EXPECT_EQ(nullptr, t.GetBitmap());
    const uint8_t* rgba = t.GetPixelBuffer();
    ASSERT_NE(nullptr, rgba);
    // Packed: 4 bytes a pixel, no row padding, bottom row first.
    for (unsigned y = 0; y < h; ++y) {
        for (unsigned x = 0; x < w; ++x) {
            const Rgb& want = px[(h - 1 - y) * w + x];
            const uint8_t* p = rgba + (y * w + x) * 4;
            SCOPED_TRACE(testing::Message() << x << "," << y);
            EXPECT_EQ(want, (Rgb{p[0], p[1], p[2]}));
            EXPECT_EQ(want == (Rgb{255, 1, 222}) ? 0 : 255, p[3]);
        }
    }
    // Only the low byte of each key component counts.
    ASSERT_TRUE(t.ReadColorKeyedImage(0x1FF, 0x301, 0xDE));
    EXPECT_EQ(0, t.GetPixelBuffer()[((h - 1) * w) * 4 + 3]);
}

TEST(CTextureRead, OtherDepthsAreConvertedTo24Bits) {
    TempDir dir;
    // An 8-bit palette picture, 5 wide (rows padded to 8 on disk).
    const std::vector<Rgb> palette = {{0, 0, 0}, {255, 1, 222}, {10, 200, 30}, {250, 240, 5}};
    const std::vector<uint8_t> idx = {0, 1, 2, 3, 1, 3, 2, 1, 0, 2};  // 5 x 2, top row first
    CTexture t;
    Prepare(t, dir, "palette.bmp", MakeBmp8(5, 2, palette, idx));
    ASSERT_TRUE(t.ReadImage());
    EXPECT_EQ(24u, PlatformImageBitsPerPixel(t.GetBitmap()));
    for (unsigned y = 0; y < 2; ++y)
        for (unsigned x = 0; x < 5; ++x) EXPECT_EQ(palette[idx[(1 - y) * 5 + x]], BitmapPixel(t, x, y));
    // And the key still works through the palette.
    ASSERT_TRUE(t.ReadColorKeyedImage(255, 1, 222));
    EXPECT_EQ(0, t.GetPixelBuffer()[(5 + 1) * 4 + 3]);  // top row, column 1
    EXPECT_EQ(255, t.GetPixelBuffer()[(5 + 0) * 4 + 3]);

    struct Jpeg {
        const char* name;
        const unsigned char* bytes;
        size_t size;
        Rgb colour;
    } jpegs[] = {
        {"rgb.jpg", kJpegRgbRed, sizeof kJpegRgbRed, {220, 30, 30}},
        {"grey.jpg", kJpegGrey128, sizeof kJpegGrey128, {128, 128, 128}},
        {"cmyk.jpg", kJpegCmykRed, sizeof kJpegCmykRed, {220, 30, 30}},
    };
    for (const Jpeg& j : jpegs) {
        SCOPED_TRACE(j.name);
        CTexture jt;
        Prepare(jt, dir, j.name, Bytes(j.bytes, j.size));
        ASSERT_TRUE(jt.ReadImage());
        EXPECT_EQ(16u, jt.GetWidth());
        EXPECT_EQ(8u, jt.GetHeight());
        EXPECT_EQ(24u, PlatformImageBitsPerPixel(jt.GetBitmap()));
        EXPECT_EQ(48u, PlatformImagePitch(jt.GetBitmap()));
        for (unsigned y = 0; y < 8; y += 7)
            for (unsigned x = 0; x < 16; x += 5)
                EXPECT_PRED3(Near, j.colour, BitmapPixel(jt, x, y), 24) << x << "," << y;
    }
}

TEST(CTextureRead, ReleaseForgetsEverything) {
    TempDir dir;
    CTexture t;
    Prepare(t, dir, "r.bmp", MakeBmp24(2, 2, Distinct(2, 2)));
    ASSERT_TRUE(t.ReadColorKeyedImage(1, 2, 3));
    ASSERT_TRUE(t.ReadImage());
    t.Release();  // with both a bitmap and a pixel buffer held
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_TRUE(t.GetFileName().IsEmpty());
    EXPECT_EQ(0u, t.GetWidth());
    EXPECT_EQ(nullptr, t.GetBitmap());
    EXPECT_EQ(nullptr, t.GetPixelBuffer());
}

TEST(CTextureRead, TransparentTexelsTakeTheNearestOpaqueColour) {
    // Texels as letters: upper case opaque, '.' transparent; the expected
    // colour of each transparent texel as the lower-case letter of its source.
    const struct {
        const char* name;
        unsigned w, h;
        const char* in;
        const char* out;
    } cases[] = {
        {"row", 6, 1, "A....B", "AaabbB"},
        {"corner", 4, 1, "A...", "Aaaa"},
        {"diagonal counts as one step", 3, 3, "....A....", "aaaaAaaaa"},
        {"two blobs", 5, 2, "A...B" "A...B", "AaabB" "AaabB"},
        {"nothing opaque stays as it was", 3, 1, "...", "..."},
        {"all opaque", 2, 1, "AB", "AB"},
    };
    const Rgb key{255, 1, 222};
    auto colour = [&](char c) -> Rgb {
        if (c == '.') return key;
        const char u = static_cast<char>(std::toupper(c));
        return {static_cast<uint8_t>(u * 3), static_cast<uint8_t>(u), static_cast<uint8_t>(255 - u)};
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t n = c.w * c.h;
        std::vector<uint8_t> rgba(n * 4);
        for (size_t i = 0; i < n; ++i) {
            const Rgb v = colour(c.in[i]);
            rgba[i * 4] = v.r;
            rgba[i * 4 + 1] = v.g;
            rgba[i * 4 + 2] = v.b;
            rgba[i * 4 + 3] = c.in[i] == '.' ? 0 : 255;
        }
        BleedIntoTransparent(rgba.data(), c.w, c.h);
        for (size_t i = 0; i < n; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(colour(c.out[i]), (Rgb{rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]}));
            EXPECT_EQ(c.in[i] == '.' ? 0 : 255, rgba[i * 4 + 3]);  // alpha untouched
        }
    }
}
