// Every Windows source includes <windows.h> through this header, first, so that
// the A/W macros that collide with our own method names are gone everywhere.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef GetMessage
#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef GetWindowsDirectory
#undef GetCurrentTime
#undef FindFirstFile
#undef FindNextFile
#undef RemoveDirectory
#undef SetCurrentDirectory
#undef GetTempPath
#undef LoadImage
#undef DrawText
