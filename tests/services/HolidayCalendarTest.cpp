#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "services/HolidayCalendar.h"
#include "xlib/XDateTime.h"

using namespace HolidayCalendar;

namespace {

std::string Name(int year, int month, int day) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    GetHolidayName(buffer, month, day, year);
    return buffer;
}

// Easter by Gauss's method with its two exceptions: a different route from the
// one the calendar takes, so the two only agree when both are right.
void GaussEaster(int year, int& month, int& day) {
    const int a = year % 19, b = year % 4, c = year % 7;
    const int k = year / 100, p = (13 + 8 * k) / 25, q = k / 4;
    const int M = (15 - p + k - q) % 30, N = (4 + k - q) % 7;
    const int d = (19 * a + M) % 30, e = (2 * b + 4 * c + 6 * d + N) % 7;
    int march = 22 + d + e;
    if (d == 29 && e == 6) march = 50;                                      // April 19
    else if (d == 28 && e == 6 && (11 * M + 11) % 30 < 19) march = 49;  // April 18
    if (march > 31) {
        month = 4;
        day = march - 31;
    } else {
        month = 3;
        day = march;
    }
}

int Weekday(int year, int month, int day) { return XDateTime::DayOfWeek(year, month, day); }

// The days of the month on `weekday`, by walking the month one day at a time.
std::vector<int> WalkWeekdays(int year, int month, int weekday) {
    std::vector<int> days;
    for (int d = 1; d <= XDateTime::DaysInMonth(year, month); ++d)
        if (Weekday(year, month, d) == weekday) days.push_back(d);
    return days;
}

// An independent statement of the table: each row as a test of one date.
using Pred = std::function<bool(int y, int m, int d)>;
struct Rule {
    template <class F>
    Rule(F f) : matches(std::move(f)) {}
    Rule(Pred p, int month, int day) : matches(std::move(p)), fixedMonth(month), fixedDay(day) {}
    Pred matches;
    int fixedMonth = 0, fixedDay = 0;  // set for rows with a fixed date
};
Rule On(int month, int day) {
    return Rule([=](int, int m, int d) { return m == month && d == day; }, month, day);
}
Pred NthOf(int n, int weekday, int month, int shift = 0) {
    return [=](int y, int m, int d) {
        if (m != month) return false;
        std::vector<int> w = WalkWeekdays(y, month, weekday);
        int target = n == 0 ? w.back() : w[static_cast<size_t>(n - 1)];
        return d == target + shift;
    };
}
Pred EasterMinus(int back) {
    return [=](int y, int m, int d) {
        int em = 0, ed = 0;
        GaussEaster(y, em, ed);
        return XDateTime::DayNumber(y, m, d) == XDateTime::DayNumber(y, em, ed) - back;
    };
}

struct Row {
    const char* name;
    Rule rule;
    bool matches(int y, int m, int d) const { return rule.matches(y, m, d); }
};

