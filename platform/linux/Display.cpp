#include "platform/Display.h"

// The Linux program runs in the display's current mode: the setting is kept
// in the configuration file but no mode is offered or switched to.
bool PlatformDisplayMode(unsigned, DisplayModeInfo&) { return false; }

bool PlatformChangeDisplayMode(unsigned) { return false; }

void PlatformRestoreDisplayMode() {}
