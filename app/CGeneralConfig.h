// The "<General>" settings: frame period, shading and polygon detail.
#pragma once

#include <cstdint>

#include "xlib/SaverModule.h"

class XString;

class CGeneralConfig : public TabledModule<CGeneralConfig> {
public:
    static constexpr uint32_t kMaxSaverSpeed = 100;  // ms; the settings offer 0-100

    CGeneralConfig() { Default(); }
    void Default() override;
    // From the whole configuration text: a missing or empty section gives the
    // defaults, a missing key inside a present one 0.
    void Read(const XString& whole) override;
    // Appends the section.
    void Write(XString& out) const override;
    static const SettingsTable<CGeneralConfig>& Settings();

    uint32_t SaverSpeed;     // frame period in milliseconds
    uint32_t RenderStyle;    // 1 = flat shading, anything else smooth
    uint32_t PolygonDetail;  // passed to the critters
};
