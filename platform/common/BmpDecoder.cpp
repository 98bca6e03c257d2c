// Windows bitmap reader. Every size is checked against the file before it is
// used; a header claiming more than the picture limits is refused before any
// pixel memory is taken, and a file cut short is refused rather than shown in
// part.
#include <cstring>

#include "platform/common/DecodedImage.h"

namespace {
enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };
constexpr size_t kFileHeader = 14;

uint32_t U16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }

struct Bgr {
    uint8_t b = 0, g = 0, r = 0;
};

// One channel of a 16- or 32-bit pixel: where its bits are and how many.
struct Channel {
    uint32_t mask = 0;
    unsigned shift = 0, bits = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (!mask) return;
        while (!((mask >> shift) & 1)) ++shift;
        while (bits < 32 - shift && ((mask >> (shift + bits)) & 1)) ++bits;
    }
    // Scaled to 0-255 with rounding, so a full 5-bit value gives 255.
    uint8_t Expand(uint32_t pixel) const {
        if (!bits) return 0;
        const uint32_t max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        const uint32_t v = (pixel >> shift) & max;
        if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
        return static_cast<uint8_t>((v * 255 + max / 2) / max);
    }
};

struct BmpHeader {
    int64_t width = 0, height = 0;
    bool topDown = false;
    unsigned bpp = 0;
    uint32_t compression = kRgb;
    uint32_t colorsUsed = 0;
    uint32_t masks[3] = {0, 0, 0};
    size_t paletteAt = 0, paletteEntry = 4;
    size_t pixelsAt = 0;
};

bool ReadHeader(const uint8_t* d, size_t size, BmpHeader& h) {
    if (size < kFileHeader + 12) return false;
    h.pixelsAt = U32(d + 10);
    const uint32_t infoSize = U32(d + kFileHeader);
    if (infoSize == 12) {  // OS/2 1.x core header: 16-bit sizes, 3-byte palette entries
        h.width = U16(d + 18);
        h.height = U16(d + 20);
        h.bpp = U16(d + 24);
        h.paletteEntry = 3;
        h.paletteAt = kFileHeader + 12;
    } else {
        if (infoSize < 16 || infoSize > size - kFileHeader) return false;
        uint8_t info[124] = {};
        std::memcpy(info, d + kFileHeader, infoSize < sizeof info ? infoSize : sizeof info);
        h.width = static_cast<int32_t>(U32(info + 4));
        h.height = static_cast<int32_t>(U32(info + 8));
        h.bpp = U16(info + 14);
        h.compression = U32(info + 16);
        h.colorsUsed = U32(info + 32);
        h.paletteAt = kFileHeader + infoSize;
        const bool maskFields = h.compression == kBitFields || h.compression == kAlphaBitFields;
        if (infoSize >= 52) {
            for (int i = 0; i < 3; ++i) h.masks[i] = U32(info + 40 + 4 * i);
        } else if (maskFields) {  // a plain info header: the masks follow it
            if (size < h.paletteAt + 12) return false;
            for (int i = 0; i < 3; ++i) h.masks[i] = U32(d + h.paletteAt + 4 * i);
        }
    }
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
    return true;
}

bool FormatKnown(const BmpHeader& h) {
    switch (h.compression) {
    case kRgb:
        return h.bpp == 1 || h.bpp == 4 || h.bpp == 8 || h.bpp == 16 || h.bpp == 24 || h.bpp == 32;
    case kRle8:
        return h.bpp == 8 && !h.topDown;
    case kRle4:
        return h.bpp == 4 && !h.topDown;
    case kBitFields:
    case kAlphaBitFields:
        return h.bpp == 16 || h.bpp == 32;
    default:  // embedded JPEG or PNG, OS/2 Huffman
        return false;
    }
}

class PixelWriter {
public:
    explicit PixelWriter(ImageBitmap& b) : m_B(b) {}
    // Row y counted from the bottom; pixels outside the picture are dropped.
    void Put(uint64_t x, uint64_t y, Bgr c) {
        if (x >= m_B.width || y >= m_B.height) return;
        uint8_t* p = m_B.bits.data() + y * m_B.pitch + x * 3;
        p[0] = c.b;
        p[1] = c.g;
        p[2] = c.r;
    }

private:
    ImageBitmap& m_B;
};

