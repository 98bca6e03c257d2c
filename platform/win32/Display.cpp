#include "platform/win32/WinInclude.h"

#include "platform/Display.h"

namespace {
bool Describe(unsigned index, DEVMODEA& dm) {
    ZeroMemory(&dm, sizeof(dm));
    dm.dmSize = sizeof(dm);
    return EnumDisplaySettingsA(nullptr, index, &dm) != FALSE;
}
}  // namespace

bool PlatformDisplayMode(unsigned index, DisplayModeInfo& info) {
    DEVMODEA dm;
    if (!Describe(index, dm)) return false;
    info.width = dm.dmPelsWidth;
    info.height = dm.dmPelsHeight;
    info.bitsPerPixel = dm.dmBitsPerPel;
    info.frequency = dm.dmDisplayFrequency;
    return true;
}

bool PlatformChangeDisplayMode(unsigned index) {
    DEVMODEA dm;
    if (!Describe(index, dm)) return false;
    return ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

void PlatformRestoreDisplayMode() { ChangeDisplaySettingsA(nullptr, 0); }
