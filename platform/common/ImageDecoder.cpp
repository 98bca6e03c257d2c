// The picture decoders: our own bitmap reader on every platform, and for JPEG
// the platform's well-kept codec (DecodeJpeg: libjpeg-turbo on Linux, the
// Windows Imaging Component on Windows), each behind the same checks.
#include "platform/ImageDecoder.h"

#include <cstdio>
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

ImageBitmap* PlatformLoadImage(ImageFileKind kind, const char* path, ImageLoadInfo* info) {
    ImageLoadInfo local;
    ImageLoadInfo& out = info ? *info : local;
    out = ImageLoadInfo{};
    if (!path || !*path) return nullptr;
    FILE* f = std::fopen(path, "rb");
    if (!f) return nullptr;
    std::vector<uint8_t> data;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    if (ok && size > 0 && static_cast<uint64_t>(size) > kMaxImageFileBytes) {
        std::fclose(f);
        out.status = ImageLoadStatus::TooLarge;
        return nullptr;
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
    if (!ok) return nullptr;
    return DecodeImage(kind, data.data(), data.size(), &out);
}

void PlatformUnloadImage(ImageBitmap* bitmap) { delete bitmap; }

unsigned PlatformImageWidth(const ImageBitmap* bitmap) { return bitmap ? bitmap->width : 0; }
unsigned PlatformImageHeight(const ImageBitmap* bitmap) { return bitmap ? bitmap->height : 0; }
unsigned PlatformImageBitsPerPixel(const ImageBitmap* bitmap) { return bitmap ? 24 : 0; }
unsigned PlatformImagePitch(const ImageBitmap* bitmap) { return bitmap ? bitmap->pitch : 0; }
uint8_t* PlatformImageBits(ImageBitmap* bitmap) { return bitmap ? bitmap->bits.data() : nullptr; }
