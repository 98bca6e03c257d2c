// A decoded picture (24-bit, rows at a 4-byte pitch, bottom row first) as one
// linearly filtered texture, drawn on a rectangle. The picture is sent again
// only when the caller says it changed. Where the driver cannot take the
// picture as it is (larger than its texture limit, or a size that is not a
// power of two on an OpenGL 1.1 driver), a resampled copy of a size it takes
// is sent instead; the rectangle drawn is the same. Render thread only, with
// the context current.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CPictureTexture {
public:
    CPictureTexture();
    ~CPictureTexture();  // the texture ends with its context, or with Release
    CPictureTexture(const CPictureTexture&) = delete;
    CPictureTexture& operator=(const CPictureTexture&) = delete;

    // Sends the pixels; false when nothing could be made of them. `bits` is
    // in the byte order OpenGL calls GL_RGB.
    bool Upload(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch);
    // The whole picture on the rectangle (x0, y0) - (x1, y1) of the current
    // coordinates, lower-left first. Texturing state is the caller's to save.
    void Draw(double x0, double y0, double x1, double y1) const;

    // The other way to show a still picture: resampled once, on the CPU, to
    // the very window pixels that the rectangle (left, bottom) - (right, top),
    // in window pixels, covers, as the filtered texture would have shown them
    // there. Each pixel then takes exactly one texel, unfiltered, in the
    // driver's own byte order, which a software rasterizer copies rather than
    // filters: most of a frame's time went into filtering the full-screen
    // picture. Sent again only when `changed`, or when the rectangle's size or
    // its place within a pixel differs from the last one (a picture moved by
    // whole pixels is not sent again). False when it cannot be sent this way
    // (the caller then uses Upload and Draw). `bits` may be null when the
    // picture has been offered already resampled for this rectangle
    // (PreparedFor): the decoded picture need not be kept for it.
    bool PlaceFitted(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch, double left,
                     double bottom, double right, double top, bool changed);
    // Draws what PlaceFitted placed last, in a window of this size with
    // identity matrices. Texturing state is the caller's to save. Where the
    // context has framebuffer objects and their blit, the texture is copied
    // into the window instead of drawn (the same pixels, without going
    // through the rasterizer); the scissor test must be off then.
    void DrawFitted(uint32_t windowWidth, uint32_t windowHeight) const;
    // Whether DrawFitted copies rather than draws.
    bool BlitsFitted() const { return m_Framebuffer != 0; }
    // Off, textures placed from then on are drawn, as on an OpenGL 1.1
    // driver (the tests compare both ways).
    static void AllowFramebufferBlit(bool allowed);

    // PlaceFitted's resampling done ahead, on any thread (a picture decoded
    // while the scene is set up): handed to Offer, it spares the next
    // PlaceFitted of the same picture on the same rectangle that work.
    struct Prepared {
        uint32_t countX = 0, countY = 0;
        double scaleX = 1, offsetX = 0, scaleY = 1, offsetY = 0;
        std::vector<uint8_t> bgra;
    };
    static Prepared PrepareFitted(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch, double left,
                                  double bottom, double right, double top);
    void Offer(Prepared&& prepared) { m_Prepared = std::move(prepared); }
    // Whether the next PlaceFitted of a width x height picture on this
    // rectangle will be served by what was offered, the decoded picture
    // unread (the context current: it asks the driver's limits).
    bool PreparedFor(uint32_t width, uint32_t height, double left, double bottom, double right, double top) const;

    // The window pixels [first, end) whose centres lie in [from, to), as
    // OpenGL fills them for a rectangle edge at from and to.
    struct PixelSpan {
        int64_t first = 0, end = 0;
    };
    static PixelSpan CoveredPixels(double from, double to);
    // How a resampled axis reads its source: output texel i takes the source
    // at (i + 0.5) * scale + offset - 0.5, clamped to the edge texels.
    struct SampleAxis {
        uint32_t count = 0;
        double scale = 1, offset = 0;
        bool operator==(const SampleAxis& o) const { return count == o.count && scale == o.scale && offset == o.offset; }
    };
    // The axis that shows the source span [0, size) stretched over [from, to)
    // on the pixels `span` covers.
    static SampleAxis AxisFor(uint32_t size, double from, double to, const PixelSpan& span);
    // Both axes of a width x height picture on the rectangle, and the pixels
    // it covers; false when it covers none.
    struct Placement {
        PixelSpan spanX, spanY;
        SampleAxis x, y;
    };
    static bool Place(uint32_t width, uint32_t height, double left, double bottom, double right, double top,
                      Placement& p);
    // Bilinear resampling of 24-bit rows (red first, 4-byte pitch, bottom row
    // first) into packed 32-bit blue-green-red-alpha texels with alpha 255,
    // top row first.
    static void ResampleToBgra(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch,
                               const SampleAxis& x, const SampleAxis& y, std::vector<uint8_t>& out);
    // The same resampling with the source's rows handed in one at a time, top
    // row first: each output row goes out as soon as the two source rows it
    // reads are in, so that neither picture need be kept whole. The source
    // rows are red first, or blue first with `blueFirst`; the output rows the
    // same as ResampleToBgra's, to the byte.
    class RowResampler {
    public:
        // Output row `row` (0 the top), x.count texels of 4 bytes.
        using Emit = std::function<void(uint32_t row, const uint8_t* bgra)>;
        RowResampler(uint32_t width, uint32_t height, const SampleAxis& x, const SampleAxis& y, bool blueFirst);
        ~RowResampler();
        RowResampler(const RowResampler&) = delete;
        RowResampler& operator=(const RowResampler&) = delete;
        // The next source row (width x 3 bytes).
        void Take(const uint8_t* row, const Emit& emit);
        // Every output row has gone out (the remaining source rows are unread).
        bool Done() const;

    private:
        struct State;
        std::unique_ptr<State> m_State;
    };

    // A still picture sent as it is decoded, the other way to PlaceFitted:
    // the texture is made first and the resampled rows go into it a band at a
    // time, so that neither the decoded picture nor its resampled copy ever
    // exists whole beside it. BeginFill takes the picture's size and its
    // rectangle (as PlaceFitted); false when it cannot be sent this way, the
    // texture then left as it was. FillRow takes the source rows, top first,
    // blue first; EndFill says whether every row came, and from then on the
    // texture holds the picture as PlaceFitted would have placed it (a
    // PlaceFitted of the same picture and rectangle then sends nothing).
    // Until then nothing of it is drawn; AbandonFill drops it unfinished.
    bool BeginFill(uint32_t width, uint32_t height, double left, double bottom, double right, double top);
    void FillRow(const uint8_t* bgr);
    bool EndFill();
    void AbandonFill();
    bool IsFilling() const { return m_Fill != nullptr; }
    // Whether BeginFill can take a picture in a window of this size (the
    // context current: it asks the driver's limits).
    static bool CanFill(uint32_t windowWidth, uint32_t windowHeight);
    // Deletes the texture (context current) or, after the context is gone,
    // just forgets it.
    void Release();
    void Forget();

    bool IsEmpty() const { return m_Name == 0; }
    // Whether it holds a PlaceFitted picture rather than an Upload one.
    bool IsFitted() const { return m_Fitted; }
    uint32_t GetTextureWidth() const { return m_TexWidth; }
    uint32_t GetTextureHeight() const { return m_TexHeight; }
    // Counts uploads, for tests of when the picture is sent.
    uint32_t GetUploadCount() const { return m_Uploads; }

    // The size the texture will have for a w x h picture, given what the
    // driver takes.
    static void TextureSize(uint32_t width, uint32_t height, uint32_t maxSize, bool anySize, uint32_t& texWidth,
                            uint32_t& texHeight);
    // Bilinear resampling of 24-bit rows at a 4-byte pitch into `out` (same
    // layout), pixel centres mapped onto pixel centres.
    static void Resample(const uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch, uint32_t outWidth,
                         uint32_t outHeight, std::vector<uint8_t>& out);