std::vector<Row> Oracle() {
    const int SUN = 0, MON = 1, THU = 4, FRI = 5, SAT = 6;
    return {
        {"New Year's Day", On(1, 1)},
        {"Elvis Presley's Birthday", On(1, 8)},
        {"Benjamin Franklin's Birthday", On(1, 17)},
        {"Inauguration Day", [](int y, int m, int d) { return (y - 1) % 4 == 0 && m == 1 && d == 20; }},
        {"Martin Luther King Jr. Day", NthOf(3, MON, 1)},
        {"Valentine's Day", On(2, 14)},
        {"Fat Tuesday (Mardi Gras)", EasterMinus(47)},
        {"Ash Wednesday", EasterMinus(46)},
        {"National Freedom Day", On(2, 1)},
        {"Groundhog Day", On(2, 2)},
        {"Boy Scout Day", On(2, 8)},
        {"Abraham Lincoln's Birthday", On(2, 12)},
        {"President's Day", NthOf(3, MON, 2)},
        {"George Washington's Birthday", On(2, 22)},
        {"Easter", EasterMinus(0)},
        {"Good Friday", EasterMinus(2)},
        {"April Fools' Day", On(4, 1)},
        {"Saint Patrick's Day", On(3, 17)},
        {"Palm Sunday", EasterMinus(7)},
        {"Daylight Savings Time starts", NthOf(1, SUN, 4)},
        {"Thomas Jefferson's Birthday", On(4, 13)},
        {"Personal income tax returns due",
         [](int y, int m, int d) { return m == 4 && d == (Weekday(y, 4, 15) == SUN ? 16 : 15); }},
        {"Earth Day", On(4, 22)},
        {"Bring Child to Work Day", NthOf(4, THU, 4)},
        {"Arbor Day", NthOf(0, FRI, 4)},
        {"Administrative Professionals Day", NthOf(0, SAT, 4, -3)},
        {"Cinco de Mayo", On(5, 5)},
        {"National Teachers Day", NthOf(1, SUN, 5, 2)},
        {"National Day of Prayer", NthOf(1, THU, 5)},
        {"Mother's Day", NthOf(2, SUN, 5)},
        {"Memorial Day", NthOf(0, MON, 5)},
        {"Armed Forces Day", NthOf(3, SAT, 5)},
        {"National Defense Transportation Day", NthOf(3, FRI, 5)},
        {"May Day", On(5, 1)},
        {"Nurse's Day", On(5, 6)},
        {"Harry S Truman's Birthday", On(5, 8)},
        {"Peace Officers Memorial Day", On(5, 15)},
        {"National Maritime Day", On(5, 22)},
        {"Father's Day", NthOf(3, SUN, 6)},
        {"Independence Day", On(7, 4)},
        {"D-Day", On(6, 6)},
        {"Flag Day", On(6, 14)},
        {"Juneteenth", On(6, 19)},
        {"St. John the Baptist Day", On(6, 24)},
        {"Parent's Day", NthOf(4, SUN, 7)},
        {"First Moon Landing", On(7, 20)},
        {"Friendship Day", NthOf(1, SUN, 8)},
        {"Hiroshima Day", On(8, 6)},
        {"National Aviation Day", On(8, 19)},
        {"Women's Equality (Suffrage) Day", On(8, 26)},
        {"Labor Day", NthOf(1, MON, 9)},
        {"Patriot Day", On(9, 11)},
        {"National Grandparent's Day",
         [](int y, int m, int d) {
             // The first Sunday after Labor Day, found by walking forward from it.
             if (m != 9) return false;
             int day = WalkWeekdays(y, 9, 1).front() + 1;
             while (Weekday(y, 9, day) != 0) ++day;
             return d == day;
         }},
        {"Stepfamily Day", On(9, 16)},
        {"Citizenship Day", On(9, 17)},
        {"Gold Star Mother's Day", NthOf(0, SUN, 9)},
        {"Native American Day", NthOf(4, FRI, 9)},
        {"Columbus Day", NthOf(2, MON, 10)},
        {"Child Health Day", NthOf(1, MON, 10)},
        {"National Children's Day", NthOf(2, SUN, 10)},
        {"Leif Erikson Day", On(10, 9)},
        {"Halloween", On(10, 31)},
        {"Boss Day", On(10, 16)},
        {"Daylight Savings Time ends", NthOf(0, SUN, 10)},
        {"Mother-In-Law Day", NthOf(4, SUN, 10)},
        {"Sweetest Day", NthOf(3, SAT, 10)},
        {"United Nations Day", On(10, 24)},
        {"White Cane Safety Day", On(10, 15)},
        {"Veteran's Day", On(11, 11)},
        {"Election Day", NthOf(1, MON, 11, 1)},
        {"All Saints' Day", On(11, 1)},
        {"All Souls Day", [](int y, int m, int d) { return m == 11 && d == (Weekday(y, 11, 2) == 0 ? 3 : 2); }},
        {"Guy Fawkes' Day", On(11, 5)},
        {"Thanksgiving Day", NthOf(4, THU, 11)},
        {"National Pearl Harbor Rememberance Day", On(12, 7)},
        {"Human Rights Day", On(12, 10)},
        {"Wright Brothers Day", On(12, 17)},
        {"Forefather's Day", On(12, 21)},
        {"Christmas Eve", On(12, 24)},
        {"Christmas", On(12, 25)},
        {"New Year's Eve", On(12, 31)},
    };
}

}  // namespace

