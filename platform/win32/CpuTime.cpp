#include "platform/win32/WinInclude.h"

#include "platform/CpuTime.h"

namespace {
double Ms(const FILETIME& kernel, const FILETIME& user) {
    auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (ticks(kernel) + ticks(user)) / 10000.0;   // 100 ns units
}
}  // namespace

double PlatformProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0.0;
    return Ms(kernel, user);
}

double PlatformThreadCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0.0;
    return Ms(kernel, user);
}

double PlatformMsSinceProcessStart() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return -1;
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& t) { return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return (static_cast<double>(ticks(now)) - static_cast<double>(ticks(created))) / 10000.0;
}
