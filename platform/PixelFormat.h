// Which of the window's pixel formats the render context uses.
#pragma once

#include <vector>

struct PixelFormatInfo {
    bool supportOpenGL = false;
    bool drawToWindow = false;
    bool doubleBuffer = false;
    bool rgba = false;
    bool generic = false;             // the system's software renderer
    bool genericAccelerated = false;  // software interface over an accelerated driver
    int colorBits = 0;
    int depthBits = 0;
};

// Score of one format; 0 for formats that cannot be used.
int ScorePixelFormat(const PixelFormatInfo& f);

// 1-based index of the best format of `formats` (formats[0] is format 1);
// the first of equal scores wins; 0 when none scores above 0.
int ChoosePixelFormatIndex(const std::vector<PixelFormatInfo>& formats);
