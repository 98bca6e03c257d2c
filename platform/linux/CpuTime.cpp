#include "platform/CpuTime.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "platform/linux/ProcStat.h"

namespace {
double Ms(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}
}  // namespace

double PlatformProcessCpuMs() { return Ms(CLOCK_PROCESS_CPUTIME_ID); }
double PlatformThreadCpuMs() { return Ms(CLOCK_THREAD_CPUTIME_ID); }

std::optional<unsigned long long> ProcStatStartTicks(const std::string& stat) {
    // The command name is the only field that may hold spaces or ')': it ends
    // at the last ')', and field 3 starts two characters later.
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 2 > stat.size()) return std::nullopt;
    const char* p = stat.c_str() + paren + 2;
    for (int field = 3; field < 22; ++field) {
        p = std::strchr(p, ' ');
        if (!p) return std::nullopt;
        ++p;
    }
    char* end = nullptr;
    const unsigned long long ticks = std::strtoull(p, &end, 10);
    if (end == p) return std::nullopt;
    return ticks;
}

double PlatformMsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    const std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::optional<unsigned long long> start = ProcStatStartTicks(content);
    if (!start) return -1;
    // The start time counts from boot, suspended time included.
    const double startMs = *start * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return Ms(CLOCK_BOOTTIME) - startMs;
}
