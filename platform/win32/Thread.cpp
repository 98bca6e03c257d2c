#include "platform/win32/WinInclude.h"

#include "platform/Thread.h"

bool PlatformSetCurrentThreadPriority(int priority) {
    return SetThreadPriority(GetCurrentThread(), priority) != FALSE;
}

int PlatformGetCurrentThreadPriority() { return GetThreadPriority(GetCurrentThread()); }

void PlatformServeCrossThreadCalls() {
    // Peeking runs the pending sent messages; PM_QS_SENDMESSAGE keeps posted
    // input (and so any re-entry into the dialog's own commands) queued.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}
