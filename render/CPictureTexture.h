// A decoded picture (24-bit, rows at a 4-byte pitch, bottom row first) as one
// linearly filtered texture, drawn on a rectangle. The picture is sent again
// only when the caller says it changed. Where the driver cannot take the
// picture as it is (larger than its texture limit, or a size that is not a
// power of two on an OpenGL 1.1 driver), a resampled copy of a size it takes
// is sent instead; the rectangle drawn is the same. Render thread only, with
// the context current.
#pragma once

#include <cstdint>
#include <vector>

class CPictureTexture {
public:
    CPictureTexture() = default;
    ~CPictureTexture() = default;  // the texture ends with its context, or with Release
    CPictureTexture(const CPictureTexture&) = delete;
    CPictureTexture& operator=(const CPictureTexture&) = delete;

    // Sends the pixels; false when nothing could be made of them. `bits` is
    // in the byte order OpenGL calls GL_RGB.
    bool Upload(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch);
    // The whole picture on the rectangle (x0, y0) - (x1, y1) of the current
    // coordinates, lower-left first. Texturing state is the caller's to save.
    void Draw(double x0, double y0, double x1, double y1) const;
    // Deletes the texture (context current) or, after the context is gone,
    // just forgets it.
    void Release();
    void Forget() { m_Name = 0; }

    bool IsEmpty() const { return m_Name == 0; }
    uint32_t GetTextureWidth() const { return m_TexWidth; }
    uint32_t GetTextureHeight() const { return m_TexHeight; }
    // Counts uploads, for tests of when the picture is sent.
    uint32_t GetUploadCount() const { return m_Uploads; }

    // The size the texture will have for a w x h picture, given what the
    // driver takes.
    static void TextureSize(uint32_t width, uint32_t height, uint32_t maxSize, bool anySize, uint32_t& texWidth,
                            uint32_t& texHeight);
    // Bilinear resampling of 24-bit rows at a 4-byte pitch into `out` (same
    // layout), pixel centres mapped onto pixel centres.
    static void Resample(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch, uint32_t outWidth,
                         uint32_t outHeight, std::vector<uint8_t>& out);

private:
    uint32_t m_Name = 0;
    uint32_t m_TexWidth = 0, m_TexHeight = 0;
    uint32_t m_Uploads = 0;
    std::vector<uint8_t> m_Scratch;
};
