// A setting's value and description as its module's settings table gives
// them to whatever sets it from outside the file (xlib/SettingsTable.h).
#pragma once

#include <cstdint>

#include "xlib/XString.h"

// One setting's value in a form every row gives and takes: a switch in
// `flag`, a number in `number`, a text (or a moment in its pattern) in `text`.
struct SettingValue {
    bool flag = false;
    int64_t number = 0;
    XString text;
};

// What a row says of itself, for whatever sets it from outside the file (the
// command line's one-run settings, a settings view).
struct SettingInfo {
    enum Type : uint8_t { kSwitch, kNumber, kText, kMoment };
    Type type = kText;
    int64_t def = 0;
    // The range offered; `ranged` false for a number without one.
    bool ranged = false;
    int64_t lo = 0, hi = 0;
    const char* label = "";
};
