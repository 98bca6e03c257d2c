#include "platform/win32/WinInclude.h"

#include "platform/Thread.h"

bool PlatformSetCurrentThreadPriority(int priority) {
    return SetThreadPriority(GetCurrentThread(), priority) != FALSE;
}

int PlatformGetCurrentThreadPriority() { return GetThreadPriority(GetCurrentThread()); }
