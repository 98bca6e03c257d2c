// --bench on Linux: the benchmark (app/BenchRun) in an override-redirect
// window of its own, ended early by SIGTERM, SIGINT or SIGHUP.
#pragma once

#include "app/x11/X11Front.h"

// Xlib's own typedef, repeated so that this header need not include Xlib,
// whose None and Bool macros break other headers (GoogleTest's among them).
typedef struct _XDisplay Display;

// Returns the program's exit status: 1 when the run was cut short or the
// snapshot could not be saved.
int RunBench(Display* dpy, const X11Options& o);
