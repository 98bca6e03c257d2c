#include "services/CColorCycler.h"

#include "xlib/XRandom.h"

CColorCycler::CColorCycler() {
    for (int c = 0; c < 3; ++c) {
        Step[c] = 0;
        Color[c] = 255;
    }
}

void CColorCycler::SetSteps(bool cycleRed, bool cycleGreen, bool cycleBlue) {
    const bool cycles[3] = {cycleRed, cycleGreen, cycleBlue};
    for (int c = 0; c < 3; ++c) Step[c] = cycles[c] ? (XRandom() % 2 ? -1 : 1) : 0;
}

void CColorCycler::Randomize(bool cycleRed, bool cycleGreen, bool cycleBlue) {
    const bool cycles[3] = {cycleRed, cycleGreen, cycleBlue};
    for (int c = 0; c < 3; ++c) Color[c] = cycles[c] ? XRandom() % 256 : 0;
}

void CColorCycler::Advance() {
    for (int c = 0; c < 3; ++c) {
        if (Step[c] == 0) continue;
        if (Color[c] <= 0) Step[c] = 1;
        if (Color[c] > 254) Step[c] = -1;
        Color[c] += Step[c];
    }
}
