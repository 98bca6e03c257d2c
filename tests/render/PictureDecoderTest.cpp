// The picture decoders against the generated corpus. The same table runs in
// the Linux and the Windows test program, so passing on both means a file
// gives the same pixels on both platforms.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <vector>

#include <cstdlib>
#include <map>
#include <string>

#include "platform/ImageDecoder.h"
#include "render/CTexture.h"
#include "tests/TestSupport.h"
#include "tests/render/TestPictureCorpus.h"
#include "xlib/XPaths.h"

namespace {
// FNV-1a over blue, green, red of every pixel, bottom row first (the padding
// between rows is not part of it).
uint32_t Checksum(ImageBitmap* b) {
    uint32_t h = 0x811C9DC5u;
    for (unsigned y = 0; y < PlatformImageHeight(b); ++y) {
        const uint8_t* row = PlatformImageBits(b) + static_cast<size_t>(y) * PlatformImagePitch(b);
        for (unsigned i = 0; i < PlatformImageWidth(b) * 3; ++i) h = (h ^ row[i]) * 0x01000193u;
    }
    return h;
}

// JPEG pixels depend on the decoder's arithmetic: these were taken from the
// decoders once. Both codecs agree on every file but two: the one with halved
// colour resolution, whose colour each fills in its own way (libjpeg-turbo's
// triangle filter; the WIC under Wine scales in the transform), and CMYK,
// whose inks each multiplies out with its own rounding. Every file stays
// within the same distance of its source below on both.
#ifdef _WIN32
constexpr uint32_t kHalvedColourChecksum = 0xc513ae9au, kInksChecksum = 0x361abedcu;
#else
constexpr uint32_t kHalvedColourChecksum = 0x99690076u, kInksChecksum = 0x09e6db72u;
#endif
const std::map<std::string, uint32_t> kJpegChecksums = {
    {"jpeg_baseline_420", kHalvedColourChecksum}, {"jpeg_baseline_444", 0xfc373e51u},
    {"jpeg_progressive", 0xfc373e51u},            {"jpeg_grey", 0x56087911u},
    {"jpeg_cmyk", kInksChecksum},
};

// The largest difference on any channel between the decoded picture and the
// pixels it was made from (red-green-blue, top row first).
int WorstDifference(ImageBitmap* b, const unsigned char* source) {
    int worst = 0;
    for (unsigned y = 0; y < corpus::kHeight; ++y) {
        const uint8_t* row = PlatformImageBits(b) + static_cast<size_t>(corpus::kHeight - 1 - y) * PlatformImagePitch(b);
        for (unsigned x = 0; x < corpus::kWidth; ++x) {
            const unsigned char* want = source + (y * corpus::kWidth + x) * 3;
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(row[x * 3 + 2 - c] - want[c]));
        }
    }
    return worst;
}
}  // namespace

TEST(PictureDecoder, CorpusDecodesToTheSamePixelsEverywhere) {
    for (const corpus::Picture& p : corpus::kPictures) {
        SCOPED_TRACE(p.name);
        ImageLoadInfo info;
        ImageBitmap* b = DecodeImage(p.jpeg ? ImageFileKind::Jpeg : ImageFileKind::Bmp, p.bytes, p.size, &info);
        switch (p.expect) {
        case corpus::kTooLarge:
            EXPECT_EQ(nullptr, b);
            EXPECT_EQ(ImageLoadStatus::TooLarge, info.status);
            EXPECT_GT(info.width * info.height, 0u);
            break;
        case corpus::kDamaged:
            EXPECT_EQ(nullptr, b);
            EXPECT_EQ(ImageLoadStatus::Damaged, info.status);
            break;
        case corpus::kDecodes:
            ASSERT_NE(nullptr, b);
            EXPECT_EQ(ImageLoadStatus::Ok, info.status);
            EXPECT_EQ(corpus::kWidth, PlatformImageWidth(b));
            EXPECT_EQ(corpus::kHeight, PlatformImageHeight(b));
            EXPECT_EQ(24u, PlatformImageBitsPerPixel(b));
            EXPECT_EQ((corpus::kWidth * 3 + 3) & ~3u, PlatformImagePitch(b));
            if (p.jpeg) {
                EXPECT_EQ(kJpegChecksums.at(p.name), Checksum(b)) << std::hex << Checksum(b);
                EXPECT_LE(WorstDifference(b, p.source), 16);
            } else {
                EXPECT_EQ(p.checksum, Checksum(b)) << std::hex << Checksum(b);
            }
            break;
        }
        PlatformUnloadImage(b);
    }
}

