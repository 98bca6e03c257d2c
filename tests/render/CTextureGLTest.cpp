// Textures in a real (offscreen) OpenGL context.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "render/CPictureTexture.h"
#include "render/CTexture.h"
#include "tests/GLTestContext.h"
#include "tests/TestSupport.h"
#include "tests/render/TestBitmaps.h"

namespace {
class TextureGL : public ::testing::Test {
protected:
    void SetUp() override {
        gl = std::make_unique<GLTestContext>(16, 8);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
    }
    void TearDown() override { gl.reset(); }

    XString Write(const std::string& name, const std::string& bytes) {
        WriteWholeFile(dir.File(name), bytes);
        return XString(dir.File(name).c_str());
    }

    // Draws the bound texture over the whole 16 x 8 frame, one texel per pixel,
    // blended over a cleared frame of the given colour.
    std::vector<uint8_t> DrawOver(float r, float g, float b) {
        glViewport(0, 0, 16, 8);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, 16, 0, 8, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_TEXTURE_2D);
        CTexture::SetEnvMode(GL_REPLACE);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(0, 0);
        glTexCoord2f(1, 0);
        glVertex2f(16, 0);
        glTexCoord2f(1, 1);
        glVertex2f(16, 8);
        glTexCoord2f(0, 1);
        glVertex2f(0, 8);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        return gl->ReadPixels();
    }

    // The 16 x 8 frame cleared to (r, g, b) with what `texture` placed last
    // drawn over it, under identity matrices as the background draws it.
    std::vector<uint8_t> FittedFrame(const CPictureTexture& texture, float r, float g, float b) {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glViewport(0, 0, 16, 8);
        texture.DrawFitted(16, 8);
        glDisable(GL_TEXTURE_2D);
        return gl->ReadPixels();
    }

    static GLint Bound() {
        GLint name = 0;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
        return name;
    }

    TempDir dir;
    std::unique_ptr<GLTestContext> gl;
};

// A 16 x 8 sprite: key everywhere except a few marked pixels (top row first).
std::vector<Rgb> Sprite() {
    std::vector<Rgb> px(16 * 8, Rgb{255, 1, 222});
    px[0] = {255, 0, 222};       // one step off the key: opaque
    px[1] = {10, 20, 30};
    px[7 * 16 + 15] = {200, 100, 50};  // bottom right
    return px;
}
}  // namespace

