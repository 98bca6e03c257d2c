// Textures in a real (offscreen) OpenGL context.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
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
