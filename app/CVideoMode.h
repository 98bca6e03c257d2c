// The "<VideoMode>" settings (the display mode of the full-screen saver and
// the render thread's priority), the list of display modes offered for it,
// and the switch into the chosen mode.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Display.h"
#include "platform/Thread.h"
#include "xlib/SaverModule.h"

class XString;

class CVideoMode : public TabledModule<CVideoMode> {
public:
    CVideoMode() { Default(); }
    void Default() override;
    // A missing or empty section gives 0 for both, as does a missing key.
    void Read(const XString& whole) override;
    void Write(XString& out) const override;
    static const SettingsTable<CVideoMode>& Settings();

    // 0: keep the current screen mode; n >= 1: the n-th entry of the mode list.
    int32_t Mode;
    // 0 normal, -1 below normal, -2 lowest (the numbers the settings file
    // has always held; RenderThreadPriority reads them).
    int32_t ThreadPriority;
};

// The render thread's priority for a stored "ThreadPriority" number. The
// dialog writes 0, -1 and -2; of other numbers (a hand-edited file) those
// above 0 keep the normal priority, since a screen saver never raises its
// own, and those below -2 mean idle.
ThreadPriority RenderThreadPriority(int32_t stored);

// Where the mode list comes from; the platform's display by default, a fake in tests.
struct DisplayModeSource {
    std::function<bool(unsigned index, DisplayModeInfo& info)> describe = PlatformDisplayMode;
    std::function<bool(unsigned index)> change = PlatformChangeDisplayMode;
};

// One selectable mode: its index in the platform's enumeration and what it is.
struct ListedDisplayMode {
    unsigned index;
    DisplayModeInfo info;
};

// The first entry of the mode list, always valid.
extern const char kCurrentScreenModeText[];

// The display modes with more than 8 bits per pixel, in enumeration order.
// List position n >= 1 of the mode list is element n - 1 of this.
std::vector<ListedDisplayMode> ListDisplayModes(const DisplayModeSource& source = DisplayModeSource());
// The mode list as the user sees it: kCurrentScreenModeText, then
// "Resolution: WxH, color depth: Bbits, frequency: FHz" per listed mode.
std::vector<std::string> VideoModeListTexts(const DisplayModeSource& source = DisplayModeSource());
// Switches the display to list position `mode` before the full-screen window
// is created. 0 or less, or a position past the end of the list, changes
// nothing and touches no display function for 0 or less. True when switched.
bool ApplyVideoMode(int mode, const DisplayModeSource& source = DisplayModeSource());
