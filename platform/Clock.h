// Time services the program needs from the operating system.
#pragma once

#include <cstdint>

struct LocalTimeParts {
    int year = 0, month = 0, day = 0;           // month 1..12
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 0;                           // 0 = Sunday
};

// Millisecond counter, steady against clock changes, that wraps after 2^32 ms.
uint32_t PlatformTimeMs();
// Ask for 1 ms sleep and timer resolution while frames are paced, and give it
// back when they no longer are. Each Begin is matched by one End; where
// sleeps are that fine anyway both do nothing.
void PlatformBeginFineTimer();
void PlatformEndFineTimer();
// Milliseconds since the system started, for seeding the random generator.
uint32_t PlatformTickCount();
void PlatformSleepMs(unsigned ms);
// Give up the rest of the time slice (Sleep(0)).
void PlatformYield();
LocalTimeParts PlatformLocalTime();
LocalTimeParts PlatformUtcTime();

// Minutes to add to local time to get UTC (west of Greenwich is positive), with
// daylight saving time included when it is in force now.
int PlatformTimeZoneBias();
// Sets the computer's clock from the parts, read as UTC when `utc` is set, else
// as local time. False when the system refuses (no privilege, invalid time).
bool PlatformSetClock(const LocalTimeParts& t, bool utc);
