// JPEG through libjpeg-turbo: the decoder every Linux desktop uses, fuzzed
// where it is made. Its errors end the decode through a jump back here, so a
// damaged file is refused rather than ending the program.
#include "platform/common/DecodedImage.h"

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace {
struct ErrorJump {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}

// A file cut short decodes to grey below the cut; that is damage, not a picture.
// Other warnings (stray bytes between segments, as some cameras write) leave
// a picture worth showing.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) OnError(cinfo);
}

// A progressive file can hold thousands of tiny scans, each a pass over the
// whole picture: a few hundred is far more than any encoder writes.
constexpr int kMaxScans = 500;
void OnProgress(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) OnError(cinfo);
}

// How much light an ink lets through. Adobe's CMYK files store the inks
// inverted, which is that amount already; plain ones store the ink itself.
inline uint8_t Light(uint8_t stored, bool adobe) { return adobe ? stored : static_cast<uint8_t>(255 - stored); }
inline uint8_t Times(unsigned a, unsigned b) {
    unsigned t = a * b + 128;
    return static_cast<uint8_t>((t + (t >> 8)) >> 8);
}
}  // namespace

ImageBitmap* DecodeJpeg(const uint8_t* data, size_t size, ImageLoadInfo& info) {
    if (size > 0x7FFFFFFF) return nullptr;
    jpeg_decompress_struct cinfo{};
    ErrorJump err{};
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = OnError;
    err.mgr.emit_message = OnMessage;
    jpeg_progress_mgr progress{};
    progress.progress_monitor = OnProgress;
    // What the decode makes lives on the heap, behind a pointer set before the
    // jump point: locals changed after setjmp are indeterminate after a jump.
    struct Made {
        std::unique_ptr<ImageBitmap> bitmap;
        std::vector<uint8_t> row;
    };
    const std::unique_ptr<Made> made(new Made);
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        info.status = ImageLoadStatus::Damaged;
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        info.status = ImageLoadStatus::Damaged;
        return nullptr;
    }
    // The frame header first: a forged size is refused before anything is allocated.
    info.width = cinfo.image_width;
    info.height = cinfo.image_height;
    if (!ImageSizeAllowed(info.width, info.height)) {
        jpeg_destroy_decompress(&cinfo);
        info.status = ImageLoadStatus::TooLarge;
        return nullptr;
    }
    const bool inks = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = inks ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    made->bitmap.reset(NewImageBitmap(cinfo.output_width, cinfo.output_height));
    ImageBitmap* const bitmap = made->bitmap.get();
    if (!bitmap) {
        jpeg_destroy_decompress(&cinfo);
        info.status = ImageLoadStatus::NoMemory;
        return nullptr;
    }
    const bool adobe = cinfo.saw_Adobe_marker;
    made->row.resize(static_cast<size_t>(cinfo.output_width) * 4);
    uint8_t* const row = made->row.data();
    while (cinfo.output_scanline < cinfo.output_height) {
        // Rows come top first; the bitmap keeps the bottom row first.
        uint8_t* dst = bitmap->bits.data() +
                       static_cast<size_t>(bitmap->height - 1 - cinfo.output_scanline) * bitmap->pitch;
        JSAMPROW out = inks ? row : dst;
        jpeg_read_scanlines(&cinfo, &out, 1);
        if (!inks) continue;
        for (unsigned x = 0; x < bitmap->width; ++x) {
            const uint8_t* p = row + x * 4;
            const unsigned k = Light(p[3], adobe);
            dst[x * 3 + 0] = Times(Light(p[2], adobe), k);
            dst[x * 3 + 1] = Times(Light(p[1], adobe), k);
            dst[x * 3 + 2] = Times(Light(p[0], adobe), k);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return made->bitmap.release();
}
