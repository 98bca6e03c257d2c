// Decoding of Windows bitmap and JPEG files. Whatever the platform's codec,
// every picture comes out in one layout, so that everything after decoding is
// shared: 24 bits per pixel in blue, green, red byte order, rows bottom-up,
// each row padded to a multiple of 4 bytes (the pitch). Pictures stored with
// another depth (palette bitmaps, 16- or 32-bit bitmaps, greyscale or CMYK
// JPEG) are converted to that layout as they are read.
#pragma once

#include <cstdint>

// A decoded picture owned by the caller until PlatformUnloadImage.
struct ImageBitmap;

enum class ImageFileKind { Bmp, Jpeg };

// Brackets the codec's lifetime; the screen-saver instance calls these around
// every run. Calls may nest (each Initialise is matched by one DeInitialise).
void PlatformImageLibraryInitialise();
void PlatformImageLibraryDeInitialise();

// Decodes the file as the given kind; null when the file is missing, is not
// of that kind, or cannot be decoded (or is too large to hold in memory).
ImageBitmap* PlatformLoadImage(ImageFileKind kind, const char* path);
void PlatformUnloadImage(ImageBitmap* bitmap);

unsigned PlatformImageWidth(const ImageBitmap* bitmap);
unsigned PlatformImageHeight(const ImageBitmap* bitmap);
unsigned PlatformImageBitsPerPixel(const ImageBitmap* bitmap);
// Bytes from the start of one row to the start of the next.
unsigned PlatformImagePitch(const ImageBitmap* bitmap);
// The bottom row first.
uint8_t* PlatformImageBits(ImageBitmap* bitmap);
