// A date from year 1 to 4999 with a time of day to the millisecond, marked as
// local time or UTC, packed into two 32-bit words. The calendar is Julian up
// to 4 October 1582 and Gregorian from 15 October 1582 (the days between do
// not exist). Text conversion uses a small pattern language: runs of one
// letter (YYYY, MM, DD, hh, mm, ss, ii, tt, ...), separators copied as they
// are and "[literal]" text; see docs/datetime.md.
#pragma once

#include <cstdint>
#include <string>

class XString;

struct XDateTimeSpan {
    unsigned days = 0;
    unsigned hours = 0;
    unsigned minutes = 0;
    unsigned seconds = 0;
    unsigned milliseconds = 0;
    bool negative = false;
};

class XDateTime {
public:
    static constexpr int kMinYear = 1;
    static constexpr int kMaxYear = 4999;
    // The pattern used when Format or Parse is given none.
    static constexpr const char* kDefaultPattern = "MM/DD/YYYY hh:mm:ss tt";

    // 0001-01-01 00:00:00.000, local or UTC.
    explicit XDateTime(bool bUTC = false);

    // Reads the clock: UTC when this value is UTC, else local time.
    void SetToNow();
    // Validates every field first and changes nothing when one is invalid. The
    // fields are UTC when bUTC is set; they are converted into this value's own
    // mode when that differs.
    bool Set(int year, int month, int day, int hour, int minute, int second, int millisecond, bool bUTC = false);

    // Each checks its range and returns false without change when out of it.
    // Year and month clamp the day to the new month (a day of the October 1582
    // gap becomes 4).
    bool SetYear(int year);
    bool SetMonth(int month);
    bool SetDay(int day);
    bool SetHour(int hour);
    bool SetMinute(int minute);
    bool SetSecond(int second);
    bool SetMillisecond(int millisecond);

    int GetYear() const { return static_cast<int>(m_Date >> 9); }
    int GetMonth() const { return static_cast<int>((m_Date >> 5) & 0xF); }
    int GetDay() const { return static_cast<int>(m_Date & 0x1F); }
    // With b12: 12 for hour 0, hour - 12 for 13..23.
    int GetHour(bool b12 = false) const;
    int GetMinute() const { return static_cast<int>((m_Time >> 16) & 0x3F); }
    int GetSecond() const { return static_cast<int>((m_Time >> 10) & 0x3F); }
    int GetMillisecond() const { return static_cast<int>(m_Time & 0x3FF); }
    bool IsUTC() const { return (m_Time >> 27) & 1; }
    bool IsAM() const { return GetHour() < 12; }
    const char* GetAmPm() const { return IsAM() ? "AM" : "PM"; }
    const char* GetMonthName() const;
    // 0 (Sunday) to 6.
    int GetDayOfWeek() const { return DayOfWeek(GetYear(), GetMonth(), GetDay()); }

    // "07:05:09 PM".
    XString ToTimeString() const;

    // True when the whole pattern was understood; the output keeps what was
    // built up to the first token that was not. A null pattern is kDefaultPattern.
    bool Format(XString& out, const char* pattern = nullptr) const;
    bool Format(std::string& out, const char* pattern = nullptr) const;
    // Reads the fields the pattern names (the others keep their values) and
    // stores them with Set(..., bUTC). False, with no change, on any mismatch.
    bool Parse(const char* text, const char* pattern = nullptr, bool bUTC = false);

    // Adds n minutes (negative goes back) through the calendar. False, with no
    // change, when the result would leave years 1 to 4999.
    bool AddMinutes(int n);

    // Convert between modes by the platform's current bias; a value already in
    // the target mode is left as is. False when the result leaves the range.
    bool ToUTC();
    bool ToLocal();
    // Minutes to add to local time to get UTC, daylight saving included.
    static int GetBias();

    // -1, 0, 1 on the date fields, or on the time-of-day fields.
    int CompareDate(const XDateTime& other) const;
    int CompareTime(const XDateTime& other) const;
    // The instants compared: the other value is taken into this one's mode first.
    bool IsBefore(const XDateTime& other) const;
    // this - other (the other taken into this value's mode).
    XDateTimeSpan Difference(const XDateTime& other) const;
    // The size of the difference, never negative.
    double DifferenceMinutes(const XDateTime& other) const;
    double DifferenceSeconds(const XDateTime& other) const;

    // Sets the computer's clock (as UTC or as local time, by this value's mode).
    // False before 1601 or when the system refuses.
    bool SetSystemClock() const;
    // Downloads a daytime-service answer from url and takes the UTC time in it.
    // False, with no change, on any failure.
    bool SetFromTimeServer(const char* url);
    // The fixed-column daytime answer ("JJJJJ YY-MM-DD HH:MM:SS ..."), as UTC.
    bool SetFromDaytimeAnswer(const char* answer);

    bool operator==(const XDateTime& other) const { return m_Time == other.m_Time && m_Date == other.m_Date; }
    bool operator!=(const XDateTime& other) const { return !(*this == other); }
    uint32_t GetTimeWord() const { return m_Time; }
    uint32_t GetDateWord() const { return m_Date; }

    // ---- the calendar ----
    static bool IsLeapYear(int year);
    // Days the month has: 21 for October 1582.
    static int DaysInMonth(int year, int month);
    // The highest day number the month accepts: 31 for October 1582.
    static int LastDayOfMonth(int year, int month);
    static bool IsValidDate(int year, int month, int day);
    // The Julian day number (1 January of year 1 is 1721424).
    static long DayNumber(int year, int month, int day);
    static void FromDayNumber(long dayNumber, int& year, int& month, int& day);
    static int DayOfWeek(int year, int month, int day);

    static const char* const kMonthNames[13];       // [1..12]
    static const char* const kShortMonthNames[13];  // [1..12]
    static const char* const kDayNames[7];          // from Sunday
    static const char* const kShortDayNames[7];     // "Tues", "Thurs"

private:
    void Store(int year, int month, int day, int hour, int minute, int second, int millisecond, bool bUTC);
    void SetUTCFlag(bool bUTC);
    long DayNumber() const { return DayNumber(GetYear(), GetMonth(), GetDay()); }
    // Milliseconds since midnight.
    long TimeOfDayMs() const;
    // this - other in milliseconds, the other taken into this value's mode.
    long long DifferenceMs(const XDateTime& other) const;

    uint32_t m_Time;
    uint32_t m_Date;
};
