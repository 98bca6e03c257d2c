#include "platform/Clock.h"

#include <ctime>
#include <sched.h>
#include <sys/time.h>
#include <time.h>

namespace {
LocalTimeParts FromTm(const struct tm& tm, long nanos) {
    LocalTimeParts p;
    p.year = tm.tm_year + 1900;
    p.month = tm.tm_mon + 1;
    p.day = tm.tm_mday;
    p.hour = tm.tm_hour;
    p.minute = tm.tm_min;
    p.second = tm.tm_sec;
    p.millisecond = static_cast<int>(nanos / 1000000);
    p.dayOfWeek = tm.tm_wday;
    return p;
}
}  // namespace

uint32_t PlatformTimeMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

// Linux sleeps are already millisecond-accurate.
void PlatformBeginFineTimer() {}
void PlatformEndFineTimer() {}

uint32_t PlatformTickCount() { return PlatformTimeMs(); }

void PlatformSleepMs(unsigned ms) {
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

void PlatformYield() { sched_yield(); }

LocalTimeParts PlatformLocalTime() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    localtime_r(&ts.tv_sec, &tm);
    return FromTm(tm, ts.tv_nsec);
}

LocalTimeParts PlatformUtcTime() {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    gmtime_r(&ts.tv_sec, &tm);
    return FromTm(tm, ts.tv_nsec);
}

int PlatformTimeZoneBias() {
    time_t now = time(nullptr);
    struct tm tm;
    if (!localtime_r(&now, &tm)) return 0;
    return static_cast<int>(-tm.tm_gmtoff / 60);
}

bool PlatformSetClock(const LocalTimeParts& t, bool utc) {
    struct tm tm = {};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;  // local time: let the C library's rules decide
    time_t seconds = utc ? timegm(&tm) : mktime(&tm);
    if (seconds == static_cast<time_t>(-1)) return false;
    struct timespec ts;
    ts.tv_sec = seconds;
    ts.tv_nsec = static_cast<long>(t.millisecond) * 1000000L;
    return clock_settime(CLOCK_REALTIME, &ts) == 0;
}
