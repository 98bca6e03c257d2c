// The "Special Effects" settings: four emitter settings handed to the critters,
// a motion-blur switch and amount (stored and shown, drawn by nothing), and the
// fog the instance applies to the whole scene at start. Owns "<Effects>".
#pragma once

#include <cstdint>

#include "xlib/SaverModule.h"

class XString;

class CEffects : public TabledModule<CEffects> {
public:
    CEffects();

    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CEffects>& Settings();
    // The fog for the run, once, on the render thread after the other modules' set-up.
    void Setup(const SceneContext&) override { ApplyFog(); }
    void ApplyFog() const;

    // The fog colour as applied: each channel over 265, so full white is a
    // 0.962 grey. Kept for compatibility with existing settings files.
    static float FogChannel(int32_t value) { return static_cast<float>(value * 0.0037735849056603774); }
    float FogDensityValue() const { return static_cast<float>(FogDensity * 0.001); }

    // The settings; their defaults are in the table.
    // "<Emitters>"
    int32_t LifeTime;
    int32_t Intensity;
    int32_t Detail;
    int32_t Size;
    // "<MotionBlur>"
    bool MotionBlur;
    int32_t BlurAmount;
    // "<Fog>"
    bool Fog;
    int32_t FogDensity;
    int32_t FogRed, FogGreen, FogBlue;
};