TEST(PictureDecoder, SizeLimits) {
    struct Case {
        uint64_t width, height;
        bool allowed;
    } cases[] = {
        {1, 1, true},
        {kMaxImageSide, 1, true},
        {kMaxImageSide + 1, 1, false},
        {1, kMaxImageSide + 1, false},
        {8192, 6144, true},  // exactly the pixel limit
        {8192, 6145, false},
        {kMaxImageSide, kMaxImageSide, false},
        {0, 10, false},
        {30000, 30000, false},
        {1ull << 32, 1ull << 32, false},  // no wrap in the product
    };
    for (const Case& c : cases) EXPECT_EQ(c.allowed, ImageSizeAllowed(c.width, c.height)) << c.width << "x" << c.height;
}

TEST(PictureDecoder, OversizedPictureIsRefusedWithOneRunLogEntry) {
    TempDir dir;
    const std::string saved = GetInstallPath();
    SetInstallPath(dir.Path());
    for (const corpus::Picture& p : corpus::kPictures) {
        if (p.expect == corpus::kDecodes) continue;
        SCOPED_TRACE(p.name);
        const std::string name = std::string(p.name) + (p.jpeg ? ".jpg" : ".bmp");
        WriteWholeFile(dir.File(name), std::string(reinterpret_cast<const char*>(p.bytes), p.size));
        const std::string before = FileExists(dir.File("RunLog.txt")) ? ReadWholeFile(dir.File("RunLog.txt")) : "";
        ImageBitmap* b = LoadPicture(p.jpeg ? ImageFileKind::Jpeg : ImageFileKind::Bmp, XString(dir.File(name).c_str()));
        EXPECT_EQ(nullptr, b);
        const std::string log = FileExists(dir.File("RunLog.txt")) ? ReadWholeFile(dir.File("RunLog.txt")) : "";
        const std::string added = log.substr(before.size());
        if (p.expect == corpus::kTooLarge) {
            EXPECT_NE(std::string::npos, added.find("Subject = Picture Too Large")) << added;
            EXPECT_NE(std::string::npos, added.find(name)) << added;
            EXPECT_EQ(added.find("Subject"), added.rfind("Subject")) << "one entry only";
        } else {
            EXPECT_EQ("", added);  // damaged files are the caller's to report
        }
    }
    SetInstallPath(saved);
}

// Found by the picture fuzzer: a Huffman table whose code counts add up past
// the table's size. The decoder used before read and wrote past its tables on
// it; now it is refused, and so is every cut of it and every one-byte change
// of its table, without one byte read outside the file (the sanitizer build
// runs this too).
TEST(PictureDecoder, FuzzerFindingsAreRefusedSafely) {
    static const unsigned char kOverfullHuffmanTable[] = {
    0xff,0xd8,0xff,0xe0,0x00,0x10,0x4a,0x46,0x49,0x46,0x00,0x01,0x01,0x00,0x00,0x01,
    0x00,0x01,0x00,0x00,0xff,0xdb,0x00,0x43,0x00,0x03,0x02,0x02,0x02,0x02,0x02,0x03,
    0x02,0x02,0x5d,0x03,0x03,0x03,0x03,0x04,0x06,0x04,0x04,0x04,0x04,0x04,0x08,0x06,
    0x06,0x05,0x06,0x09,0x08,0x0a,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x0a,0x09,0x08,0x09,
    0x09,0x0a,0x0c,0x0f,0x0c,0x0a,0x0b,0x0e,0x0b,0x09,0x09,0x0d,0x11,0x0d,0x0e,0x0f,
    0x10,0x10,0x11,0x10,0x0a,0x0c,0x12,0x13,0x12,0x10,0x13,0x0f,0x10,0x10,0x10,0xff,
    0xc0,0x00,0x0b,0x08,0x00,0x06,0x00,0x08,0x01,0x01,0x11,0x00,0xff,0xc4,0x00,0x14,
    0x00,0x01,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0xff,0xff,0xff,
    0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,
    0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,
    0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0xff,0x00,0x00,
    0x00,0x00,0x07,0xff,0xc4,0x00,0x1b,0x10,0x00,0x00,0x07,0x01,0x00,0x00,0x00,0x00,
    0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x00,0x01,0x05,0x07,0x19,0x53,0x93,0xd2,
    0xff,0xda,0x00,0x08,0x01,0x01,0x00,0x00,0x3f,0x00,0x54,0x89,0x36,0xbe,0xc4,0xec,
    0x8f,0x91,0xff,0xd9,
    };
    const std::vector<unsigned char> whole(std::begin(kOverfullHuffmanTable), std::end(kOverfullHuffmanTable));
    ImageLoadInfo info;
    EXPECT_EQ(nullptr, DecodeImage(ImageFileKind::Jpeg, whole.data(), whole.size(), &info));
    EXPECT_EQ(ImageLoadStatus::Damaged, info.status);
    for (size_t cut = 3; cut < whole.size(); cut += 7) {
        // Each cut copied to a buffer of its own size, so a read past the end is caught.
        std::vector<unsigned char> part(whole.begin(), whole.begin() + static_cast<long>(cut));
        PlatformUnloadImage(DecodeImage(ImageFileKind::Jpeg, part.data(), part.size(), &info));
    }
    for (size_t at = 0xdd; at < 0x140; ++at) {
        std::vector<unsigned char> changed = whole;
        changed[at] ^= 0x5a;
        PlatformUnloadImage(DecodeImage(ImageFileKind::Jpeg, changed.data(), changed.size(), &info));
    }
}

