// The star-field background: four layers of coloured stars that scroll across
// the window with parallax, stand still, or fly at the viewer as streaks
// (warp), optionally spinning about the view axis. Owns the "<Stars>" section.
// Render thread only.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "xlib/SaverModule.h"
#include "xlib/XDateTime.h"

class XString;

struct Star {
    float x, y, z;
    float red, green, blue;  // already scaled to 0..1
};

enum StarFieldType : int32_t {
    kStarsHorizontal = 0,
    kStarsVertical = 1,
    kStarsWarp = 2,
    kStarsStill = 3,
};

// The colour schemes a layer knows, 0 to kStarSchemeCount - 1; any other
// index keeps the colours the stars had.
constexpr int32_t kStarSchemeCount = 20;

class CStarLayer {
public:
    static constexpr unsigned kCapacity = 9999;
    // Drift velocity before the first frame has set it.
    static constexpr float kDriftUnset = 1000001.0f;
    // Frames a scrolling field drifts one way before it eases round.
    static constexpr unsigned kReversalFrames = 40000;

    CStarLayer();

    // `count` above the capacity is held to it.
    void Setup(bool enabled, unsigned width, unsigned height, unsigned count, int32_t dimLevel, int32_t type,
               int32_t scheme, int32_t speed, bool rotate);
    void Process(int32_t factor);
    void Rotate(float step, int32_t sense);
    // Floats of drawing scratch space a layer needs (shared by the layers,
    // which draw one after another).
    static constexpr unsigned kScratchFloats = kCapacity * 12;
    // Warp streaks in the current transform, one GL_LINES batch.
    void DrawStreaks(float* scratch) const;
    // The stars as points in normalised device coordinates, one GL_POINTS batch.
    void DrawPoints(float* scratch) const;

    unsigned Count() const { return m_Count; }
    const Star& GetStar(unsigned i) const { return m_Stars[i]; }
    Star& GetStar(unsigned i) { return m_Stars[i]; }
    float Angle() const { return m_Angle; }
    float DriftVelocity() const { return m_DriftVelocity; }
    int32_t DriftDirection() const { return m_DriftDirection; }
    unsigned FrameCounter() const { return m_FrameCounter; }
    bool Enabled() const { return m_Enabled; }

private:
    void ColourStars();

    // Allocated once with the layer (about 240 KB, kept off the stack of
    // whoever holds a screen-saver instance); never resized.
    struct FreeStars {
        void operator()(Star* p) const { std::free(p); }
    };
    std::unique_ptr<Star[], FreeStars> m_Stars;
    float m_Angle = 0.0f;
    bool m_Enabled = true;
    int32_t m_DimLevel = 0;
    unsigned m_Count = 0;
    unsigned m_Width = 640, m_Height = 480;
    int32_t m_Speed = 0;
    unsigned m_FrameCounter = 0;
    int32_t m_Type = 0;
    int32_t m_Scheme = 0;
    bool m_Rotate = false;
    int32_t m_DriftDirection = 1;
    float m_StreakLength = 2.5f;
    float m_DriftVelocity = kDriftUnset;
};

class CStarFields : public TabledModule<CStarFields> {
public:
    static constexpr int kLayers = 4;

    CStarFields();
    CStarFields(const CStarFields&) = delete;
    CStarFields& operator=(const CStarFields&) = delete;

    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CStarFields>& Settings();
    void Setup(const SceneContext& scene) override;
    void Reshape(const SceneContext& scene) override { Setup(scene); }
    // Stars ignore the frame's time.
    void Process(const XDateTime&) override { Process(); }
    void Draw(const XDateTime&) override { Draw(); }
    void Setup(unsigned width, unsigned height);
    void Process();
    void Draw();

    // Settings ("<Stars>"); their defaults are in the table.
    bool Enabled;
    int32_t Type;
    int32_t Speed;
    int32_t Amount;
    int32_t ColorScheme;
    bool RotateStars;

    const CStarLayer& Layer(int i) const { return m_Layers[i]; }
    CStarLayer& Layer(int i) { return m_Layers[i]; }
    int32_t RotationSense() const { return m_RotationSense; }
    void ForceRotationSense(int32_t sense) { m_RotationSense = sense; }

private:
    CStarLayer m_Layers[kLayers];
    std::unique_ptr<float[]> m_Scratch;  // vertex arrays for drawing, allocated once
    int32_t m_RotationSense = 1;
    unsigned m_Width = 0, m_Height = 0;
};
