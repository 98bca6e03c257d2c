// Scheduling priority of the calling thread.
#pragma once

// How eagerly the calling thread competes for the processor. A screen saver
// only ever steps back: each level yields more to the user's own programs,
// and Idle runs only when nothing else wants to.
enum class ThreadPriority { Normal, BelowNormal, Lowest, Idle };

// Sets the calling thread's priority; other threads keep theirs. False when
// the system refused.
bool PlatformSetCurrentThreadPriority(ThreadPriority priority);
// For tests: the calling thread's priority as the system reports it (the
// Windows priority value, or the POSIX nice value of the thread). Compare it
// only with another answer of this function on the same system.
int PlatformGetCurrentThreadPriority();
