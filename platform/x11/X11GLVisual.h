// For the X11 front end: the GLX visual our own windows are created with,
// chosen by the same scoring as the Windows pixel formats.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

// The best double-buffered RGBA visual of the screen, or nullptr. Free with XFree.
XVisualInfo* ChooseGLVisual(Display* display, int screen);
