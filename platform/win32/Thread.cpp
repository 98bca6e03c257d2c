#include "platform/win32/WinInclude.h"

#include "platform/Thread.h"

bool PlatformSetCurrentThreadPriority(ThreadPriority priority) {
    int value = THREAD_PRIORITY_NORMAL;
    switch (priority) {
        case ThreadPriority::Normal: value = THREAD_PRIORITY_NORMAL; break;
        case ThreadPriority::BelowNormal: value = THREAD_PRIORITY_BELOW_NORMAL; break;
        case ThreadPriority::Lowest: value = THREAD_PRIORITY_LOWEST; break;
        case ThreadPriority::Idle: value = THREAD_PRIORITY_IDLE; break;
    }
    return SetThreadPriority(GetCurrentThread(), value) != FALSE;
}

int PlatformGetCurrentThreadPriority() { return GetThreadPriority(GetCurrentThread()); }
