// The screen-saver switch parser shared by both front ends.
#pragma once

#include <cstdint>
#include <string>

enum class SaverAction {
    NoSwitch,        // nothing on the command line: the settings dialog, no owner
    Configure,       // C: the settings dialog owned by the foreground window
    ChangePassword,  // A
    Preview,         // P: `rest` holds the text after the switch and its blanks
    FullScreen,      // S
    Unknown,         // anything else: exit code -1, nothing done
};

struct SaverSwitch {
    SaverAction action = SaverAction::NoSwitch;
    std::string rest;  // for Preview only
};

// Skips blanks, '-' and '/', then the first other character decides (case-insensitive).
SaverSwitch ParseSaverSwitch(const std::string& commandLine);

// The preview's window handle: optional leading blanks and sign, then the
// leading decimal digits; 0 when there are none. Handles above 2^31 - 1 are
// still handles, and a run of digits too long for a handle gives 0 rather than
// a wrapped value.
uint64_t ParsePreviewHandle(const std::string& text);