private:
    // Names the texture on first use and binds it.
    void BindName();
    // The picture on the rectangle, texture row t0 at y0 and t1 at y1.
    void DrawQuad(double x0, double y0, double x1, double y1, float t0, float t1) const;
    static bool FitsDriver(const SampleAxis& x, const SampleAxis& y);
    struct BlitCalls;
    // A framebuffer object on the fitted texture, where the context has
    // `suffix`'s calls (none: no object).
    void AttachFramebuffer(const char* suffix);
    // New storage for a placed picture (with its texels, or none yet), and
    // its framebuffer object; rows sent into storage already made.
    void SpecifyFitted(uint32_t width, uint32_t height, const char* blitSuffix, const uint8_t* texels);
    void SendFittedRows(uint32_t first, uint32_t width, uint32_t rows, const uint8_t* texels);
    void ReleaseFramebuffer();
    void BlitFitted(int64_t windowWidth, int64_t windowHeight) const;
    bool PreparedMatches(const SampleAxis& x, const SampleAxis& y) const;

    uint32_t m_Name = 0;
    uint32_t m_TexWidth = 0, m_TexHeight = 0;
    // Whether the texture holds a PlaceFitted picture, on which axes, and
    // where its lower-left pixel goes.
    bool m_Fitted = false;
    SampleAxis m_AxisX, m_AxisY;
    int64_t m_FirstX = 0, m_FirstY = 0;
    uint32_t m_Uploads = 0;
    std::unique_ptr<BlitCalls> m_Blit;
    uint32_t m_Framebuffer = 0;
    std::vector<uint8_t> m_Scratch;
    Prepared m_Prepared;
    struct Fill;
    std::unique_ptr<Fill> m_Fill;
};
