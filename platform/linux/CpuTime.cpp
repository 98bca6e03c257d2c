#include "platform/CpuTime.h"

#include <ctime>

namespace {
double Ms(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}
}  // namespace

double PlatformProcessCpuMs() { return Ms(CLOCK_PROCESS_CPUTIME_ID); }
double PlatformThreadCpuMs() { return Ms(CLOCK_THREAD_CPUTIME_ID); }
