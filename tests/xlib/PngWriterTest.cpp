// The PNG writer on both platforms: the checksums against published values,
// and the file read back by a reader of the test's own that follows the
// format's rules (chunks, their CRCs, the zlib header, stored blocks with
// LEN and NLEN, the final bit, Adler-32, filter bytes).
#include "xlib/PngWriter.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"

namespace {
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

struct Decoded {
    unsigned width = 0, height = 0, colourType = 0, blocks = 0;
    std::vector<uint8_t> pixels;  // top row first, packed
    std::string error;
};

Decoded Decode(const std::vector<uint8_t>& f) {
    Decoded d;
    const uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (f.size() < 8 || !std::equal(signature, signature + 8, f.begin())) return d.error = "signature", d;
    std::vector<uint8_t> z;
    bool ended = false;
    for (size_t at = 8; at < f.size() && !ended;) {
        if (at + 12 > f.size()) return d.error = "truncated chunk", d;
        const uint32_t length = Get32(f, at);
        const std::string type(f.begin() + at + 4, f.begin() + at + 8);
        if (at + 12 + length > f.size()) return d.error = "chunk past the end", d;
        if (Get32(f, at + 8 + length) != PngCrc32(f.data() + at + 4, length + 4)) return d.error = "CRC of " + type, d;
        const size_t data = at + 8;
        if (type == "IHDR") {
            d.width = Get32(f, data);
            d.height = Get32(f, data + 4);
            if (f[data + 8] != 8) return d.error = "bit depth", d;
            d.colourType = f[data + 9];
        } else if (type == "IDAT") {
            z.insert(z.end(), f.begin() + data, f.begin() + data + length);
        } else if (type == "IEND") {
            ended = true;
            if (data + length + 4 != f.size()) return d.error = "bytes after IEND", d;
        }
        at = data + length + 4;
    }
    if (!ended) return d.error = "no IEND", d;
    if (z.size() < 6 || ((z[0] << 8) | z[1]) % 31 != 0 || (z[0] & 0x0F) != 8) return d.error = "zlib header", d;
    std::vector<uint8_t> raw;
    size_t at = 2;
    for (bool final = false; !final;) {
        if (at + 5 > z.size()) return d.error = "truncated block", d;
        final = z[at] & 1;
        if ((z[at] >> 1) != 0) return d.error = "not a stored block", d;
        const unsigned len = z[at + 1] | (z[at + 2] << 8), nlen = z[at + 3] | (z[at + 4] << 8);
        if ((len ^ 0xFFFFu) != nlen) return d.error = "NLEN", d;
        if (at + 5 + len > z.size()) return d.error = "block past the end", d;
        raw.insert(raw.end(), z.begin() + at + 5, z.begin() + at + 5 + len);
        at += 5 + len;
        ++d.blocks;
    }
    if (at + 4 != z.size() || Get32(z, at) != PngAdler32(raw.data(), raw.size())) return d.error = "Adler-32", d;
    const unsigned channels = d.colourType == 2 ? 3 : 4;
    const size_t row = size_t(d.width) * channels;
    if (raw.size() != (row + 1) * d.height) return d.error = "image data size", d;
    for (unsigned y = 0; y < d.height; ++y) {
        if (raw[y * (row + 1)] != 0) return d.error = "filter type", d;
        d.pixels.insert(d.pixels.end(), raw.begin() + y * (row + 1) + 1, raw.begin() + (y + 1) * (row + 1));
    }
    return d;
}

std::vector<uint8_t> Pattern(unsigned w, unsigned h, unsigned channels) {
    std::vector<uint8_t> p(size_t(w) * h * channels);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return p;
}
}  // namespace

TEST(PngWriter, ChecksumsMatchThePublishedValues) {
    const std::string ff(100000, '\xFF');
    struct Case {
        std::string data;
        uint32_t crc, adler;
    } cases[] = {
        {"", 0x00000000u, 0x00000001u},
        {"123456789", 0xCBF43926u, 0x091E01DEu},
        {"IEND", 0xAE426082u, 0x02D70121u},
        {"Wikipedia", 0xADAAC02Eu, 0x11E60398u},
        // Long enough for the Adler sums to need their modulo many times over.
        {ff, 0x68C6CEC4u, 0x149A302Cu},
    };
    for (const Case& c : cases) {
        const auto* bytes = reinterpret_cast<const uint8_t*>(c.data.data());
        EXPECT_EQ(c.crc, PngCrc32(bytes, c.data.size())) << c.data.substr(0, 12);
        EXPECT_EQ(c.adler, PngAdler32(bytes, c.data.size())) << c.data.substr(0, 12);
    }
}

TEST(PngWriter, ReadsBackAsWrittenInEveryShape) {
    struct Case {
        unsigned w, h;
        PngColour colour;
        unsigned blocks;  // stored blocks of at most 65535 bytes
    } cases[] = {
        {1, 1, PngColour::Rgb, 1},
        {3, 2, PngColour::Rgba, 1},
        {640, 34, PngColour::Rgb, 1},    // 34 rows of 1921 bytes: 65314, one block
        {640, 35, PngColour::Rgb, 2},    // 67235 bytes: just over one block
        {255, 64, PngColour::Rgba, 1},   // 64 rows of 1021 bytes: 65344
        {640, 480, PngColour::Rgb, 15},  // the parity test's snapshot
    };
    for (const Case& c : cases) {
        const unsigned channels = static_cast<unsigned>(c.colour);
        const std::vector<uint8_t> pixels = Pattern(c.w, c.h, channels);
        const Decoded d = Decode(EncodePng(c.w, c.h, c.colour, pixels));
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + "x" + std::to_string(channels));
        ASSERT_EQ("", d.error);
        EXPECT_EQ(c.w, d.width);
        EXPECT_EQ(c.h, d.height);
        EXPECT_EQ(c.colour == PngColour::Rgb ? 2u : 6u, d.colourType);
        EXPECT_EQ(c.blocks, d.blocks);
        EXPECT_TRUE(d.pixels == pixels);
    }
}

TEST(PngWriter, RefusesWhatItCannotWrite) {
    const std::vector<uint8_t> four = Pattern(2, 2, 1);
    EXPECT_TRUE(EncodePng(0, 1, PngColour::Rgb, four).empty());
    EXPECT_TRUE(EncodePng(1, 0, PngColour::Rgb, four).empty());
    EXPECT_TRUE(EncodePng(1, 2, PngColour::Rgb, four).empty());  // 6 bytes needed
    EXPECT_FALSE(EncodePng(1, 1, PngColour::Rgba, four).empty());
    TempDir dir;
    EXPECT_FALSE(WritePng(dir.File("missing/frame.png"), 1, 1, PngColour::Rgba, four));
    ASSERT_TRUE(WritePng(dir.File("frame.png"), 1, 1, PngColour::Rgba, four));
    const std::string file = ReadWholeFile(dir.File("frame.png"));
    const std::vector<uint8_t> expected = EncodePng(1, 1, PngColour::Rgba, four);
    EXPECT_EQ(std::string(expected.begin(), expected.end()), file);
}
