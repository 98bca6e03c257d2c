// The United States observances the date-and-time overlay names: one name per
// date, the first matching row of a fixed table winning where several fall on
// the same day. Pure functions of the date; no state, no files.
#pragma once

namespace HolidayCalendar {

// The longest observance name is 38 characters; a buffer for GetHolidayName
// must hold at least this many bytes.
constexpr int kMinBuffer = 39;
constexpr int kObservanceCount = 81;

// Writes the name of the observance on the date (month 1..12) into `buffer`,
// or an empty string when there is none. A null buffer is ignored.
void GetHolidayName(char* buffer, int month, int day, int year);
// The same name without a buffer: a static text, "" when there is none.
const char* HolidayName(int month, int day, int year);
// The name of table row `index` (0-based), "" outside the table.
const char* ObservanceName(int index);

// Gregorian rule for every year.
bool IsLeapYear(int year);
// 0 = Sunday .. 6 = Saturday, Gregorian for every year; 0 for a month outside 1..12.
int DayOfWeek(int month, int day, int year);
// 28..31; 255 (no day matches) for a month outside 1..12.
int DaysInMonth(int month, int year);
// The n-th (1..4, or 5) `weekday` of the month, n = 0 for the last one; 0 when
// there is no such day, the weekday is 7 or more or the month is outside 1..12.
int NthWeekdayOfMonth(int n, int weekday, int month, int year);
// Easter Sunday of the year (anonymous Gregorian algorithm).
void EasterSunday(int year, int& month, int& day);
// Steps `days` calendar days back from month/day, into earlier months as needed.
void DaysBefore(int year, int& month, int& day, int days);

}  // namespace HolidayCalendar
