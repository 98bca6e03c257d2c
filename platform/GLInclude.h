// OpenGL 1.1 and GLU headers for portable code.
#pragma once

#ifdef _WIN32
// The Windows GL headers need the calling-convention macros of windows.h.
#include "platform/win32/WinInclude.h"
#endif
#include <GL/gl.h>
#include <GL/glu.h>
