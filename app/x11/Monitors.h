// The monitors that make up the X screen, for the full-screen window's scene
// rectangle.
#pragma once

#include <vector>

#include "app/SceneRect.h"

// Xlib's own typedef, repeated so that this header need not include Xlib,
// whose None and Bool macros break other headers (GoogleTest's among them).
typedef struct _XDisplay Display;

// XRandR's list (which marks the primary monitor) unless it has at most one
// monitor and Xinerama splits the screen in more (Xvfb +xinerama does): then
// Xinerama's, whose first screen is the primary one. Either list may be
// empty: the extension is missing or inactive.
std::vector<ScreenRect> ChooseMonitors(const std::vector<ScreenRect>& randr,
                                       const std::vector<ScreenRect>& xinerama);

// The display's monitors by that rule; empty when the display knows neither
// extension, and the screen is then one monitor.
std::vector<ScreenRect> Monitors(Display* dpy);
