#include "xlib/PngWriter.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {
const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

// Length, type, data, and the CRC over type and data.
void Chunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data) {
    Put32(file, static_cast<uint32_t>(data.size()));
    const size_t start = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    Put32(file, PngCrc32(file.data() + start, file.size() - start));
}
}  // namespace

uint32_t PngCrc32(const uint8_t* data, size_t size) {
    const std::array<uint32_t, 256>& table = CrcTable();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = table[(c ^ data[i]) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t PngAdler32(const uint8_t* data, size_t size) {
    uint32_t a = 1, b = 0;
    // 5552 bytes is the most that can be summed before b could overflow 32 bits.
    while (size > 0) {
        const size_t n = std::min<size_t>(size, 5552);
        for (size_t i = 0; i < n; ++i) {
            a += data[i];
            b += a;
        }
        a %= 65521;
        b %= 65521;
        data += n;
        size -= n;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> EncodePng(unsigned width, unsigned height, PngColour colour, const std::vector<uint8_t>& pixels) {
    const size_t row = static_cast<size_t>(width) * static_cast<size_t>(colour);
    if (width == 0 || height == 0 || pixels.size() < row * height) return {};
    // Each row: filter type 0 (none), then the pixels.
    std::vector<uint8_t> raw;
    raw.reserve((row + 1) * height);
    for (unsigned y = 0; y < height; ++y) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels.begin() + y * row, pixels.begin() + (y + 1) * row);
    }
    // A zlib stream (deflate, 32K window, no preset dictionary) of stored
    // blocks of at most 65535 bytes, each with its length and the length's
    // complement.
    std::vector<uint8_t> z = {0x78, 0x01};
    z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
    for (size_t pos = 0; pos < raw.size();) {
        const size_t n = std::min<size_t>(65535, raw.size() - pos);
        const bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    }
    Put32(z, PngAdler32(raw.data(), raw.size()));

    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32(header, width);
    Put32(header, height);
    // 8 bits a channel, colour type 2 (RGB) or 6 (RGBA), deflate, no filter, no interlace.
    header.insert(header.end(), {8, static_cast<uint8_t>(colour == PngColour::Rgb ? 2 : 6), 0, 0, 0});
    Chunk(file, "IHDR", header);
    Chunk(file, "IDAT", z);
    Chunk(file, "IEND", {});
    return file;
}

bool WritePng(const std::string& path, unsigned width, unsigned height, PngColour colour,
              const std::vector<uint8_t>& pixels) {
    const std::vector<uint8_t> file = EncodePng(width, height, colour, pixels);
    if (file.empty()) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), f) == file.size();
    return std::fclose(f) == 0 && written;
}
