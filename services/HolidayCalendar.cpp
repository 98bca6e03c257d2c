#include "services/HolidayCalendar.h"

#include <cstring>

namespace HolidayCalendar {
namespace {

enum class Rule : unsigned char {
    Fixed,         // month/day
    Nth,           // n-th weekday of month, then `shift` days later
    Easter,        // Easter Sunday minus `back` days
    Inauguration,  // January 20 in years after a leap-rule year (year - 1 divisible by 4)
    TaxDay,        // April 15, or April 16 when the 15th is a Sunday
    Grandparents,  // the first Sunday after Labor Day
    AllSouls,      // November 2, or November 3 when the 2nd is a Sunday
};

struct Observance {
    const char* name;
    Rule rule;
    int month;
    int day;      // Fixed: day of month
    int n;        // Nth: occurrence (0 = last)
    int weekday;  // Nth: 0 = Sunday
    int shift;    // Nth: days added afterwards; Easter: days before Easter
};

constexpr int SUN = 0, MON = 1, THU = 4, FRI = 5, SAT = 6;

Observance Fixed(const char* name, int month, int day) { return {name, Rule::Fixed, month, day, 0, 0, 0}; }
Observance Nth(const char* name, int n, int weekday, int month, int shift = 0) {
    return {name, Rule::Nth, month, 0, n, weekday, shift};
}
Observance Easter(const char* name, int back) { return {name, Rule::Easter, 0, 0, 0, 0, back}; }
Observance Special(const char* name, Rule rule) { return {name, rule, 0, 0, 0, 0, 0}; }

// Searched in this order; the first row that matches names the day.
const Observance kTable[kObservanceCount] = {
    Fixed("New Year's Day", 1, 1),
    Fixed("Elvis Presley's Birthday", 1, 8),
    Fixed("Benjamin Franklin's Birthday", 1, 17),
    Special("Inauguration Day", Rule::Inauguration),
    Nth("Martin Luther King Jr. Day", 3, MON, 1),
    Fixed("Valentine's Day", 2, 14),
    Easter("Fat Tuesday (Mardi Gras)", 47),
    Easter("Ash Wednesday", 46),
    Fixed("National Freedom Day", 2, 1),
    Fixed("Groundhog Day", 2, 2),
    Fixed("Boy Scout Day", 2, 8),
    Fixed("Abraham Lincoln's Birthday", 2, 12),
    Nth("President's Day", 3, MON, 2),
    Fixed("George Washington's Birthday", 2, 22),
    Easter("Easter", 0),
    Easter("Good Friday", 2),
    Fixed("April Fools' Day", 4, 1),
    Fixed("Saint Patrick's Day", 3, 17),
    Easter("Palm Sunday", 7),
    Nth("Daylight Savings Time starts", 1, SUN, 4),
    Fixed("Thomas Jefferson's Birthday", 4, 13),
    Special("Personal income tax returns due", Rule::TaxDay),
    Fixed("Earth Day", 4, 22),
    Nth("Bring Child to Work Day", 4, THU, 4),
    Nth("Arbor Day", 0, FRI, 4),
    Nth("Administrative Professionals Day", 0, SAT, 4, -3),
    Fixed("Cinco de Mayo", 5, 5),
    Nth("National Teachers Day", 1, SUN, 5, 2),
    Nth("National Day of Prayer", 1, THU, 5),
    Nth("Mother's Day", 2, SUN, 5),
    Nth("Memorial Day", 0, MON, 5),
    Nth("Armed Forces Day", 3, SAT, 5),
    Nth("National Defense Transportation Day", 3, FRI, 5),
    Fixed("May Day", 5, 1),
    Fixed("Nurse's Day", 5, 6),
    Fixed("Harry S Truman's Birthday", 5, 8),
    Fixed("Peace Officers Memorial Day", 5, 15),
    Fixed("National Maritime Day", 5, 22),
    Nth("Father's Day", 3, SUN, 6),
    Fixed("Independence Day", 7, 4),
    Fixed("D-Day", 6, 6),
    Fixed("Flag Day", 6, 14),
    Fixed("Juneteenth", 6, 19),
    Fixed("St. John the Baptist Day", 6, 24),
    Nth("Parent's Day", 4, SUN, 7),
    Fixed("First Moon Landing", 7, 20),
    Nth("Friendship Day", 1, SUN, 8),
    Fixed("Hiroshima Day", 8, 6),
    Fixed("National Aviation Day", 8, 19),
    Fixed("Women's Equality (Suffrage) Day", 8, 26),
    Nth("Labor Day", 1, MON, 9),
    Fixed("Patriot Day", 9, 11),
    Special("National Grandparent's Day", Rule::Grandparents),
    Fixed("Stepfamily Day", 9, 16),
    Fixed("Citizenship Day", 9, 17),
    Nth("Gold Star Mother's Day", 0, SUN, 9),
    Nth("Native American Day", 4, FRI, 9),
    Nth("Columbus Day", 2, MON, 10),
    Nth("Child Health Day", 1, MON, 10),
    Nth("National Children's Day", 2, SUN, 10),
    Fixed("Leif Erikson Day", 10, 9),
    Fixed("Halloween", 10, 31),
    Fixed("Boss Day", 10, 16),
    Nth("Daylight Savings Time ends", 0, SUN, 10),
    Nth("Mother-In-Law Day", 4, SUN, 10),
    Nth("Sweetest Day", 3, SAT, 10),
    Fixed("United Nations Day", 10, 24),
    Fixed("White Cane Safety Day", 10, 15),
    Fixed("Veteran's Day", 11, 11),
    Nth("Election Day", 1, MON, 11, 1),
    Fixed("All Saints' Day", 11, 1),
    Special("All Souls Day", Rule::AllSouls),
    Fixed("Guy Fawkes' Day", 11, 5),
    Nth("Thanksgiving Day", 4, THU, 11),
    Fixed("National Pearl Harbor Rememberance Day", 12, 7),
    Fixed("Human Rights Day", 12, 10),
    Fixed("Wright Brothers Day", 12, 17),
    Fixed("Forefather's Day", 12, 21),
    Fixed("Christmas Eve", 12, 24),
    Fixed("Christmas", 12, 25),
    Fixed("New Year's Eve", 12, 31),
};

const int kMonthOffset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
const int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// The year's movable dates, worked out once per lookup.
struct YearFacts {
    int year;
    int easterMonth, easterDay;
    int april15Weekday;
};

// Where row `o` falls in the year; false when it does not occur that year.
bool DateOf(const Observance& o, const YearFacts& f, int& month, int& day) {
    switch (o.rule) {
    case Rule::Fixed:
        month = o.month;
        day = o.day;
        return true;
    case Rule::Nth: {
        const int d = NthWeekdayOfMonth(o.n, o.weekday, o.month, f.year);
        if (d == 0) return false;
        month = o.month;
        day = d + o.shift;
        return true;
    }
    case Rule::Easter:
        month = f.easterMonth;
        day = f.easterDay;
        DaysBefore(f.year, month, day, o.shift);
        return true;
    case Rule::Inauguration:
        if ((f.year - 1) % 4 != 0) return false;
        month = 1;
        day = 20;
        return true;
    case Rule::TaxDay:
        month = 4;
        day = f.april15Weekday == SUN ? 16 : 15;
        return true;
    case Rule::Grandparents: {
        const int labor = NthWeekdayOfMonth(1, MON, 9, f.year);
        const int sunday = NthWeekdayOfMonth(1, SUN, 9, f.year);
        month = 9;
        day = sunday > labor ? sunday : NthWeekdayOfMonth(2, SUN, 9, f.year);
        return true;
    }
    case Rule::AllSouls:
        month = 11;
        day = DayOfWeek(11, 2, f.year) == SUN ? 3 : 2;
        return true;
    }
    return false;
}

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DayOfWeek(int month, int day, int year) {
    if (month < 1 || month > 12) return 0;
    int y = month < 3 ? year - 1 : year;
    int w = (y + y / 4 - y / 100 + y / 400 + kMonthOffset[month - 1] + day) % 7;
    return w < 0 ? w + 7 : w;
}

int DaysInMonth(int month, int year) {
    if (month < 1 || month > 12) return 255;
    if (month == 2 && IsLeapYear(year)) return 29;
    return kMonthDays[month - 1];
}

int NthWeekdayOfMonth(int n, int weekday, int month, int year) {
    if (weekday < 0 || weekday >= 7 || month < 1 || month > 12 || n < 0) return 0;
    int found[5] = {};
    int count = 0;
    const int first = (weekday - DayOfWeek(month, 1, year) + 7) % 7 + 1;
    for (int d = first; d <= DaysInMonth(month, year) && count < 5; d += 7) found[count++] = d;
    if (n == 0) return found[count - 1];
    return n <= count ? found[n - 1] : 0;
}

void EasterSunday(int year, int& month, int& day) {
    const int a = year % 19, b = year / 100, c = year % 100;
    const int d = b / 4, e = b % 4, f = (b + 8) / 25, g = (b - f + 1) / 3;
    const int h = (19 * a + b - d - g + 15) % 30;
    const int i = c / 4, k = c % 4;
    const int l = (32 + 2 * e + 2 * i - h - k) % 7;
    const int m = (a + 11 * h + 22 * l) / 451;
    month = (h + l - 7 * m + 114) / 31;
    day = (h + l - 7 * m + 114) % 31 + 1;
}

void DaysBefore(int year, int& month, int& day, int days) {
    day -= days;
    while (day <= 0 && month > 1) {
        --month;
        day += DaysInMonth(month, year);
    }
}

const char* HolidayName(int month, int day, int year) {
    YearFacts facts{year, 0, 0, DayOfWeek(4, 15, year)};
    EasterSunday(year, facts.easterMonth, facts.easterDay);
    for (const Observance& o : kTable) {
        int m = 0, d = 0;
        if (DateOf(o, facts, m, d) && m == month && d == day) return o.name;
    }
    return "";
}

void GetHolidayName(char* buffer, int month, int day, int year) {
    if (!buffer) return;
    buffer[0] = '\0';
    const char* name = HolidayName(month, day, year);
    std::memcpy(buffer, name, std::strlen(name) + 1);
}

const char* ObservanceName(int index) {
    return index >= 0 && index < kObservanceCount ? kTable[index].name : "";
}

}  // namespace HolidayCalendar
