// The display modes of the primary display, and switching between them.
#pragma once

struct DisplayModeInfo {
    unsigned width = 0;
    unsigned height = 0;
    unsigned bitsPerPixel = 0;
    unsigned frequency = 0;  // Hz; 0 or 1 when the hardware's default
};

// Describes display mode `index` in the platform's enumeration order; false
// past the last one. A platform without mode switching offers none.
bool PlatformDisplayMode(unsigned index, DisplayModeInfo& info);
// Switches the primary display to mode `index` for this process: a
// temporary change the system undoes when the process ends.
bool PlatformChangeDisplayMode(unsigned index);
// Back to the mode the desktop is configured with.
void PlatformRestoreDisplayMode();
