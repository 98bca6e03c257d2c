// PNG files of our own making: 8 bits a channel, no filtering, the image data
// in stored (uncompressed) deflate blocks. No zlib is needed, and both
// platforms write the same bytes for the same pixels, so two snapshots can be
// compared byte for byte as well as pixel by pixel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PngColour { Rgb = 3, Rgba = 4 };  // the value is the bytes a pixel

// The whole file for `width` x `height` pixels given top row first, rows packed
// tightly. Empty when a size is 0 or `pixels` is too short.
std::vector<uint8_t> EncodePng(unsigned width, unsigned height, PngColour colour, const std::vector<uint8_t>& pixels);
// EncodePng, written to `path`; false when it cannot be encoded or written.
bool WritePng(const std::string& path, unsigned width, unsigned height, PngColour colour,
              const std::vector<uint8_t>& pixels);

// The checksums the format asks for: CRC-32 of each chunk, Adler-32 of the zlib stream.
uint32_t PngCrc32(const uint8_t* data, size_t size);
uint32_t PngAdler32(const uint8_t* data, size_t size);