TEST(HolidayCalendar, TableHasTheEightyOneNamesInOrder) {
    std::vector<Row> oracle = Oracle();
    ASSERT_EQ(static_cast<int>(oracle.size()), kObservanceCount);
    size_t longest = 0;
    for (int i = 0; i < kObservanceCount; ++i) {
        EXPECT_STREQ(ObservanceName(i), oracle[static_cast<size_t>(i)].name) << "row " << i + 1;
        longest = std::max(longest, std::strlen(ObservanceName(i)));
    }
    EXPECT_EQ(longest + 1, static_cast<size_t>(kMinBuffer));
    EXPECT_STREQ(ObservanceName(-1), "");
    EXPECT_STREQ(ObservanceName(kObservanceCount), "");
}

// Every day of two centuries against the independent statement of the table:
// the first matching row wins, fixed dates included unless an earlier row has the day.
TEST(HolidayCalendar, EveryDayOfManyYearsMatchesTheFirstRowThatApplies) {
    std::vector<Row> oracle = Oracle();
    int named = 0;
    for (int y = 1950; y <= 2150; ++y) {
        for (int m = 1; m <= 12; ++m) {
            for (int d = 1; d <= XDateTime::DaysInMonth(y, m); ++d) {
                std::string expected;
                for (const Row& row : oracle) {
                    if (row.matches(y, m, d)) {
                        expected = row.name;
                        break;
                    }
                }
                ASSERT_EQ(Name(y, m, d), expected) << y << "-" << m << "-" << d;
                if (!expected.empty()) ++named;
            }
        }
    }
    EXPECT_GT(named, 201 * 70);
}

// Each fixed-date row: on its date in every year, its name or that of an
// earlier row that also falls there.
TEST(HolidayCalendar, FixedDatesAppearUnlessAnEarlierRowWins) {
    std::vector<Row> oracle = Oracle();
    int fixedRows = 0;
    for (size_t r = 0; r < oracle.size(); ++r) {
        const int m = oracle[r].rule.fixedMonth, d = oracle[r].rule.fixedDay;
        if (m == 0) continue;
        ++fixedRows;
        for (int y = 1600; y <= 2400; ++y) {
            std::string got = Name(y, m, d);
            if (got == oracle[r].name) continue;
            bool earlier = false;
            for (size_t e = 0; e < r && !earlier; ++e) earlier = got == oracle[e].name && oracle[e].matches(y, m, d);
            ASSERT_TRUE(earlier) << oracle[r].name << " " << y << "-" << m << "-" << d << " gave '" << got << "'";
        }
    }
    EXPECT_EQ(fixedRows, 46);
}

TEST(HolidayCalendar, EasterAgreesWithGaussFrom1600To2400) {
    for (int y = 1600; y <= 2400; ++y) {
        int m = 0, d = 0, gm = 0, gd = 0;
        EasterSunday(y, m, d);
        GaussEaster(y, gm, gd);
        ASSERT_EQ(m * 100 + d, gm * 100 + gd) << y;
        ASSERT_EQ(Weekday(y, m, d), 0) << y;
        ASSERT_TRUE((m == 3 && d >= 22) || (m == 4 && d <= 25)) << y;
    }
}

TEST(HolidayCalendar, NthWeekdayAgreesWithACalendarWalk) {
    for (int y = 1600; y <= 2400; y += 7) {
        for (int m = 1; m <= 12; ++m) {
            for (int w = 0; w < 7; ++w) {
                std::vector<int> days = WalkWeekdays(y, m, w);
                ASSERT_EQ(NthWeekdayOfMonth(0, w, m, y), days.back());
                for (int n = 1; n <= 6; ++n) {
                    int expected = n <= static_cast<int>(days.size()) ? days[static_cast<size_t>(n - 1)] : 0;
                    ASSERT_EQ(NthWeekdayOfMonth(n, w, m, y), expected) << y << "-" << m << " n=" << n << " w=" << w;
                }
            }
        }
    }
    EXPECT_EQ(NthWeekdayOfMonth(1, 7, 1, 2005), 0);
    EXPECT_EQ(NthWeekdayOfMonth(1, 200, 1, 2005), 0);
    EXPECT_EQ(NthWeekdayOfMonth(1, 1, 0, 2005), 0);
    EXPECT_EQ(NthWeekdayOfMonth(1, 1, 13, 2005), 0);
    EXPECT_EQ(NthWeekdayOfMonth(-1, 1, 1, 2005), 0);
}

