// The Linux program's modes: what the command line asks for and how input is treated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/BenchRun.h"
#include "app/SettingOverrides.h"

enum class X11Mode {
    FullScreen,   // like /s: covers the screen, grabs input, closes on input
    Preview,      // like /p <window>: a child of the given window, closes on a key or button
    HostWindow,   // XScreenSaver: draw into its window (or the root), never close on input
    PlainWindow,  // -window: an ordinary resizable window to try the saver in
    Settings,     // no switch or /c: explain where the settings live
    ChangePassword,
    Unknown,
    Usage,        // an option nobody knows: print X11UsageText and fail
    Bench,
};

struct X11Options {
    X11Mode mode = X11Mode::Settings;
    uint64_t window = 0;      // Preview parent or HostWindow target (0 = root window)
    bool windowGiven = false; // HostWindow: a window id was named
    std::string badHandle;    // Preview: the text that did not name a window
    BenchOptions bench;       // Bench
    // Settings for this run only, in every mode: -critters N, -[no-]ladybugs, ...
    SettingOverrides overrides;
    std::string display;      // -display: the X display to use instead of $DISPLAY
    std::string unknownOption; // Usage: the option that was not understood
    std::string error;        // a malformed option
};

// The short help printed for an option the program does not know.
const char* X11UsageText();

// `xscreensaverWindow` is the XSCREENSAVER_WINDOW variable (null when unset).
// Every word option is accepted with one dash or two (XScreenSaver's daemon
// turns "-root" into "--root"); the toolkit options a hack is commonly given
// (-display, -visual, -install, -fps, -no-fps, -pair) are accepted, and only
// -display has an effect. The setting options (see X11UsageText) are taken
// in every mode; a value out of the range the settings file allows is an error.
X11Options ParseX11Options(const std::vector<std::string>& args, const char* xscreensaverWindow);
