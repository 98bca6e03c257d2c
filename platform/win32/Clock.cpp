#include "platform/win32/WinInclude.h"

#include <mmsystem.h>

#include "platform/Clock.h"

namespace {
LocalTimeParts FromSystemTime(const SYSTEMTIME& st) {
    LocalTimeParts p;
    p.year = st.wYear;
    p.month = st.wMonth;
    p.day = st.wDay;
    p.hour = st.wHour;
    p.minute = st.wMinute;
    p.second = st.wSecond;
    p.millisecond = st.wMilliseconds;
    p.dayOfWeek = st.wDayOfWeek;
    return p;
}
}  // namespace

uint32_t PlatformTimeMs() { return timeGetTime(); }
void PlatformBeginTimerPeriod() { timeBeginPeriod(1); }
void PlatformEndTimerPeriod() { timeEndPeriod(1); }
uint32_t PlatformTickCount() { return GetTickCount(); }
void PlatformSleepMs(unsigned ms) { Sleep(ms); }
void PlatformYield() { Sleep(0); }

LocalTimeParts PlatformLocalTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return FromSystemTime(st);
}

LocalTimeParts PlatformUtcTime() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    return FromSystemTime(st);
}
