// For the X11 front end: the GLX visual our own windows are created with,
// chosen by the same scoring as the Windows pixel formats.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

// The best double-buffered RGBA visual of the screen, or nullptr. Free with XFree.
XVisualInfo* ChooseGLVisual(Display* display, int screen);

// The same visual, as seen from `display`, chosen on a second connection that
// the process's next GLSurface::Create takes as its render connection instead
// of opening one. GLX sets itself up once per connection (about 15 ms on a
// software renderer), so a window's visual asked on the window's own
// connection would pay that twice before the first frame.
XVisualInfo* ChooseGLVisualForRendering(Display* display, int screen);

// Opens that render connection and sets GLX up on it now, on a thread of its
// own: loading the driver and its compiler is most of the time before the
// first frame, and so overlaps what the program does until its render thread
// asks for a context (the first run's files, the settings). The next
// ChooseGLVisualForRendering or GLSurface::Create waits for it and takes the
// connection. Call once, after XInitThreads and with DISPLAY set.
void PrewarmGLConnection();
