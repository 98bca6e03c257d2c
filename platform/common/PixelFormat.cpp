#include "platform/PixelFormat.h"

#include <cstddef>

int ScorePixelFormat(const PixelFormatInfo& f) {
    if (!f.supportOpenGL || !f.drawToWindow || !f.doubleBuffer || !f.rgba) return 0;
    int score = f.colorBits + 2 * f.depthBits;
    // Deep colour is worth less than depth: more than 16 bits costs half the excess.
    if (f.colorBits > 16) score += (16 - f.colorBits) / 2;
    if (!f.generic)
        score += 2000;
    else if (f.genericAccelerated)
        score += 1000;
    return score;
}

int ChoosePixelFormatIndex(const std::vector<PixelFormatInfo>& formats) {
    int best = 0;
    int bestScore = 0;
    for (size_t i = 0; i < formats.size(); ++i) {
        int s = ScorePixelFormat(formats[i]);
        if (s > bestScore) {
            bestScore = s;
            best = static_cast<int>(i) + 1;
        }
    }
    return best;
}
