// Picture decoding with FreeImage.
#include "platform/ImageDecoder.h"

#include <FreeImage.h>

namespace {
FIBITMAP* Fi(ImageBitmap* b) { return reinterpret_cast<FIBITMAP*>(b); }
FIBITMAP* Fi(const ImageBitmap* b) { return reinterpret_cast<FIBITMAP*>(const_cast<ImageBitmap*>(b)); }
}  // namespace

void PlatformImageLibraryInitialise() { FreeImage_Initialise(FALSE); }

void PlatformImageLibraryDeInitialise() { FreeImage_DeInitialise(); }

ImageBitmap* PlatformLoadImage(ImageFileKind kind, const char* path) {
    if (!path || !*path) return nullptr;
    const FREE_IMAGE_FORMAT want = kind == ImageFileKind::Bmp ? FIF_BMP : FIF_JPEG;
    // The plugins trust the caller about the format: check the signature first
    // so that a JPEG named .bmp is refused instead of misread.
    if (FreeImage_GetFileType(path, 0) != want) return nullptr;
    FIBITMAP* bitmap = FreeImage_Load(want, path, 0);
    if (!bitmap) return nullptr;
    if (FreeImage_GetImageType(bitmap) != FIT_BITMAP || FreeImage_GetBPP(bitmap) != 24) {
        // Palette, greyscale, 16- and 32-bit pictures (CMYK JPEG arrives as
        // RGB already): one shared 24-bit layout downstream.
        FIBITMAP* converted = FreeImage_ConvertTo24Bits(bitmap);
        FreeImage_Unload(bitmap);
        bitmap = converted;
    }
    return reinterpret_cast<ImageBitmap*>(bitmap);
}

void PlatformUnloadImage(ImageBitmap* bitmap) {
    if (bitmap) FreeImage_Unload(Fi(bitmap));
}

unsigned PlatformImageWidth(const ImageBitmap* bitmap) { return bitmap ? FreeImage_GetWidth(Fi(bitmap)) : 0; }
unsigned PlatformImageHeight(const ImageBitmap* bitmap) { return bitmap ? FreeImage_GetHeight(Fi(bitmap)) : 0; }
unsigned PlatformImageBitsPerPixel(const ImageBitmap* bitmap) { return bitmap ? FreeImage_GetBPP(Fi(bitmap)) : 0; }
unsigned PlatformImagePitch(const ImageBitmap* bitmap) { return bitmap ? FreeImage_GetPitch(Fi(bitmap)) : 0; }
uint8_t* PlatformImageBits(ImageBitmap* bitmap) { return bitmap ? FreeImage_GetBits(Fi(bitmap)) : nullptr; }
