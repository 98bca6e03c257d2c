// The OpenGL 1.1 and GLU headers for portable code. Windows' GL headers need
// <windows.h> before them; nothing else does.
#pragma once

#ifdef _WIN32
#include "platform/win32/WinInclude.h"
#endif
#include <GL/gl.h>
#include <GL/glu.h>
