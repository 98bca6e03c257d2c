#include "render/CTexture.h"

#include <new>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "render/TextureUpload.h"
#include "xlib/RunLog.h"
#include "xlib/UserFile.h"

namespace {
void ReportIfTooLarge(const XString& path, const ImageLoadInfo& info) {
    if (info.status != ImageLoadStatus::TooLarge) return;
    std::string message(path.c_str(), path.GetLength());
    if (info.width == 0)
        message += ": the file is larger than " + std::to_string(kMaxImageFileBytes >> 20) + " MiB";
    else
        message += ": " + std::to_string(info.width) + " x " + std::to_string(info.height) + " pixels";
    message += "; pictures are limited to " + std::to_string(kMaxImageSide) + " pixels on a side and " +
               std::to_string(kMaxImagePixels) + " pixels in all. The picture is not shown.";
    WriteRunLog("Picture Too Large", message);
}
}  // namespace

ImageBitmap* LoadPicture(ImageFileKind kind, const XString& path) {
    // The file's length is bounded by the loader, which looks before it reads.
    if (UserFileRefused(path, kAnyFileLength, "The picture")) return nullptr;
    ImageLoadInfo info;
    ImageBitmap* bitmap = PlatformLoadImage(kind, path.c_str(), &info);
    ReportIfTooLarge(path, info);
    return bitmap;
}

std::unique_ptr<ImageRowReader> OpenPictureRows(ImageFileKind kind, const XString& path) {
    if (UserFileRefused(path, kAnyFileLength, "The picture")) return nullptr;
    ImageLoadInfo info;
    std::unique_ptr<ImageRowReader> rows = PlatformOpenImageRows(kind, path.c_str(), &info);
    ReportIfTooLarge(path, info);
    return rows;
}

void BleedIntoTransparent(uint8_t* rgba, unsigned width, unsigned height) {
    if (!rgba || width == 0 || height == 0) return;
    const size_t count = static_cast<size_t>(width) * height;
    // Breadth-first from every opaque texel at once: each transparent texel is
    // reached first from (one of) its nearest opaque texels, counting the eight
    // neighbours as one step, and takes that colour.
    std::vector<uint32_t> queue;
    std::vector<uint8_t> done(count, 0);
    queue.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (rgba[i * 4 + 3] != 0) {
            done[i] = 1;
            queue.push_back(static_cast<uint32_t>(i));
        }
    }
    for (size_t head = 0; head < queue.size(); ++head) {
        const uint32_t i = queue[head];
        const unsigned x = i % width, y = i / width;
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const long nx = static_cast<long>(x) + dx, ny = static_cast<long>(y) + dy;
                if (nx < 0 || ny < 0 || nx >= static_cast<long>(width) || ny >= static_cast<long>(height)) continue;
                const size_t n = static_cast<size_t>(ny) * width + static_cast<size_t>(nx);
                if (done[n]) continue;
                done[n] = 1;
                rgba[n * 4 + 0] = rgba[i * 4 + 0];
                rgba[n * 4 + 1] = rgba[i * 4 + 1];
                rgba[n * 4 + 2] = rgba[i * 4 + 2];
                queue.push_back(static_cast<uint32_t>(n));
            }
        }
    }
}

void SwapRedBlue(ImageBitmap* bitmap) {
    if (!bitmap || PlatformImageBitsPerPixel(bitmap) != 24) return;
    const unsigned width = PlatformImageWidth(bitmap);
    const unsigned height = PlatformImageHeight(bitmap);
    const unsigned pitch = PlatformImagePitch(bitmap);
    uint8_t* bits = PlatformImageBits(bitmap);
    if (!bits) return;
    for (unsigned y = 0; y < height; ++y) {
        uint8_t* p = bits + static_cast<size_t>(y) * pitch;
        for (unsigned x = 0; x < width; ++x, p += 3) {
            uint8_t t = p[0];
            p[0] = p[2];
            p[2] = t;
        }
    }
}

CTexture::CTexture() = default;

CTexture::~CTexture() {
    XGuard("CTexture destructor", [&] { Release(); });
}

void CTexture::FreeBitmap() {
    if (m_Bitmap) PlatformUnloadImage(m_Bitmap);
    m_Bitmap = nullptr;
}

void CTexture::DeleteTexture() {
    if (m_TextureName != -1) {
        GLuint name = static_cast<GLuint>(m_TextureName);
        glDeleteTextures(1, &name);
    }
    m_TextureName = -1;
}

