// The picture decoders against the generated corpus. The same table runs in
// the Linux and the Windows test program, so passing on both means a file
// gives the same pixels on both platforms.
#include <gtest/gtest.h>

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
// decoder once and hold on every platform.
const std::map<std::string, uint32_t> kJpegChecksums = {
    {"jpeg_baseline_420", 0x0d152cfdu}, {"jpeg_baseline_444", 0x25ee1315u}, {"jpeg_progressive", 0x25ee1315u},
    {"jpeg_grey", 0x56087911u},         {"jpeg_cmyk", 0x4e741ec6u},
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
