// The picture decoders: our own bitmap reader on every platform, and for JPEG
// the platform's well-kept codec (DecodeJpeg: libjpeg-turbo on Linux, the
// Windows Imaging Component on Windows), each behind the same checks.
#include "platform/ImageDecoder.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/common/DecodedImage.h"

bool ImageSizeAllowed(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

ImageBitmap* NewImageBitmap(unsigned width, unsigned height) {
    ImageBitmap* bitmap = new (std::nothrow) ImageBitmap;
    if (!bitmap) return nullptr;
    bitmap->width = width;
    bitmap->height = height;
    bitmap->pitch = (width * 3 + 3) & ~3u;
    try {
        bitmap->bits.assign(static_cast<size_t>(bitmap->pitch) * height, 0);
    } catch (const std::bad_alloc&) {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}

void PlatformImageLibraryInitialise() {}

void PlatformImageLibraryDeInitialise() {}

namespace {
bool HasSignature(ImageFileKind kind, const uint8_t* d, size_t size) {
    if (kind == ImageFileKind::Bmp) return size >= 2 && d[0] == 'B' && d[1] == 'M';
    return size >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}

}  // namespace

ImageBitmap* DecodeImage(ImageFileKind kind, const uint8_t* data, size_t size, ImageLoadInfo* info) {
    ImageLoadInfo local;
    ImageLoadInfo& out = info ? *info : local;
    out = ImageLoadInfo{};
    if (!data || size == 0) return nullptr;
    if (!HasSignature(kind, data, size)) {
        out.status = ImageLoadStatus::WrongKind;
        return nullptr;
    }
    out.status = ImageLoadStatus::Damaged;
    ImageBitmap* bitmap = kind == ImageFileKind::Bmp ? DecodeBmp(data, size, out) : DecodeJpeg(data, size, out);
    if (bitmap) out.status = ImageLoadStatus::Ok;
    return bitmap;
}

namespace {
// The whole file, after its length is checked; false (with `out` set) when it
// cannot be had.
bool ReadImageFile(const char* path, std::vector<uint8_t>& data, ImageLoadInfo& out) {
    if (!path || !*path) return false;
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    if (ok && size > 0 && static_cast<uint64_t>(size) > kMaxImageFileBytes) {
        std::fclose(f);
        out.status = ImageLoadStatus::TooLarge;
        return false;
    }
    ok = ok && size > 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        try {
            data.resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ok = ok && std::fread(data.data(), 1, data.size(), f) == data.size();
    std::fclose(f);
    return ok;
}

class BitmapRows : public ImageRowReader {
public:
    explicit BitmapRows(ImageBitmap* bitmap) : m_Bitmap(bitmap) {
        m_Width = bitmap->width;
        m_Height = bitmap->height;
    }
    bool ReadRow(uint8_t* dst) override {
        if (m_Next >= m_Height) return false;
        const uint8_t* src = m_Bitmap->bits.data() + static_cast<size_t>(m_Height - 1 - m_Next) * m_Bitmap->pitch;
        std::memcpy(dst, src, static_cast<size_t>(m_Width) * 3);
        ++m_Next;
        return true;
    }

private:
    std::unique_ptr<ImageBitmap> m_Bitmap;
    unsigned m_Next = 0;
};
}  // namespace

std::unique_ptr<ImageRowReader> RowsOfBitmap(ImageBitmap* bitmap) {
    if (!bitmap) return nullptr;
    return std::make_unique<BitmapRows>(bitmap);
}

ImageBitmap* PlatformLoadImage(ImageFileKind kind, const char* path, ImageLoadInfo* info) {
    ImageLoadInfo local;
    ImageLoadInfo& out = info ? *info : local;
    out = ImageLoadInfo{};
    std::vector<uint8_t> data;
    if (!ReadImageFile(path, data, out)) return nullptr;
    return DecodeImage(kind, data.data(), data.size(), &out);
}

std::unique_ptr<ImageRowReader> PlatformOpenImageRows(ImageFileKind kind, const char* path, ImageLoadInfo* info) {
    ImageLoadInfo local;
    ImageLoadInfo& out = info ? *info : local;
    out = ImageLoadInfo{};
    std::vector<uint8_t> data;
    if (!ReadImageFile(path, data, out)) return nullptr;
    if (kind == ImageFileKind::Bmp || !HasSignature(kind, data.data(), data.size()))
        return RowsOfBitmap(DecodeImage(kind, data.data(), data.size(), &out));
    out.status = ImageLoadStatus::Damaged;
    std::unique_ptr<ImageRowReader> rows = OpenJpegRows(std::move(data), out);
    if (rows) out.status = ImageLoadStatus::Ok;
    return rows;
}

void PlatformUnloadImage(ImageBitmap* bitmap) { delete bitmap; }

unsigned PlatformImageWidth(const ImageBitmap* bitmap) { return bitmap ? bitmap->width : 0; }
unsigned PlatformImageHeight(const ImageBitmap* bitmap) { return bitmap ? bitmap->height : 0; }
unsigned PlatformImageBitsPerPixel(const ImageBitmap* bitmap) { return bitmap ? 24 : 0; }
unsigned PlatformImagePitch(const ImageBitmap* bitmap) { return bitmap ? bitmap->pitch : 0; }
uint8_t* PlatformImageBits(ImageBitmap* bitmap) { return bitmap ? bitmap->bits.data() : nullptr; }
