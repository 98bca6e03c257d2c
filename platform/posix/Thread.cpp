#include "platform/Thread.h"

#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// On Linux the nice value belongs to each thread, addressed by its thread id.
id_t ThreadId() { return static_cast<id_t>(::syscall(SYS_gettid)); }
}  // namespace

bool PlatformSetCurrentThreadPriority(int priority) {
    // Below normal and lowest become 5 and 10 steps nicer than the thread
    // started with; anything lower than lowest (idle) the nicest value.
    // Raising the priority needs privileges a screen saver does not have, so
    // positive values keep the normal priority.
    int steps;
    if (priority >= 0)
        return true;
    else if (priority == -1)
        steps = 5;
    else if (priority == -2)
        steps = 10;
    else
        steps = 19;
    errno = 0;
    const int base = ::getpriority(PRIO_PROCESS, ThreadId());
    if (base == -1 && errno != 0) return false;
    int target = base + steps;
    if (target > 19) target = 19;
    return ::setpriority(PRIO_PROCESS, ThreadId(), target) == 0;
}

int PlatformGetCurrentThreadPriority() { return ::getpriority(PRIO_PROCESS, ThreadId()); }