namespace {
// Every row a reader gives, top row first, and whether it ended whole.
struct ReadRows {
    std::vector<uint8_t> rows;
    unsigned width = 0, height = 0, count = 0;
    bool opened = false, whole = false;
};
ReadRows ReadAllRows(ImageFileKind kind, const std::string& path) {
    ReadRows r;
    std::unique_ptr<ImageRowReader> reader = PlatformOpenImageRows(kind, path.c_str());
    if (!reader) return r;
    r.opened = true;
    r.width = reader->Width();
    r.height = reader->Height();
    std::vector<uint8_t> row(static_cast<size_t>(r.width) * 3);
    while (reader->ReadRow(row.data())) {
        r.rows.insert(r.rows.end(), row.begin(), row.end());
        ++r.count;
    }
    r.whole = !reader->Damaged() && r.count == r.height;
    return r;
}
}  // namespace

// Read by rows, every picture gives the rows the whole decode gives, and one
// the whole decode refuses never ends whole: no cut of a good file either.
TEST(PictureDecoder, ReadByRowsEveryPictureGivesWhatTheWholeDecodeGives) {
    TempDir dir;
    for (const corpus::Picture& p : corpus::kPictures) {
        SCOPED_TRACE(p.name);
        const ImageFileKind kind = p.jpeg ? ImageFileKind::Jpeg : ImageFileKind::Bmp;
        const std::string path = dir.File(std::string(p.name) + (p.jpeg ? ".jpg" : ".bmp"));
        WriteWholeFile(path, std::string(reinterpret_cast<const char*>(p.bytes), p.size));
        ImageBitmap* b = PlatformLoadImage(kind, path.c_str());
        const ReadRows r = ReadAllRows(kind, path);
        if (!b) {
            EXPECT_FALSE(r.whole);
            continue;
        }
        ASSERT_TRUE(r.whole);
        ASSERT_EQ(PlatformImageWidth(b), r.width);
        ASSERT_EQ(PlatformImageHeight(b), r.height);
        for (unsigned y = 0; y < r.height; ++y) {
            const uint8_t* want = PlatformImageBits(b) + static_cast<size_t>(r.height - 1 - y) * PlatformImagePitch(b);
            ASSERT_TRUE(std::equal(want, want + r.width * 3, r.rows.begin() + static_cast<long>(y) * r.width * 3))
                << "row " << y;
        }
        PlatformUnloadImage(b);
    }
    const corpus::Picture* good = nullptr;
    for (const corpus::Picture& p : corpus::kPictures)
        if (p.jpeg && p.expect == corpus::kDecodes) good = &p;
    ASSERT_NE(nullptr, good);
    const std::string path = dir.File("cut.jpg");
    for (size_t cut = 2; cut + 2 < good->size; cut += 5) {
        WriteWholeFile(path, std::string(reinterpret_cast<const char*>(good->bytes), cut));
        EXPECT_FALSE(ReadAllRows(ImageFileKind::Jpeg, path).whole) << "cut at " << cut;
    }
}