TEST(HolidayCalendar, CalendarRoutines) {
    for (int y = 1583; y <= 2400; ++y) {
        ASSERT_EQ(IsLeapYear(y), XDateTime::IsLeapYear(y)) << y;
        for (int m = 1; m <= 12; ++m) {
            ASSERT_EQ(DaysInMonth(m, y), XDateTime::DaysInMonth(y, m));
            for (int d = 1; d <= DaysInMonth(m, y); d += 3) ASSERT_EQ(DayOfWeek(m, d, y), Weekday(y, m, d));
        }
    }
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1500));  // Gregorian rule for every year, unlike XDateTime
    EXPECT_EQ(DaysInMonth(0, 2004), 255);
    EXPECT_EQ(DaysInMonth(13, 2004), 255);
    EXPECT_EQ(DayOfWeek(13, 1, 2004), 0);
    EXPECT_EQ(DayOfWeek(1, 1, 2005), 6);
    for (int d = 1; d <= 7; ++d) {
        int w = DayOfWeek(1, d, -3);  // the proleptic rule on a negative year still gives a weekday
        EXPECT_TRUE(w >= 0 && w <= 6);
    }
}

TEST(HolidayCalendar, EdgeCases) {
    struct Case {
        int y, m, d;
        const char* name;
    };
    const Case cases[] = {
        {2005, 1, 17, "Benjamin Franklin's Birthday"},
        {2004, 1, 19, "Martin Luther King Jr. Day"},
        {2004, 4, 4, "Palm Sunday"},
        {2004, 10, 31, "Halloween"},
        {2004, 10, 16, "Boss Day"},
        {2004, 4, 22, "Earth Day"},
        {2004, 5, 15, "Armed Forces Day"},
        {2004, 5, 6, "National Day of Prayer"},
        {2005, 9, 11, "Patriot Day"},
        {2004, 9, 12, "National Grandparent's Day"},
        {2006, 9, 10, "National Grandparent's Day"},
        {2004, 4, 11, "Easter"},
        {2005, 3, 27, "Easter"},
        {2006, 4, 16, "Easter"},
        {2006, 3, 1, "Ash Wednesday"},
        {2006, 2, 28, "Fat Tuesday (Mardi Gras)"},
        {2028, 2, 29, "Fat Tuesday (Mardi Gras)"},
        {2005, 1, 20, "Inauguration Day"},
        {2009, 1, 20, "Inauguration Day"},
        {2004, 1, 20, ""},
        {2006, 4, 15, "Personal income tax returns due"},
        {2007, 4, 16, "Personal income tax returns due"},
        {2007, 4, 15, ""},
        {2008, 11, 3, "All Souls Day"},
        {2008, 11, 2, ""},
        {2004, 11, 2, "Election Day"},
        {2005, 11, 8, "Election Day"},
        {2006, 11, 7, "Election Day"},
        {2005, 1, 2, ""},
        {2005, 13, 1, ""},
        {2005, 0, 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Name(c.y, c.m, c.d), c.name) << c.y << "-" << c.m << "-" << c.d;
    // No Grandparent's Day in 2005: its Sunday is Patriot Day.
    for (int d = 1; d <= 30; ++d) EXPECT_NE(Name(2005, 9, d), "National Grandparent's Day");
    // The first Sunday of April 2004 is Palm Sunday, so that year has no DST-start line.
    for (int d = 1; d <= 30; ++d) EXPECT_NE(Name(2004, 4, d), "Daylight Savings Time starts");
}

TEST(HolidayCalendar, NullBufferIsIgnoredAndShortNamesEndInZero) {
    GetHolidayName(nullptr, 12, 25, 2004);
    char buffer[kMinBuffer];
    std::memset(buffer, 'x', sizeof buffer);
    GetHolidayName(buffer, 12, 7, 2004);
    EXPECT_STREQ(buffer, "National Pearl Harbor Rememberance Day");
    GetHolidayName(buffer, 12, 25, 2004);
    EXPECT_STREQ(buffer, "Christmas");
    GetHolidayName(buffer, 12, 26, 2004);
    EXPECT_STREQ(buffer, "");
}
