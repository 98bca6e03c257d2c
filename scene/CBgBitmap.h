// The user's own pictures as the scene's backdrop: one picture at a time, fitted
// to the window or bouncing around it at its own size, moving on through the
// list every few minutes, optionally with its colours drifting. The decoded
// picture stays in client memory, where the drift rewrites it in place; it is
// drawn as a linearly filtered texture on a window-aligned rectangle and sent
// to OpenGL only when it changed. Render thread only, apart from Default, Read
// and Write.
#pragma once

#include <future>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ImageDecoder.h"
#include "render/CPictureTexture.h"
#include "xlib/SaverModule.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"
#include "xlib/XStringArray.h"

// Per-pixel colour drift: every channel of every pixel walks up or down by the
// channel's step each frame and turns back on its own at 0 and 255.
class CColorDrift {
public:
    // Directions for a w x h picture, all pixels starting with one random
    // triple, and random channel steps (neither triple all zero). The array is
    // kept when it already has that size. False when it cannot be allocated:
    // the drift is then unset and Step does nothing.
    bool Setup(uint32_t width, uint32_t height);
    void Release();

    // One step over 24-bit pixels in red-green-blue order, rows `pitch` bytes
    // apart, of the size the drift was made for (anything else is left alone).
    void Step(uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch);
    // The same step one byte at a time: what Step is checked and measured against.
    void StepBytewise(uint8_t* bits, uint32_t width, uint32_t height, uint32_t pitch);

    bool IsSet() const { return m_Directions != nullptr; }
    uint32_t GetWidth() const { return m_Width; }
    uint32_t GetHeight() const { return m_Height; }
    // -1, 0 or +1 for pixel (x, y), y counting rows as stored; channel 0 red.
    int8_t Direction(uint32_t x, uint32_t y, int channel) const {
        return m_Directions[(static_cast<size_t>(y) * m_Width + x) * 3 + channel];
    }
    int8_t* Directions() { return m_Directions.get(); }
    int8_t StepSize(int channel) const { return m_Steps[channel]; }
    void SetStepSizes(int8_t red, int8_t green, int8_t blue);

private:
    uint32_t m_Width = 0, m_Height = 0;
    std::unique_ptr<int8_t[]> m_Directions;
    int8_t m_Steps[3] = {0, 0, 0};
    // The steps repeated along one row (3 x width), so a row is one flat loop.
    std::unique_ptr<int8_t[]> m_RowSteps;
};

// Where a fitted picture goes: scaled by `zoom` to touch the window on one
// axis, centred on the other. Offsets in window pixels from the lower-left
// corner; raster position in normalised device coordinates.
struct BgFitPlacement {
    float zoom;
    double offsetX, offsetY;
    double rasterX, rasterY;
};
BgFitPlacement BgFitPicture(uint32_t windowWidth, uint32_t windowHeight, uint32_t pictureWidth,
                            uint32_t pictureHeight);

class CBgBitmap : public TabledModule<CBgBitmap> {
public:
    // The instance clock in milliseconds; tests hand in one of their own.
    using Clock = uint32_t (*)();

    CBgBitmap();
    ~CBgBitmap();
    CBgBitmap(const CBgBitmap&) = delete;
    CBgBitmap& operator=(const CBgBitmap&) = delete;

    void Default() override;
    void Read(const XString& config) override;
    // NumPictures is written as the list's count.
    void Write(XString& out) const override;
    static const SettingsTable<CBgBitmap>& Settings();

    // Starts decoding the first picture while the GL context is being made;
    // Setup's prefetch takes it from there. A still picture in a run that
    // draws ahead is only opened here, and decoded into its texture as the
    // first frames go out (see Setup).
    void Prepare(bool drawAhead) override;
    // Stores the scene's size, restarts the change timer and forgets the
    // picture. With the scene's drawAhead, a still first picture that is
    // still decoding is shown from the frame after it is ready, the frames
    // before it going out without it; every frame from then on is the same
    // as if it had been waited for. Where the driver takes it, such a
    // picture is decoded on the render thread a slice each frame, straight
    // into its texture, and so is every still picture a later change shows
    // (at once): its decoded and resampled copies never exist whole.
    void Setup(const SceneContext& scene) override {
        m_DrawAhead = scene.drawAhead;
        Setup(scene.width, scene.height);
    }
    void Reshape(const SceneContext& scene) override { Setup(scene); }
    void Setup(int32_t width, int32_t height);

    // The frame's local time the loop hands every module is not used: the
    // change timer runs on the instance clock.
    void Process(const XDateTime&) override { Process(); }
    void Draw(const XDateTime&) override { Draw(); }
    void Process();
    void Draw();

    // A random entry of the list for the wallpaper; empty when the list is.
    XString GetRandBgImageFileName() const;

