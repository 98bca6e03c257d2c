// --bench: draws a number of frames in a window of its own, prints the
// figures (frames per second, CPU milliseconds per frame, start-up and
// shut-down latency) and can save the last frame as a PNG picture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/x11/X11Front.h"

// Xlib's own typedef, repeated so that this header need not include Xlib,
// whose None and Bool macros break other headers (GoogleTest's among them).
typedef struct _XDisplay Display;

// Returns the program's exit status: 1 when the run was cut short or the
// snapshot could not be saved.
int RunBench(Display* dpy, const X11Options& o);

// Writes `bgr`, bottom-up rows of 24-bit BGR pixels at a 4-byte pitch (what
// glReadPixels gives with GL_PACK_ALIGNMENT 4), as a PNG file.
bool SavePng(const std::string& path, unsigned width, unsigned height, std::vector<unsigned char>& bgr);

// The start time (field 22, in clock ticks since boot) from the text of a
// /proc/<pid>/stat file; none when the text has no such field. The command
// name in parentheses may hold spaces and parentheses of its own.
std::optional<unsigned long long> ProcStatStartTicks(const std::string& stat);
