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

namespace {
// One decode, a row at a time. Every call into the library sets the jump point
// first; what the decode keeps lives in members, never in locals changed after
// setjmp (those are indeterminate after a jump).
class JpegRows : public ImageRowReader {
public:
    // Over `data`, which must outlive the reader unless handed over in `owned`.
    JpegRows(const uint8_t* data, size_t size, std::vector<uint8_t>&& owned, ImageLoadInfo& info)
        : m_Owned(std::move(owned)) {
        m_Cinfo.err = jpeg_std_error(&m_Err.mgr);
        m_Err.mgr.error_exit = OnError;
        m_Err.mgr.emit_message = OnMessage;
        m_Progress.progress_monitor = OnProgress;
        if (size > 0x7FFFFFFF) return;
        if (setjmp(m_Err.jump)) {
            End();
            info.status = ImageLoadStatus::Damaged;
            return;
        }
        jpeg_create_decompress(&m_Cinfo);
        m_Created = true;
        m_Cinfo.progress = &m_Progress;
        jpeg_mem_src(&m_Cinfo, data, static_cast<unsigned long>(size));
        if (jpeg_read_header(&m_Cinfo, TRUE) != JPEG_HEADER_OK) {
            End();
            info.status = ImageLoadStatus::Damaged;
            return;
        }
        // The frame header first: a forged size is refused before anything is allocated.
        info.width = m_Cinfo.image_width;
        info.height = m_Cinfo.image_height;
        if (!ImageSizeAllowed(info.width, info.height)) {
            End();
            info.status = ImageLoadStatus::TooLarge;
            return;
        }
        m_Inks = m_Cinfo.jpeg_color_space == JCS_CMYK || m_Cinfo.jpeg_color_space == JCS_YCCK;
        m_Cinfo.out_color_space = m_Inks ? JCS_CMYK : JCS_EXT_BGR;
        jpeg_start_decompress(&m_Cinfo);
        m_Adobe = m_Cinfo.saw_Adobe_marker;
        if (m_Inks) m_Row.resize(static_cast<size_t>(m_Cinfo.output_width) * 4);
        m_Width = m_Cinfo.output_width;
        m_Height = m_Cinfo.output_height;
        m_Open = true;
    }
    ~JpegRows() override { End(); }
    JpegRows(const JpegRows&) = delete;
    JpegRows& operator=(const JpegRows&) = delete;

    bool IsOpen() const { return m_Open; }

    bool ReadRow(uint8_t* dst) override {
        if (!m_Open) return false;
        if (setjmp(m_Err.jump)) {
            m_Damaged = true;
            End();
            return false;
        }
        if (m_Cinfo.output_scanline >= m_Cinfo.output_height) {
            jpeg_finish_decompress(&m_Cinfo);
            End();
            return false;
        }
        JSAMPROW out = m_Inks ? m_Row.data() : dst;
        jpeg_read_scanlines(&m_Cinfo, &out, 1);
        if (m_Inks) {
            for (unsigned x = 0; x < m_Width; ++x) {
                const uint8_t* p = m_Row.data() + x * 4;
                const unsigned k = Light(p[3], m_Adobe);
                dst[x * 3 + 0] = Times(Light(p[2], m_Adobe), k);
                dst[x * 3 + 1] = Times(Light(p[1], m_Adobe), k);
                dst[x * 3 + 2] = Times(Light(p[0], m_Adobe), k);
            }
        }
        return true;
    }

private:
    void End() {
        if (m_Created) jpeg_destroy_decompress(&m_Cinfo);
        m_Created = false;
        m_Open = false;
    }

    std::vector<uint8_t> m_Owned;
    jpeg_decompress_struct m_Cinfo{};
    ErrorJump m_Err{};
    jpeg_progress_mgr m_Progress{};
    std::vector<uint8_t> m_Row;
    bool m_Created = false, m_Open = false, m_Inks = false, m_Adobe = false;
};
}  // namespace

ImageBitmap* DecodeJpeg(const uint8_t* data, size_t size, ImageLoadInfo& info) {
    JpegRows rows(data, size, {}, info);
    if (!rows.IsOpen()) return nullptr;
    std::unique_ptr<ImageBitmap> bitmap(NewImageBitmap(rows.Width(), rows.Height()));
    if (!bitmap) {
        info.status = ImageLoadStatus::NoMemory;
        return nullptr;
    }
    // Rows come top first; the bitmap keeps the bottom row first.
    for (unsigned y = 0; y < bitmap->height; ++y)
        if (!rows.ReadRow(bitmap->bits.data() + static_cast<size_t>(bitmap->height - 1 - y) * bitmap->pitch))
            return nullptr;
    // The call after the last row reads the file to its end, where damage
    // still refuses the picture.
    rows.ReadRow(nullptr);
    if (rows.Damaged()) return nullptr;
    return bitmap.release();
}

std::unique_ptr<ImageRowReader> OpenJpegRows(std::vector<uint8_t>&& data, ImageLoadInfo& info) {
    const uint8_t* bytes = data.data();
    const size_t size = data.size();
    auto rows = std::make_unique<JpegRows>(bytes, size, std::move(data), info);
    if (!rows->IsOpen()) return nullptr;
    return rows;
}