bool DecodeRows(const uint8_t* d, size_t size, const BmpHeader& h, const std::vector<Bgr>& palette,
                ImageBitmap& out) {
    const uint64_t w = static_cast<uint64_t>(h.width), rows = static_cast<uint64_t>(h.height);
    const uint64_t stride = (w * h.bpp + 31) / 32 * 4;
    const uint64_t lastRowBytes = (w * h.bpp + 7) / 8;
    if (h.pixelsAt + stride * (rows - 1) + lastRowBytes > size) return false;  // cut short
    uint32_t defaultMasks[3] = {0x7C00, 0x03E0, 0x001F};  // 16 bits: 5-5-5
    if (h.bpp == 32) {
        defaultMasks[0] = 0xFF0000;
        defaultMasks[1] = 0xFF00;
        defaultMasks[2] = 0xFF;
    }
    const bool givenMasks = h.compression == kBitFields || h.compression == kAlphaBitFields;
    const Channel red(givenMasks ? h.masks[0] : defaultMasks[0]);
    const Channel green(givenMasks ? h.masks[1] : defaultMasks[1]);
    const Channel blue(givenMasks ? h.masks[2] : defaultMasks[2]);
    PixelWriter put(out);
    for (uint64_t r = 0; r < rows; ++r) {
        const uint8_t* row = d + h.pixelsAt + r * stride;
        const uint64_t y = h.topDown ? rows - 1 - r : r;
        for (uint64_t x = 0; x < w; ++x) {
            switch (h.bpp) {
            case 1:
            case 4:
            case 8: {
                const uint64_t bit = x * h.bpp;
                const unsigned index = (row[bit / 8] >> (8 - h.bpp - bit % 8)) & ((1u << h.bpp) - 1);
                put.Put(x, y, index < palette.size() ? palette[index] : Bgr{});
                break;
            }
            case 16:
            case 32: {
                const uint32_t v = h.bpp == 16 ? U16(row + x * 2) : U32(row + x * 4);
                put.Put(x, y, Bgr{blue.Expand(v), green.Expand(v), red.Expand(v)});
                break;
            }
            default:  // 24
                put.Put(x, y, Bgr{row[x * 3], row[x * 3 + 1], row[x * 3 + 2]});
            }
        }
    }
    return true;
}

// Run-length data: runs, end of line, end of picture, delta moves and literal
// runs. Pixels the data never reaches keep palette entry 0. Data that stops
// before the end-of-picture mark (and before the last row) is refused.
bool DecodeRle(const uint8_t* d, size_t size, const BmpHeader& h, const std::vector<Bgr>& palette,
               ImageBitmap& out) {
    const bool four = h.compression == kRle4;
    const Bgr background = palette.empty() ? Bgr{} : palette[0];
    for (unsigned y = 0; y < out.height; ++y)
        for (unsigned x = 0; x < out.width; ++x) PixelWriter(out).Put(x, y, background);
    auto colour = [&](unsigned index) { return index < palette.size() ? palette[index] : Bgr{}; };
    PixelWriter put(out);
    uint64_t x = 0, y = 0;
    size_t p = h.pixelsAt;
    while (y < out.height) {
        if (p + 2 > size) return false;
        const unsigned n = d[p], c = d[p + 1];
        p += 2;
        if (n > 0) {  // a run of one index (two alternating ones for RLE4)
            for (unsigned i = 0; i < n; ++i) put.Put(x++, y, colour(four ? (i % 2 ? c & 15 : c >> 4) : c));
        } else if (c == 0) {
            x = 0;
            ++y;
        } else if (c == 1) {
            return true;
        } else if (c == 2) {
            if (p + 2 > size) return false;
            x += d[p];
            y += d[p + 1];
            p += 2;
        } else {  // c literal indexes, padded to a 16-bit boundary
            const size_t bytes = four ? (c + 1) / 2 : c;
            if (p + bytes > size) return false;
            for (unsigned i = 0; i < c; ++i) {
                const unsigned index = four ? (i % 2 ? d[p + i / 2] & 15 : d[p + i / 2] >> 4) : d[p + i];
                put.Put(x++, y, colour(index));
            }
            p += bytes + (bytes & 1);
        }
    }
    return true;  // past the last row: whatever follows is ignored
}
}  // namespace

ImageBitmap* DecodeBmp(const uint8_t* d, size_t size, ImageLoadInfo& info) {
    info.status = ImageLoadStatus::Damaged;
    BmpHeader h;
    if (!ReadHeader(d, size, h)) return nullptr;
    if (h.width <= 0 || h.height <= 0) return nullptr;
    info.width = static_cast<uint64_t>(h.width);
    info.height = static_cast<uint64_t>(h.height);
    if (!ImageSizeAllowed(info.width, info.height)) {
        info.status = ImageLoadStatus::TooLarge;
        return nullptr;
    }
    if (!FormatKnown(h) || h.pixelsAt >= size) return nullptr;

    std::vector<Bgr> palette;
    if (h.bpp <= 8) {
        const uint32_t most = 1u << h.bpp;
        uint64_t entries = h.colorsUsed && h.colorsUsed < most ? h.colorsUsed : most;
        const uint64_t present = h.paletteAt < size ? (size - h.paletteAt) / h.paletteEntry : 0;
        if (entries > present) entries = present;
        for (uint64_t i = 0; i < entries; ++i) {
            const uint8_t* e = d + h.paletteAt + i * h.paletteEntry;
            palette.push_back(Bgr{e[0], e[1], e[2]});
        }
    }

    ImageBitmap* bitmap = NewImageBitmap(static_cast<unsigned>(h.width), static_cast<unsigned>(h.height));
    if (!bitmap) {
        info.status = ImageLoadStatus::NoMemory;
        return nullptr;
    }
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    const bool ok = rle ? DecodeRle(d, size, h, palette, *bitmap) : DecodeRows(d, size, h, palette, *bitmap);
    if (!ok) {
        delete bitmap;
        return nullptr;
    }
    return bitmap;
}
