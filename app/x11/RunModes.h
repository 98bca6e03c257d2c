// The Linux program's modes but the benchmark. A mode that ran the saver ends
// the process when it stops (CScreenSaver::StopAndEndProcess); these return
// only when it could not start, with the status the program exits with.
#pragma once

#include <X11/Xlib.h>

#include "app/x11/X11Front.h"

// The settings window belongs to the Windows program for now. Until Linux has
// one, "/c" does what opening it does to the files (a first run creates them
// with the defaults) and says where they are.
int RunSettingsNote();
// "/c": starts the settings program in place of this process when there is a
// display and the program is found (beside this one, or where it installs);
// otherwise, or when it cannot start, the note above.
int RunSettings();
int RunFullScreen(Display* dpy);
// -1 when `parent` is not a window.
int RunPreviewChild(Display* dpy, Window parent);
// XScreenSaver's window, or the root window when none is named.
int RunHostWindow(Display* dpy, const X11Options& o);
int RunPlainWindow(Display* dpy);
