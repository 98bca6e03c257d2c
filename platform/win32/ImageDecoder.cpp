// Picture decoding with stb_image (header-only, built into the program so the
// .scr needs no codec DLL). stb delivers packed top-down RGB; it is rearranged
// here into the bottom-up BGR rows at a 4-byte pitch that the rest expects.
#include "platform/win32/WinInclude.h"

#include "platform/ImageDecoder.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
// Pictures above this edge are refused rather than risking a huge allocation.
#define STBI_MAX_DIMENSIONS (1 << 15)
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

struct ImageBitmap {
    unsigned width = 0, height = 0, pitch = 0;
    std::vector<uint8_t> bits;
};

void PlatformImageLibraryInitialise() {}

void PlatformImageLibraryDeInitialise() {}

namespace {
bool ReadAll(const char* path, std::vector<uint8_t>& data) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = ok && size > 0 && size < 0x7FFFFFFF && std::fseek(f, 0, SEEK_SET) == 0;
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

bool HasSignature(ImageFileKind kind, const std::vector<uint8_t>& d) {
    if (kind == ImageFileKind::Bmp) return d.size() >= 2 && d[0] == 'B' && d[1] == 'M';
    return d.size() >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF;
}
}  // namespace

ImageBitmap* PlatformLoadImage(ImageFileKind kind, const char* path) {
    if (!path || !*path) return nullptr;
    std::vector<uint8_t> data;
    if (!ReadAll(path, data) || !HasSignature(kind, data)) return nullptr;
    int w = 0, h = 0, channels = 0;
    stbi_uc* rgb = stbi_load_from_memory(data.data(), static_cast<int>(data.size()), &w, &h, &channels, 3);
    if (!rgb) return nullptr;
    ImageBitmap* bitmap = new (std::nothrow) ImageBitmap;
    if (bitmap) {
        bitmap->width = static_cast<unsigned>(w);
        bitmap->height = static_cast<unsigned>(h);
        bitmap->pitch = (bitmap->width * 3 + 3) & ~3u;
        try {
            bitmap->bits.assign(static_cast<size_t>(bitmap->pitch) * bitmap->height, 0);
        } catch (const std::bad_alloc&) {
            delete bitmap;
            bitmap = nullptr;
        }
    }
    if (bitmap) {
        for (unsigned y = 0; y < bitmap->height; ++y) {
            const stbi_uc* src = rgb + static_cast<size_t>(bitmap->height - 1 - y) * bitmap->width * 3;
            uint8_t* dst = bitmap->bits.data() + static_cast<size_t>(y) * bitmap->pitch;
            for (unsigned x = 0; x < bitmap->width; ++x) {
                dst[x * 3 + 0] = src[x * 3 + 2];
                dst[x * 3 + 1] = src[x * 3 + 1];
                dst[x * 3 + 2] = src[x * 3 + 0];
            }
        }
    }
    stbi_image_free(rgb);
    return bitmap;
}

void PlatformUnloadImage(ImageBitmap* bitmap) { delete bitmap; }

unsigned PlatformImageWidth(const ImageBitmap* bitmap) { return bitmap ? bitmap->width : 0; }
unsigned PlatformImageHeight(const ImageBitmap* bitmap) { return bitmap ? bitmap->height : 0; }
unsigned PlatformImageBitsPerPixel(const ImageBitmap* bitmap) { return bitmap ? 24 : 0; }
unsigned PlatformImagePitch(const ImageBitmap* bitmap) { return bitmap ? bitmap->pitch : 0; }
uint8_t* PlatformImageBits(ImageBitmap* bitmap) { return bitmap ? bitmap->bits.data() : nullptr; }
