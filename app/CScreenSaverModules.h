// The module registry's rows, shared by the parts of CScreenSaver that walk it.
#pragma once

#include <cstdint>

#include "app/CScreenSaver.h"

// The modules in the main file's section order, each with its place in the
// scene's calls (CScreenSaverModules.cpp). The registry is the one place that
// knows the modules as a list: a new module is one line there (and its member).
struct CScreenSaver::ModuleRow {
    SaverModule& (*of)(CScreenSaver&);
    // Its turn in the set-up (and the size changes), in each frame's logic and
    // in each frame's drawing; 0 takes no part. Release goes in the reverse
    // order of the set-up.
    uint8_t setup, process, draw;
    uint8_t flags;
};

enum ModuleFlags : uint8_t {
    // Processed only in a full-size window: the alarm and the disc stay
    // quiet in the settings dialog's preview.
    kFullSizeOnly = 1,
    // Drawn before the camera is placed (the background picture).
    kBeforeCamera = 2,
    // Its set-up has effects outside the process (the disc starts): the
    // process may not end in the middle of it.
    kSetupActsOutside = 4,
    // Released even when no GL context was made (the picture belongs to the
    // image library).
    kReleaseWithoutContext = 8,
};
