// The "Special Effects" settings: four emitter settings handed to the critters,
// a motion-blur switch and amount (stored and shown, drawn by nothing), and the
// fog the instance applies to the whole scene at start. Owns "<Effects>".
#pragma once

#include <cstdint>

class XString;

class CEffects {
public:
    CEffects();

    void Default();
    void Read(const XString& config);
    void Write(XString& out) const;
    // The fog for the run, once, on the render thread after set-up.
    void ApplyFog() const;

    // The fog colour as applied: each channel over 265, so full white is a
    // 0.962 grey. Kept for compatibility with existing settings files.
    static float FogChannel(int32_t value) { return static_cast<float>(value * 0.0037735849056603774); }
    float FogDensityValue() const { return static_cast<float>(FogDensity * 0.001); }

    // "<Emitters>"
    int32_t LifeTime = 40;
    int32_t Intensity = 40;
    int32_t Detail = 3;
    int32_t Size = 10;
    // "<MotionBlur>"
    bool MotionBlur = true;
    int32_t BlurAmount = 3;
    // "<Fog>"
    bool Fog = false;
    int32_t FogDensity = 30;
    int32_t FogRed = 0, FogGreen = 0, FogBlue = 255;
};