bool CTexture::ReadImage() {
    bool ok = false;
    XGuard("CTexture::ReadImage", [&] {
        m_Width = m_Height = 0;
        FreeBitmap();
        if (!m_FileName.FileExists()) return;
        // The suffix picks the decoder and is matched exactly: ".JPG" is not a JPEG here.
        ImageFileKind kind;
        if (m_FileName.EndsWith(".bmp"))
            kind = ImageFileKind::Bmp;
        else if (m_FileName.EndsWith(".jpg"))
            kind = ImageFileKind::Jpeg;
        else
            return;
        m_Bitmap = LoadPicture(kind, m_FileName);
        if (!m_Bitmap) return;
        m_Width = PlatformImageWidth(m_Bitmap);
        m_Height = PlatformImageHeight(m_Bitmap);
        SwapRedBlue(m_Bitmap);
        ok = true;
    });
    return ok;
}

bool CTexture::ReadColorKeyedImage(int32_t keyRed, int32_t keyGreen, int32_t keyBlue) {
    bool ok = false;
    XGuard("CTexture::ReadColorKeyedImage", [&] {
        m_Pixels.reset();
        if (!ReadImage()) return;
        const size_t count = static_cast<size_t>(m_Width) * m_Height;
        m_Pixels.reset(new (std::nothrow) uint8_t[count * 4]);
        if (!m_Pixels) {
            FreeBitmap();
            m_Width = m_Height = 0;
            return;
        }
        const uint8_t r = static_cast<uint8_t>(keyRed), g = static_cast<uint8_t>(keyGreen),
                      b = static_cast<uint8_t>(keyBlue);
        const unsigned pitch = PlatformImagePitch(m_Bitmap);
        const uint8_t* bits = PlatformImageBits(m_Bitmap);
        uint8_t* dst = m_Pixels.get();
        for (unsigned y = 0; y < m_Height; ++y) {
            const uint8_t* src = bits + static_cast<size_t>(y) * pitch;
            for (unsigned x = 0; x < m_Width; ++x, src += 3, dst += 4) {
                dst[0] = src[0];
                dst[1] = src[1];
                dst[2] = src[2];
                dst[3] = (src[0] == r && src[1] == g && src[2] == b) ? 0 : 255;
            }
        }
        FreeBitmap();
        ok = true;
    });
    return ok;
}

bool CTexture::CreateRGB(XString fileName, int magFilter, int minFilter) {
    bool ok = false;
    XGuard("CTexture::CreateRGB", [&] {
        m_FileName = fileName;
        DeleteTexture();
        if (!ReadImage()) return;
        m_TextureName = static_cast<int32_t>(NewClampedTexture(magFilter, minFilter));
        WithDefaultUnpack([&] {
            glTexImage2D(GL_TEXTURE_2D, 0, 3, static_cast<GLsizei>(m_Width), static_cast<GLsizei>(m_Height), 0,
                         GL_RGB, GL_UNSIGNED_BYTE, PlatformImageBits(m_Bitmap));
        });
        FreeBitmap();
        ok = true;
    });
    return ok;
}

bool CTexture::CreateColorKeyed(XString fileName, int32_t keyRed, int32_t keyGreen, int32_t keyBlue, int magFilter,
                                int minFilter) {
    bool ok = false;
    XGuard("CTexture::CreateColorKeyed", [&] {
        m_FileName = fileName;
        DeleteTexture();
        if (!ReadColorKeyedImage(keyRed, keyGreen, keyBlue)) return;
        BleedIntoTransparent(m_Pixels.get(), m_Width, m_Height);
        m_TextureName = static_cast<int32_t>(NewClampedTexture(magFilter, minFilter));
        WithDefaultUnpack([&] {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(m_Width), static_cast<GLsizei>(m_Height), 0,
                         GL_RGBA, GL_UNSIGNED_BYTE, m_Pixels.get());
        });
        m_Pixels.reset();
        ok = true;
    });
    return ok;
}

void CTexture::Bind() {
    if (m_TextureName != -1) glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_TextureName));
}

void CTexture::UnbindAll() { glBindTexture(GL_TEXTURE_2D, 0); }

void CTexture::SetEnvMode(int mode) {
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(mode));
}

void CTexture::Release() {
    XGuard("CTexture::Release", [&] {
        FreeBitmap();
        m_Pixels.reset();
        DeleteTexture();
        m_FileName = "";
        m_Width = m_Height = 0;
    });
}
