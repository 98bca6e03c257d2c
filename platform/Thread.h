// Scheduling priority of the calling thread.
#pragma once

// Sets the calling thread's priority from the Windows scale the settings use:
// 0 normal, -1 below normal, -2 lowest (other values as the platform allows).
// False when the system refused.
bool PlatformSetCurrentThreadPriority(int priority);
// The calling thread's priority in the platform's own terms: the Windows
// priority value, or the POSIX nice value of the thread.
int PlatformGetCurrentThreadPriority();
