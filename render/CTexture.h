// A picture file on disk as one OpenGL 2D texture. Opaque pictures are
// uploaded as RGB; colour-keyed ones as RGBA with the key colour fully
// transparent. Create, bind and release on the render thread only, with its
// context current, between the image library's initialise and de-initialise.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ImageDecoder.h"
#include "xlib/XString.h"

// Decodes a picture for display. A picture refused for its size gets one
// "Picture Too Large" run-log entry naming the file and what it claims; other
// failures are only a null result (the caller reports them).
ImageBitmap* LoadPicture(ImageFileKind kind, const XString& path);
// The same picture opened to be read by rows, after the same checks and with
// the same report.
std::unique_ptr<ImageRowReader> OpenPictureRows(ImageFileKind kind, const XString& path);

// Gives every fully transparent texel of a packed RGBA picture the colour of
// its nearest opaque texel (alpha stays 0), so that linear filtering at a
// sprite's edge blends in the sprite's own colour, never the key colour.
// A picture without any opaque texel is left as it is.
void BleedIntoTransparent(uint8_t* rgba, unsigned width, unsigned height);

// Swaps the first and third byte of every pixel in place (blue-green-red to
// red-green-blue), row by row at the pitch. Only 24-bit pictures are touched.
void SwapRedBlue(ImageBitmap* bitmap);

class CTexture {
public:
    CTexture();
    ~CTexture();
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // Decodes the stored file name (".bmp" or ".jpg", lower case only) into the
    // bitmap, red first. False, with width and height 0, when it cannot.
    bool ReadImage();
    // ReadImage, then the packed RGBA buffer (alpha 0 exactly where the pixel
    // equals the key, 255 elsewhere); the bitmap is freed.
    bool ReadColorKeyedImage(int32_t keyRed, int32_t keyGreen, int32_t keyBlue);

    // Both replace any texture this object holds. The file name is kept even
    // when the picture cannot be read. The new texture stays bound.
    bool CreateRGB(XString fileName, int magFilter, int minFilter);
    // The uploaded texels under the key have their neighbours' colours
    // (BleedIntoTransparent), so the key never shows at a filtered edge.
    bool CreateColorKeyed(XString fileName, int32_t keyRed, int32_t keyGreen, int32_t keyBlue, int magFilter,
                          int minFilter);

    // Binds this texture; an empty object leaves the current binding alone.
    void Bind();
    static void UnbindAll();
    static void SetEnvMode(int mode);

    bool IsEmpty() const { return m_TextureName == -1; }
    void Release();

    const XString& GetFileName() const { return m_FileName; }
    // For reading a picture without making a texture (no OpenGL needed).
    void SetFileName(const XString& fileName) { m_FileName = fileName; }
    int32_t GetTextureName() const { return m_TextureName; }
    unsigned GetWidth() const { return m_Width; }
    unsigned GetHeight() const { return m_Height; }
    // While a load is in progress (between a read and the upload).
    const ImageBitmap* GetBitmap() const { return m_Bitmap; }
    const uint8_t* GetPixelBuffer() const { return m_Pixels.get(); }

private:
    void FreeBitmap();
    void DeleteTexture();

    XString m_FileName;
    int32_t m_TextureName = -1;
    ImageBitmap* m_Bitmap = nullptr;
    std::unique_ptr<uint8_t[]> m_Pixels;
    uint32_t m_Width = 0;
    uint32_t m_Height = 0;
};
