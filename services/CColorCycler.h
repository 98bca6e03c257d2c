// One colour drifting through the RGB cube: each cycling channel sweeps
// 0..255 and back, one unit per frame. Used by the date, countdown and e-mail texts.
#pragma once

#include <cstdint>

class CColorCycler {
public:
    enum { RED = 0, GREEN = 1, BLUE = 2 };

    // White, standing still.
    CColorCycler();

    // A cycling channel gets a random direction (odd draw: down, even: up);
    // the others stop.
    void SetSteps(bool cycleRed, bool cycleGreen, bool cycleBlue);
    // A cycling channel gets a random value 0..255; the others go to 0.
    void Randomize(bool cycleRed, bool cycleGreen, bool cycleBlue);
    // One frame: turn at the ends, then step.
    void Advance();

    int8_t Step[3];
    int32_t Color[3];
};
