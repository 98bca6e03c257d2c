// The saver's namesake creatures: ladybugs, wiggle worms and buzzzy bees that
// crawl or fly in straight lines over the scene, flap or wriggle through two
// animation frames and wrap around at the window edges. Render thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "render/CSpriteSheet.h"
#include "render/CTexture.h"
#include "xlib/SaverModule.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

enum : int32_t {
    kCritterInactive = -1,
    kCritterLadyBug = 0,
    kCritterWiggleWorm = 1,
    kCritterBuzzzyBee = 2,
};

// One creature. Position in window pixels; size and drawing in scene units.
class CCritter {
public:
    // Sprites sit beyond the window edge by this many pixels before they wrap.
    static constexpr float kWrapMargin = 128.0f;

    virtual ~CCritter() = default;

    // Draws the animation frame, heading and speed from the process-wide generator.
    void Init(float x, float y, float halfSize, int32_t kind, int32_t speedSetting);
    // One frame along the critter's heading (worms: towards decreasing x).
    void Step();
    // Advances the animation, moves by (dx, dy) and wraps at the margin.
    void Move(float dx, float dy);
    // With its own attribute and blending set-up around the quad.
    void Draw();
    // Only the binding and the quad.
    void DrawSprite() const;
    // Only the quad's four corners, from the sprite sheet's cell, inside the
    // caller's glBegin(GL_QUADS): the same quad DrawSprite draws.
    void EmitQuad(const CSpriteSheet::Cell& cell) const;

    // Frames between two animation-frame changes for a kind (0 for inactive).
    static int32_t FramePeriod(int32_t kind);

    int32_t m_Kind = kCritterInactive;
    float m_X = 0.0f, m_Y = 0.0f;
    float m_HalfSize = 0.0f;
    int32_t m_Frame = 0;
    int32_t m_Tick = 0;
    int32_t m_Heading = 0;
    int32_t m_Speed = 0;
};

class CCritters : public TabledModule<CCritters> {
public:
    // Bounds applied to what is read from the file (the dialog offers less).
    static constexpr uint32_t kMaxCritters = 50000;
    static constexpr int32_t kMaxSize = 2;
    static constexpr int32_t kMaxSpeed = 64;

    CCritters();
    CCritters(const CCritters&) = delete;
    CCritters& operator=(const CCritters&) = delete;

    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CCritters>& Settings();

    // Creates the six sprite textures from the installation directory, and
    // the sheet of all six that a frame draws from. The arguments are those
    // the frame loop passes; none is used.
    static bool InitStatic(const void* deviceContext = nullptr, int32_t polygonDetail = 0, int32_t renderStyle = 0);
    // Deletes the sprite textures; at the end of a run, while its context is
    // still current, so that a later run's context never sees stale names.
    static void ReleaseStatic();

    // Builds the population for a scene of this size.
    void Setup(const SceneContext& scene) override;
    void Reshape(const SceneContext& scene) override { Setup(scene); }
    void Setup(int32_t width, int32_t height);
    // Critters ignore the frame's time.
    void Process(const XDateTime&) override { Process(); }
    void Draw(const XDateTime&) override { Draw(); }
    void Process();
    void Draw();

    // The kinds critter k gets in turn: critter k has kind KindMix()[k % 3].
    void KindMix(int32_t out[3]) const;

    uint32_t GetPopulationSize() const { return m_PopulationSize; }
    CCritter* GetCritters() { return m_Critters.get(); }
    const CCritter* GetCritters() const { return m_Critters.get(); }

    static int32_t SceneWidth() { return s_Width; }
    static int32_t SceneHeight() { return s_Height; }
    static CTexture& Sprite(int32_t index) { return s_Sprites[index]; }
    // All six sprites in one texture; empty when one of them is missing.
    static const CSpriteSheet& Sheet() { return s_Sheet; }

    // Settings ("<Critters>"); their defaults are in the table.
    uint32_t NumCritters;
    bool WiggleWorms;
    bool BuzzzyBees;
    bool LadyBugs;
    int32_t Size;
    int32_t Speed;

private:
    friend class CCritter;

    std::unique_ptr<CCritter[]> m_Critters;
    uint32_t m_PopulationSize = 0;
    int32_t m_Width = 0, m_Height = 0;

    // Shared by every critter; one running instance uses them at a time.
    static int32_t s_Width, s_Height;
    static CTexture s_Sprites[6];
    static CSpriteSheet s_Sheet;
};
