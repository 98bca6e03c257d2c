#include "platform/Thread.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// On Linux the nice value belongs to each thread, addressed by its thread id.
id_t ThreadId() { return static_cast<id_t>(::syscall(SYS_gettid)); }
}  // namespace

bool PlatformSetCurrentThreadPriority(ThreadPriority priority) {
    // Below normal and lowest become 5 and 10 steps nicer than the thread
    // started with; idle the nicest value. Normal leaves the thread alone:
    // raising a lowered thread again needs privileges a screen saver does
    // not have.
    int steps = 0;
    switch (priority) {
        case ThreadPriority::Normal: return true;
        case ThreadPriority::BelowNormal: steps = 5; break;
        case ThreadPriority::Lowest: steps = 10; break;
        case ThreadPriority::Idle: steps = 19; break;
    }
    errno = 0;
    const int base = ::getpriority(PRIO_PROCESS, ThreadId());
    if (base == -1 && errno != 0) return false;
    int target = base + steps;
    if (target > 19) target = 19;
    return ::setpriority(PRIO_PROCESS, ThreadId(), target) == 0;
}

int PlatformGetCurrentThreadPriority() { return ::getpriority(PRIO_PROCESS, ThreadId()); }