    void SetClock(Clock clock) { m_Clock = clock; }

    // The current picture (null when none is loaded) and the run state.
    const ImageBitmap* GetBitmap() const { return m_Bitmap; }
    ImageBitmap* GetBitmap() { return m_Bitmap; }
    uint32_t GetIndex() const { return m_Index; }
    int32_t GetX() const { return m_X; }
    int32_t GetY() const { return m_Y; }
    int32_t GetDx() const { return m_Dx; }
    int32_t GetDy() const { return m_Dy; }
    uint32_t GetLastChange() const { return m_LastChange; }
    // Picture changes since Setup (the first load included), failed ones too.
    uint32_t GetChangeCount() const { return m_ChangeCount; }
    CColorDrift& Drift() { return m_Drift; }
    const CPictureTexture& Texture() const { return m_Texture; }

    // Frees the decoded picture, the drift directions and the texture (end of
    // a run, context still current).
    void Release() override;

    // Settings ("<BgBitmap>"); their defaults are in the table.
    bool CyclePictures;
    uint32_t NumPictures;
    uint32_t CycleMin;
    int32_t PictureStyle;  // 0 fit to the window, anything else bounce
    bool CycleColor;
    XStringArray Pictures;

private:
    void FreeBitmap();
    // The still picture is in its texture: the decoded one is not kept.
    void DropDecoded();
    void ChangePicture(uint32_t now);
    // The changed-to picture, from the prefetch or decoded here.
    void TakePicture();
    // Whether the prefetch is of the current picture and still decoding.
    bool PrefetchStillDecoding() const;
    // Starts decoding the picture the next change will show, while the rest of
    // the scene is set up; DropPrefetch waits for it and frees it unused.
    void StartPrefetch();
    void DropPrefetch();
    // A still picture decoded into its texture as it is read (see Setup).
    bool Streams() const { return m_CanFill && PictureStyle == 0 && !CycleColor; }
    // Starts opening a picture for that on a thread of its own (reading the
    // file, and for a progressive JPEG taking in all its scans, are not for
    // a frame to wait on); DropPrefetch drops it.
    void StartOpening(uint32_t index);
    bool OpeningFor(uint32_t index) const;
    // Takes the opened current picture for that; false when it cannot be shown.
    bool StartStream(std::unique_ptr<ImageRowReader> rows);
    // Up to `rows` more of its rows (0: all of them); at the end the picture
    // is in its texture, or, damaged, not shown.
    void PumpStream(uint32_t rows);
    // The picture a change would show next.
    uint32_t NextIndex() const { return m_Index + 1 >= Count() ? 0 : m_Index + 1; }
    void Bounce();
    // The pictures actually in the list (NumPictures follows it after Read).
    uint32_t Count() const { return Pictures.GetCount(); }

    Clock m_Clock;
    ImageBitmap* m_Bitmap = nullptr;
    // The picture shown, whose decoded copy may be gone (m_InTextureOnly).
    uint32_t m_PictureWidth = 0, m_PictureHeight = 0;
    bool m_InTextureOnly = false;
    CColorDrift m_Drift;
    CPictureTexture m_Texture;
    struct Decoded {
        ImageBitmap* bitmap = nullptr;
        // Resampled to the window pixels it will be drawn on, where it can be.
        CPictureTexture::Prepared fitted;
    };
    struct Prefetch {
        std::future<Decoded> bitmap;
        uint32_t index = 0;
        XString name;
    };
    Prefetch m_Prefetch;
    // Prepare's decode, until the prefetch takes it (or drops it unused).
    struct EarlyDecode {
        std::shared_ptr<std::future<ImageBitmap*>> bitmap;
        uint32_t index = 0;
        XString name;
    };
    EarlyDecode m_Early;
    // The texture no longer shows the picture (a new one, or a drift step).
    bool m_TextureStale = true;
    int32_t m_X = 0, m_Y = 0;
    int32_t m_Dx = 0, m_Dy = 0;
    uint32_t m_Index = 0;
    uint32_t m_LastChange = 0;
    uint32_t m_ChangeCount = 0;
    bool m_Attempted = false;
    // The first change is made but its picture is still decoding.
    bool m_Pending = false;
    // The picture being decoded into the texture, the one being opened for
    // that, and whether this window and driver allow it.
    std::unique_ptr<ImageRowReader> m_Stream;
    struct Opening {
        std::future<std::unique_ptr<ImageRowReader>> rows;
        uint32_t index = 0;
        XString name;
    };
    Opening m_Opening;
    std::vector<uint8_t> m_StreamRow;
    bool m_CanFill = false;
    bool m_DrawAhead = false;
    // A failed load is written to the run log once, not on every frame.
    bool m_LoadErrorReported = false;
    uint32_t m_Width = 0, m_Height = 0;
};
