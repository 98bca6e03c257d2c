#include "tests/render/TestBitmaps.h"

namespace {
void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string Headers(unsigned width, unsigned height, unsigned bpp, unsigned paletteEntries, uint32_t imageSize) {
    const uint32_t offset = 14 + 40 + paletteEntries * 4;
    std::string s = "BM";
    Put32(s, offset + imageSize);
    Put32(s, 0);
    Put32(s, offset);
    Put32(s, 40);
    Put32(s, width);
    Put32(s, height);
    Put16(s, 1);
    Put16(s, bpp);
    Put32(s, 0);  // no compression
    Put32(s, imageSize);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, paletteEntries);
    Put32(s, 0);
    return s;
}
}  // namespace

std::string MakeBmp24(unsigned width, unsigned height, const std::vector<Rgb>& pixels) {
    const unsigned pitch = (width * 3 + 3) & ~3u;
    std::string s = Headers(width, height, 24, 0, pitch * height);
    for (unsigned row = height; row-- > 0;) {  // stored bottom row first
        for (unsigned x = 0; x < width; ++x) {
            const Rgb& p = pixels[row * width + x];
            s += static_cast<char>(p.b);
            s += static_cast<char>(p.g);
            s += static_cast<char>(p.r);
        }
        s.append(pitch - width * 3, '\x77');  // padding: never a pixel
    }
    return s;
}

std::string MakeBmp8(unsigned width, unsigned height, const std::vector<Rgb>& palette,
                     const std::vector<uint8_t>& indexes) {
    const unsigned pitch = (width + 3) & ~3u;
    std::string s = Headers(width, height, 8, static_cast<unsigned>(palette.size()), pitch * height);
    for (const Rgb& p : palette) {
        s += static_cast<char>(p.b);
        s += static_cast<char>(p.g);
        s += static_cast<char>(p.r);
        s += '\0';
    }
    for (unsigned row = height; row-- > 0;) {
        for (unsigned x = 0; x < width; ++x) s += static_cast<char>(indexes[row * width + x]);
        s.append(pitch - width, '\0');
    }
    return s;
}
