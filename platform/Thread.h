// Scheduling priority of the calling thread.
#pragma once

// Sets the calling thread's priority from the Windows scale the settings use:
// 0 normal, -1 below normal, -2 lowest (other values as the platform allows).
// False when the system refused.
bool PlatformSetCurrentThreadPriority(int priority);
// The calling thread's priority in the platform's own terms: the Windows
// priority value, or the POSIX nice value of the thread.
int PlatformGetCurrentThreadPriority();

// Serves the calls other threads of this process are making into windows the
// calling thread owns (Windows' cross-thread SendMessage), without taking any
// posted input. A window-owning thread calls it while it waits for another
// thread that may be such a caller, so that neither waits for the other.
// Nothing to do where windows have no owning thread.
void PlatformServeCrossThreadCalls();
