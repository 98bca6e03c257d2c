// One decoder for every platform: our bitmap reader, and stb_image (header
// only, compiled in, so the Windows program needs no codec DLL) for JPEG.
#include "platform/ImageDecoder.h"

#include <cstdio>
#include <new>

#include "platform/common/DecodedImage.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_NO_FAILURE_STRINGS
// stb checks its own limit; ours is applied to the frame header it reports.
#define STBI_MAX_DIMENSIONS (1 << 16)
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

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

ImageBitmap* DecodeJpeg(const uint8_t* data, size_t size, ImageLoadInfo& info) {
    if (size > 0x7FFFFFFF) return nullptr;
    const int length = static_cast<int>(size);
    int w = 0, h = 0, channels = 0;
    // The frame header first: a forged size is refused before stb allocates.
    if (!stbi_info_from_memory(data, length, &w, &h, &channels)) {
        info.status = ImageLoadStatus::Damaged;
        return nullptr;
    }
    info.width = static_cast<uint64_t>(w);
    info.height = static_cast<uint64_t>(h);
    if (!ImageSizeAllowed(info.width, info.height)) {
        info.status = ImageLoadStatus::TooLarge;
        return nullptr;
    }
    stbi_uc* rgb = stbi_load_from_memory(data, length, &w, &h, &channels, 3);
    if (!rgb) {
        info.status = ImageLoadStatus::Damaged;
        return nullptr;
    }
    ImageBitmap* bitmap = NewImageBitmap(static_cast<unsigned>(w), static_cast<unsigned>(h));
    if (bitmap) {
        // stb gives packed top-down red-green-blue rows.
        for (unsigned y = 0; y < bitmap->height; ++y) {
            const stbi_uc* src = rgb + static_cast<size_t>(bitmap->height - 1 - y) * bitmap->width * 3;
            uint8_t* dst = bitmap->bits.data() + static_cast<size_t>(y) * bitmap->pitch;
            for (unsigned x = 0; x < bitmap->width; ++x) {
                dst[x * 3 + 0] = src[x * 3 + 2];
                dst[x * 3 + 1] = src[x * 3 + 1];
                dst[x * 3 + 2] = src[x * 3 + 0];
            }
        }
    } else {
        info.status = ImageLoadStatus::NoMemory;
    }
    stbi_image_free(rgb);
    return bitmap;
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
