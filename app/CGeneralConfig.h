// The "<General>" settings: frame period, shading and polygon detail.
#pragma once

#include <cstdint>

class CGeneralConfig {
public:
    CGeneralConfig() { Default(); }
    void Default() {
        SaverSpeed = 10;
        RenderStyle = 2;
        PolygonDetail = 1;
    }

    uint32_t SaverSpeed;     // frame period in milliseconds
    uint32_t RenderStyle;    // 1 = flat shading, anything else smooth
    uint32_t PolygonDetail;  // passed to the critters
};
