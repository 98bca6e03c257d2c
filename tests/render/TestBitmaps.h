// Windows bitmap files written byte by byte, for the decoding tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

// A 24-bit bitmap; `pixels` top row first, width * height entries.
std::string MakeBmp24(unsigned width, unsigned height, const std::vector<Rgb>& pixels);
// An 8-bit palette bitmap; `indexes` top row first.
std::string MakeBmp8(unsigned width, unsigned height, const std::vector<Rgb>& palette,
                     const std::vector<uint8_t>& indexes);
