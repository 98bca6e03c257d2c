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
void PlatformBeginFineTimer() { timeBeginPeriod(1); }
void PlatformEndFineTimer() { timeEndPeriod(1); }
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

int PlatformTimeZoneBias() {
    TIME_ZONE_INFORMATION tz;
    switch (GetTimeZoneInformation(&tz)) {
    case TIME_ZONE_ID_DAYLIGHT:
        return static_cast<int>(tz.Bias + tz.DaylightBias);
    case TIME_ZONE_ID_STANDARD:
        return static_cast<int>(tz.Bias + tz.StandardBias);
    case TIME_ZONE_ID_UNKNOWN:
        return static_cast<int>(tz.Bias);
    default:
        return 0;
    }
}

namespace {
// Setting the clock needs the system-time privilege enabled in our own token;
// it is present but disabled for administrators. Failure here shows up as the
// refusal of the set call itself.
void EnableSystemTimePrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return;
    TOKEN_PRIVILEGES tp = {};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (LookupPrivilegeValueA(nullptr, "SeSystemtimePrivilege", &tp.Privileges[0].Luid))
        AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr);
    CloseHandle(token);
}
}  // namespace

bool PlatformSetClock(const LocalTimeParts& t, bool utc) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    st.wMilliseconds = static_cast<WORD>(t.millisecond);
    EnableSystemTimePrivilege();
    if (utc) return SetSystemTime(&st) != FALSE;
    // Local time is converted with the daylight-saving state in force before
    // the call; the second call converts with the state of the new time.
    if (!SetLocalTime(&st)) return false;
    return SetLocalTime(&st) != FALSE;
}