TEST_F(TextureGL, ColourKeyedBackgroundIsInvisibleUnderBlending) {
    CTexture t;
    ASSERT_TRUE(t.CreateColorKeyed(Write("s.bmp", MakeBmp24(16, 8, Sprite())), 255, 1, 222, GL_NEAREST, GL_NEAREST));
    EXPECT_FALSE(t.IsEmpty());
    EXPECT_EQ(nullptr, t.GetPixelBuffer());  // the texels live only in OpenGL now
    EXPECT_EQ(t.GetTextureName(), Bound());  // and the new texture stays bound
    const std::vector<uint8_t> frame = DrawOver(0, 1, 0);
    auto at = [&](int x, int rowFromBottom) {
        const uint8_t* p = &frame[(rowFromBottom * 16 + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    };
    EXPECT_EQ((Rgb{255, 0, 222}), at(0, 7));
    EXPECT_EQ((Rgb{10, 20, 30}), at(1, 7));
    EXPECT_EQ((Rgb{200, 100, 50}), at(15, 0));
    int background = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_FALSE(at(x, y) == (Rgb{255, 1, 222})) << x << "," << y;
            if (at(x, y) == (Rgb{0, 255, 0})) ++background;
        }
    EXPECT_EQ(16 * 8 - 3, background);
}

TEST_F(TextureGL, OpaqueUploadKeepsRowsOfOddWidth) {
    // 10 x 3 pixels: 30 bytes a row, padded to 32 in the bitmap.
    std::vector<Rgb> px;
    for (int i = 0; i < 30; ++i) px.push_back({static_cast<uint8_t>(i * 8), static_cast<uint8_t>(255 - i), 7});
    CTexture t;
    ASSERT_TRUE(t.CreateRGB(Write("odd.bmp", MakeBmp24(10, 3, px)), GL_LINEAR, GL_LINEAR));
    EXPECT_EQ(nullptr, t.GetBitmap());
    std::vector<uint8_t> texels(10 * 3 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    GLint internal = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    EXPECT_TRUE(internal == 3 || internal == GL_RGB || internal == GL_RGB8) << internal;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x) {
            const Rgb& want = px[(2 - y) * 10 + x];  // texel row 0 is the picture's bottom row
            const uint8_t* p = &texels[(y * 10 + x) * 3];
            EXPECT_EQ(want, (Rgb{p[0], p[1], p[2]})) << x << "," << y;
        }
}

TEST_F(TextureGL, CreatingTwiceLeavesOneLiveTexture) {
    const XString a = Write("a.bmp", MakeBmp24(16, 8, Sprite()));
    CTexture t;
    ASSERT_TRUE(t.CreateColorKeyed(a, 255, 1, 222, GL_LINEAR, GL_LINEAR));
    const GLuint first = static_cast<GLuint>(t.GetTextureName());
    EXPECT_TRUE(glIsTexture(first));
    ASSERT_TRUE(t.CreateRGB(a, GL_LINEAR, GL_LINEAR));
    const GLuint second = static_cast<GLuint>(t.GetTextureName());
    EXPECT_TRUE(glIsTexture(second));
    if (first != second) {
        EXPECT_FALSE(glIsTexture(first));
    }

    // A failed create deletes the old texture too, and keeps the name asked for.
    const XString missing(dir.File("missing.bmp").c_str());
    EXPECT_FALSE(t.CreateColorKeyed(missing, 255, 1, 222, GL_LINEAR, GL_LINEAR));
    EXPECT_TRUE(t.IsEmpty());
    EXPECT_FALSE(glIsTexture(second));
    EXPECT_EQ(std::string(missing.View()), std::string(t.GetFileName().View()));
    EXPECT_EQ(0u, t.GetWidth());

    const XString upper = Write("UPPER.BMP", MakeBmp24(16, 8, Sprite()));
    EXPECT_FALSE(t.CreateRGB(upper, GL_LINEAR, GL_LINEAR));
    EXPECT_TRUE(t.IsEmpty());
}

TEST_F(TextureGL, BindingAnEmptyTextureKeepsTheCurrentOne) {
    CTexture full, empty;
    ASSERT_TRUE(full.CreateRGB(Write("f.bmp", MakeBmp24(16, 8, Sprite())), GL_LINEAR, GL_LINEAR));
    full.Bind();
    empty.Bind();
    EXPECT_EQ(full.GetTextureName(), Bound());
    CTexture::UnbindAll();
    EXPECT_EQ(0, Bound());
    full.Bind();
    EXPECT_EQ(full.GetTextureName(), Bound());

    CTexture::SetEnvMode(GL_MODULATE);
    GLint mode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(GL_MODULATE, mode);
    CTexture::SetEnvMode(GL_REPLACE);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    EXPECT_EQ(GL_REPLACE, mode);

    const GLuint name = static_cast<GLuint>(full.GetTextureName());
    full.Release();
    EXPECT_FALSE(glIsTexture(name));
    EXPECT_TRUE(full.IsEmpty());
    EXPECT_TRUE(full.GetFileName().IsEmpty());
}

TEST_F(TextureGL, UploadIgnoresChangedUnpackState) {
    std::vector<Rgb> px;
    for (int i = 0; i < 30; ++i) px.push_back({static_cast<uint8_t>(i), 50, static_cast<uint8_t>(200 - i)});
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // as another module might leave it
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    CTexture t;
    ASSERT_TRUE(t.CreateRGB(Write("o.bmp", MakeBmp24(10, 3, px)), GL_LINEAR, GL_LINEAR));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(1, alignment);  // put back afterwards
    std::vector<uint8_t> texels(10 * 3 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(px[20].r, texels[0]);  // bottom-left texel = first pixel of the last row
    EXPECT_EQ(px[29].b, texels[(0 * 10 + 9) * 3 + 2]);
    EXPECT_EQ(px[9].r, texels[(2 * 10 + 9) * 3 + 0]);
}

// A still picture resampled for its window pixels is sent again exactly when
// what it shows there would change, and drawn where its rectangle is.
TEST_F(TextureGL, FittedPictureIsSentAgainOnlyWhenItsPixelsChange) {
    // 4 x 2, red first, bottom row first: a red ramp across, green down.
    std::vector<uint8_t> bits(2 * 12, 0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            bits[y * 12 + x * 3] = static_cast<uint8_t>(40 + 60 * x);
            bits[y * 12 + x * 3 + 1] = static_cast<uint8_t>(y ? 200 : 20);
        }
    CPictureTexture texture;
    const struct {
        double left, bottom, right, top;
        bool changed;
        unsigned uploads;  // counted after this step
        const char* why;
    } steps[] = {
        {4, 2, 8, 4, false, 1, "the first placement is sent"},
        {4, 2, 8, 4, false, 1, "the same place again is not"},
        {2, 1, 6, 3, false, 1, "moved by whole pixels: the same texels"},
        {2, 1, 6, 3, true, 2, "the picture changed"},
        {2.25, 1, 6.25, 3, false, 3, "moved within a pixel: other texels"},
        {0, 0, 16, 8, false, 4, "another size"},
        {0, 0, 16, 8, false, 4, "and that size again"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.why);
        ASSERT_TRUE(texture.PlaceFitted(bits.data(), 4, 2, 12, s.left, s.bottom, s.right, s.top, s.changed));
        EXPECT_EQ(s.uploads, texture.GetUploadCount());
    }
    // Placed over the whole frame: the pixels are the picture at 4 x 4 times,
    // the bottom row at the bottom, the red ramp rising to the right.
    const std::vector<uint8_t> f = FittedFrame(texture, 0, 0, 0);
    EXPECT_NEAR(40, f[0], 2);                  // bottom left
    EXPECT_NEAR(20, f[1], 2);
    EXPECT_NEAR(220, f[(7 * 16 + 15) * 4], 2);  // top right
    EXPECT_NEAR(200, f[(7 * 16 + 15) * 4 + 1], 2);
    for (int x = 1; x < 16; ++x) EXPECT_GE(f[x * 4], f[(x - 1) * 4]) << x;
    // Going back to an ordinary upload gives the texture back its filter and format.
    EXPECT_TRUE(texture.IsFitted());
    ASSERT_TRUE(texture.Upload(bits.data(), 4, 2, 12));
    EXPECT_FALSE(texture.IsFitted());
    EXPECT_EQ(5u, texture.GetUploadCount());
    texture.Release();
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(TextureGL, AFittedPictureOfferedAheadIsPlacedWithoutItsDecodedCopy) {
    std::vector<uint8_t> bits(2 * 12, 90);
    CPictureTexture texture;
    const double left = 0, bottom = 0, right = 16, top = 8;
    // Nothing offered: without the decoded picture there is nothing to place.
    EXPECT_FALSE(texture.PreparedFor(4, 2, left, bottom, right, top));
    EXPECT_FALSE(texture.PlaceFitted(nullptr, 4, 2, 0, left, bottom, right, top, true));
    EXPECT_EQ(0u, texture.GetUploadCount());
    // Offered for another rectangle: not this one's.
    texture.Offer(CPictureTexture::PrepareFitted(bits.data(), 4, 2, 12, 0, 0, 8, 4));
    EXPECT_FALSE(texture.PreparedFor(4, 2, left, bottom, right, top));
    EXPECT_FALSE(texture.PlaceFitted(nullptr, 4, 2, 0, left, bottom, right, top, true));
    // Offered for this one: placed from the offer, then kept without either.
    texture.Offer(CPictureTexture::PrepareFitted(bits.data(), 4, 2, 12, left, bottom, right, top));
    EXPECT_TRUE(texture.PreparedFor(4, 2, left, bottom, right, top));
    ASSERT_TRUE(texture.PlaceFitted(nullptr, 4, 2, 0, left, bottom, right, top, true));
    EXPECT_EQ(1u, texture.GetUploadCount());
    EXPECT_FALSE(texture.PreparedFor(4, 2, left, bottom, right, top));
    EXPECT_TRUE(texture.PlaceFitted(nullptr, 4, 2, 0, left, bottom, right, top, false));
    EXPECT_EQ(1u, texture.GetUploadCount());
    texture.Release();
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}

TEST_F(TextureGL, AFittedPictureCopiedIntoTheFrameMatchesTheDrawnOne) {
    // 5 x 3, red first, bottom row first: every texel its own colour, so a
    // row or column out of place shows.
    std::vector<uint8_t> bits(3 * 16, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            bits[y * 16 + x * 3] = static_cast<uint8_t>(30 + 45 * x);
            bits[y * 16 + x * 3 + 1] = static_cast<uint8_t>(40 + 80 * y);
            bits[y * 16 + x * 3 + 2] = static_cast<uint8_t>(7 * x + 19 * y);
        }
    const int major = std::atoi(reinterpret_cast<const char*>(glGetString(GL_VERSION)));
    auto frame = [&](bool blit, double left, double bottom, double right, double top) {
        CPictureTexture::AllowFramebufferBlit(blit);
        CPictureTexture texture;
        EXPECT_TRUE(texture.PlaceFitted(bits.data(), 5, 3, 16, left, bottom, right, top, true));
        // Copied wherever the context has the calls, drawn where it was told not to.
        EXPECT_EQ(blit && major >= 3, texture.BlitsFitted());
        std::vector<uint8_t> f = FittedFrame(texture, 0.1f, 0.3f, 0.7f);
        texture.Release();
        CPictureTexture::AllowFramebufferBlit(true);
        return f;
    };
    const struct {
        double left, bottom, right, top;
        const char* why;
    } places[] = {
        {0, 0, 16, 8, "the whole frame"},
        {4, 2, 9, 5, "inside, one texel a pixel"},
        {2.5, 1.25, 12.5, 7.25, "inside, stretched, off the pixel grid"},
        {-6, -2, 9, 4, "over the left and bottom edges"},
        {9, 5, 24, 11, "over the right and top edges"},
        {-10, -6, 26, 14, "larger than the frame on every side"},
        {20, 0, 30, 8, "beside the frame"},
    };
    for (const auto& p : places) {
        SCOPED_TRACE(p.why);
        const std::vector<uint8_t> copied = frame(true, p.left, p.bottom, p.right, p.top);
        const std::vector<uint8_t> drawn = frame(false, p.left, p.bottom, p.right, p.top);
        ASSERT_EQ(drawn.size(), copied.size());
        int worst = 0;
        size_t at = 0;
        for (size_t i = 0; i < drawn.size(); ++i)
            if (i % 4 != 3 && std::abs(drawn[i] - copied[i]) > worst) {
                worst = std::abs(drawn[i] - copied[i]);
                at = i / 4;
            }
        EXPECT_LE(worst, 2) << "pixel " << at % 16 << "," << at / 16;
    }
    // Nothing left bound that the next draw would read from or write to.
    GLint read = -1;
    glGetIntegerv(0x8CAA, &read);
    EXPECT_EQ(0, read);
    EXPECT_EQ(static_cast<GLenum>(GL_NO_ERROR), glGetError());
}
