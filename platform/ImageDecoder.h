// Decoding of Windows bitmap and JPEG files. Every picture comes out in one
// layout, so that everything after decoding is shared: 24 bits per pixel in
// blue, green, red byte order, rows bottom-up, each row padded to a multiple of
// 4 bytes (the pitch). Pictures stored with another depth (palette bitmaps,
// 16- or 32-bit bitmaps, greyscale or CMYK JPEG) are converted to that layout
// as they are read. Bitmaps go through our own reader on every platform; JPEG
// through the codec each system keeps up to date (libjpeg-turbo on Linux, the
// Windows Imaging Component on Windows, which under Wine is libjpeg-turbo too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// A decoded picture owned by the caller until PlatformUnloadImage.
struct ImageBitmap;

enum class ImageFileKind { Bmp, Jpeg };

// The largest picture accepted: a side, and all pixels together (a 48-million
// pixel camera picture fits). Anything claiming more is refused from its
// header, before any pixel memory is taken.
constexpr unsigned kMaxImageSide = 16384;
constexpr uint64_t kMaxImagePixels = 48ull * 1024 * 1024;
// Files above this size are not read at all (the largest picture allowed, as
// an uncompressed 32-bit bitmap, is smaller).
constexpr uint64_t kMaxImageFileBytes = 256ull * 1024 * 1024;

enum class ImageLoadStatus {
    Ok,
    Unreadable,  // missing or empty
    WrongKind,   // the signature is not the one of the kind asked for
    TooLarge,    // above kMaxImageSide / kMaxImagePixels, or a file above kMaxImageFileBytes
    Damaged,     // a header or pixel data the decoder cannot use, or cut short
    NoMemory,
};

// What a load found out; width and height are the header's claim (also for a
// refused picture, so the caller can say what was refused).
struct ImageLoadInfo {
    ImageLoadStatus status = ImageLoadStatus::Unreadable;
    uint64_t width = 0, height = 0;
};

// True when a picture of that size may be decoded.
bool ImageSizeAllowed(uint64_t width, uint64_t height);

// Brackets the codec's lifetime; the screen-saver instance calls these around
// every run. Calls may nest. The decoders need no set-up, so both do nothing.
void PlatformImageLibraryInitialise();
void PlatformImageLibraryDeInitialise();

// Decodes the file as the given kind; null when the file is missing, is not
// of that kind, cannot be decoded or is too large (`info` says which).
ImageBitmap* PlatformLoadImage(ImageFileKind kind, const char* path, ImageLoadInfo* info = nullptr);
// The same from bytes in memory.
ImageBitmap* DecodeImage(ImageFileKind kind, const uint8_t* data, size_t size, ImageLoadInfo* info = nullptr);
void PlatformUnloadImage(ImageBitmap* bitmap);

// A picture handed out a row at a time, top row first, as it is decoded: the
// whole decoded picture need never be in memory at once. Each row is 3 bytes
// a pixel, blue first, with no padding. JPEG on Linux is decoded as the rows
// are asked for; bitmaps, and JPEG on Windows, are decoded whole when opened.
class ImageRowReader {
public:
    virtual ~ImageRowReader() = default;
    unsigned Width() const { return m_Width; }
    unsigned Height() const { return m_Height; }
    // The next row into `dst` (Width() * 3 bytes); false once every row was
    // read, or when the data turned out damaged (then Damaged()). The call
    // after the last row reads the file to its end (`dst` unused): a picture
    // is whole only when that call leaves Damaged() false.
    virtual bool ReadRow(uint8_t* dst) = 0;
    bool Damaged() const { return m_Damaged; }

protected:
    unsigned m_Width = 0, m_Height = 0;
    bool m_Damaged = false;
};

// The file opened for reading by rows, after the same checks as
// PlatformLoadImage (its header read, its size allowed); null when it cannot
// be shown (`info` says why).
std::unique_ptr<ImageRowReader> PlatformOpenImageRows(ImageFileKind kind, const char* path,
                                                      ImageLoadInfo* info = nullptr);

unsigned PlatformImageWidth(const ImageBitmap* bitmap);
unsigned PlatformImageHeight(const ImageBitmap* bitmap);
unsigned PlatformImageBitsPerPixel(const ImageBitmap* bitmap);
// Bytes from the start of one row to the start of the next.
unsigned PlatformImagePitch(const ImageBitmap* bitmap);
// The bottom row first.
uint8_t* PlatformImageBits(ImageBitmap* bitmap);
