#include "xlib/XDateTime.h"

#include "platform/Clock.h"
#include "platform/Download.h"
#include "xlib/XString.h"

#include <cctype>
#include <cstdio>
#include <cstring>

const char* const XDateTime::kMonthNames[13] = {"",     "January", "February",  "March",   "April",    "May",     "June",
                                                "July", "August",  "September", "October", "November", "December"};
const char* const XDateTime::kShortMonthNames[13] = {"",    "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const XDateTime::kDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
const char* const XDateTime::kShortDayNames[7] = {"Sun", "Mon", "Tues", "Wed", "Thurs", "Fri", "Sat"};

namespace {
constexpr long kMsPerDay = 86400000L;

long long FloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

bool InReformGap(int year, int month, int day) { return year == 1582 && month == 10 && day >= 5 && day <= 14; }
}  // namespace

// ---- the calendar ----

bool XDateTime::IsLeapYear(int year) {
    if (year >= 1583) return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    // Julian rule, except that the first leap years after the calendar was set
    // up were skipped: years 1 to 7 have no 29 February.
    return year % 4 == 0 && year > 7;
}

int XDateTime::LastDayOfMonth(int year, int month) {
    static const int kDays[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month];
}

int XDateTime::DaysInMonth(int year, int month) {
    if (year == 1582 && month == 10) return 21;
    return LastDayOfMonth(year, month);
}

bool XDateTime::IsValidDate(int year, int month, int day) {
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12) return false;
    if (day < 1 || day > LastDayOfMonth(year, month)) return false;
    return !InReformGap(year, month, day);
}

long XDateTime::DayNumber(int year, int month, int day) {
    // January and February count as months 13 and 14 of the year before.
    long y = year;
    long m = month;
    if (m <= 2) {
        y -= 1;
        m += 12;
    }
    long n = (1461L * y) / 4 + static_cast<long>(30.6001 * static_cast<double>(m + 1)) + day + 1720995L;
    if (10000L * y + 100L * m + day >= 15821015L) n += 2 - y / 100 + y / 400;
    return n;
}

void XDateTime::FromDayNumber(long dayNumber, int& year, int& month, int& day) {
    long a = dayNumber;
    if (dayNumber > 2299160L) {
        long alpha = static_cast<long>((static_cast<double>(dayNumber) - 1867216.25) / 36524.25);
        a = dayNumber + 1 + alpha - alpha / 4;
    }
    long b = a + 1524;
    long c = static_cast<long>((static_cast<double>(b) - 122.1) / 365.25);
    long d = (1461L * c) / 4;
    long e = static_cast<long>(static_cast<double>(b - d) / 30.6001);
    day = static_cast<int>(b - d - static_cast<long>(30.6001 * static_cast<double>(e)));
    month = static_cast<int>(e < 14 ? e - 1 : e - 13);
    year = static_cast<int>(month > 2 ? c - 4716 : c - 4715);
}

int XDateTime::DayOfWeek(int year, int month, int day) {
    int a = (14 - month) / 12;
    int y = year - a;
    int m = month + 12 * a - 2;
    bool gregorian = year >= 1583 || (year == 1582 && (month > 10 || (month == 10 && day > 4)));
    int w = gregorian ? (day + y + y / 4 - y / 100 + y / 400 + (31 * m) / 12) % 7
                      : (5 + day + y + y / 4 + (31 * m) / 12) % 7;
    return w;
}

// ---- construction and fields ----

XDateTime::XDateTime(bool bUTC) : m_Time(0), m_Date(0) { Store(1, 1, 1, 0, 0, 0, 0, bUTC); }

void XDateTime::Store(int year, int month, int day, int hour, int minute, int second, int millisecond, bool bUTC) {
    m_Time = static_cast<uint32_t>(millisecond) | (static_cast<uint32_t>(second) << 10) |
             (static_cast<uint32_t>(minute) << 16) | (static_cast<uint32_t>(hour) << 22) | (bUTC ? 1u << 27 : 0u);
    m_Date = static_cast<uint32_t>(day) | (static_cast<uint32_t>(month) << 5) | (static_cast<uint32_t>(year) << 9);
}

void XDateTime::SetUTCFlag(bool bUTC) {
    if (bUTC)
        m_Time |= 1u << 27;
    else
        m_Time &= ~(1u << 27);
}

int XDateTime::GetHour(bool b12) const {
    int h = static_cast<int>((m_Time >> 22) & 0x1F);
    if (!b12) return h;
    if (h == 0) return 12;
    return h > 12 ? h - 12 : h;
}

const char* XDateTime::GetMonthName() const {
    int m = GetMonth();
    return (m >= 1 && m <= 12) ? kMonthNames[m] : "";
}

void XDateTime::SetToNow() {
    LocalTimeParts p = IsUTC() ? PlatformUtcTime() : PlatformLocalTime();
    if (!IsValidDate(p.year, p.month, p.day)) return;
    Store(p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond % 1000, IsUTC());
}

bool XDateTime::Set(int year, int month, int day, int hour, int minute, int second, int millisecond, bool bUTC) {
    if (!IsValidDate(year, month, day)) return false;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return false;
    if (millisecond < 0 || millisecond > 999) return false;
    XDateTime t(bUTC);
    t.Store(year, month, day, hour, minute, second, millisecond, bUTC);
    if (bUTC != IsUTC()) {
        if (!(IsUTC() ? t.ToUTC() : t.ToLocal())) return false;
    }
    *this = t;
    return true;
}

bool XDateTime::SetYear(int year) {
    if (year < kMinYear || year > kMaxYear) return false;
    int month = GetMonth();
    int day = GetDay();
    int last = LastDayOfMonth(year, month);
    if (day > last) day = last;
    if (InReformGap(year, month, day)) day = 4;
    Store(year, month, day, GetHour(), GetMinute(), GetSecond(), GetMillisecond(), IsUTC());
    return true;
}

bool XDateTime::SetMonth(int month) {
    if (month < 1 || month > 12) return false;
    int year = GetYear();
    int day = GetDay();
    int last = LastDayOfMonth(year, month);
    if (day > last) day = last;
    if (InReformGap(year, month, day)) day = 4;
    Store(year, month, day, GetHour(), GetMinute(), GetSecond(), GetMillisecond(), IsUTC());
    return true;
}

bool XDateTime::SetDay(int day) {
    if (!IsValidDate(GetYear(), GetMonth(), day)) return false;
    Store(GetYear(), GetMonth(), day, GetHour(), GetMinute(), GetSecond(), GetMillisecond(), IsUTC());
    return true;
}

bool XDateTime::SetHour(int hour) {
    if (hour < 0 || hour > 23) return false;
    Store(GetYear(), GetMonth(), GetDay(), hour, GetMinute(), GetSecond(), GetMillisecond(), IsUTC());
    return true;
}

bool XDateTime::SetMinute(int minute) {
    if (minute < 0 || minute > 59) return false;
    Store(GetYear(), GetMonth(), GetDay(), GetHour(), minute, GetSecond(), GetMillisecond(), IsUTC());
    return true;
}

bool XDateTime::SetSecond(int second) {
    if (second < 0 || second > 59) return false;
    Store(GetYear(), GetMonth(), GetDay(), GetHour(), GetMinute(), second, GetMillisecond(), IsUTC());
    return true;
}

bool XDateTime::SetMillisecond(int millisecond) {
    if (millisecond < 0 || millisecond > 999) return false;
    Store(GetYear(), GetMonth(), GetDay(), GetHour(), GetMinute(), GetSecond(), millisecond, IsUTC());
    return true;
}

// ---- arithmetic ----

bool XDateTime::AddMinutes(int n) {
    long long minutes = static_cast<long long>(GetMinute()) + n;
    long long carryHours = FloorDiv(minutes, 60);
    int minute = static_cast<int>(minutes - carryHours * 60);
    long long hours = GetHour() + carryHours;
    long long carryDays = FloorDiv(hours, 24);
    int hour = static_cast<int>(hours - carryDays * 24);
    int year = GetYear(), month = GetMonth(), day = GetDay();
    if (carryDays != 0) {
        long long target = static_cast<long long>(DayNumber()) + carryDays;
        if (target < DayNumber(kMinYear, 1, 1) || target > DayNumber(kMaxYear, 12, 31)) return false;
        FromDayNumber(static_cast<long>(target), year, month, day);
        // The day numbers still count a 29 February in year 4, which that year
        // did not have: step over it in the direction of travel.
        if (!IsValidDate(year, month, day)) {
            if (carryDays > 0) {
                month = 3;
                day = 1;
            } else {
                day = 28;
            }
        }
    }
    Store(year, month, day, hour, minute, GetSecond(), GetMillisecond(), IsUTC());
    return true;
}

int XDateTime::GetBias() { return PlatformTimeZoneBias(); }

bool XDateTime::ToUTC() {
    if (IsUTC()) return true;
    XDateTime t = *this;
    if (!t.AddMinutes(GetBias())) return false;
    t.SetUTCFlag(true);
    *this = t;
    return true;
}

bool XDateTime::ToLocal() {
    if (!IsUTC()) return true;
    XDateTime t = *this;
    if (!t.AddMinutes(-GetBias())) return false;
    t.SetUTCFlag(false);
    *this = t;
    return true;
}

int XDateTime::CompareDate(const XDateTime& other) const {
    long a = DayNumber(), b = other.DayNumber();
    return a < b ? -1 : (a > b ? 1 : 0);
}

long XDateTime::TimeOfDayMs() const {
    return ((GetHour() * 60L + GetMinute()) * 60L + GetSecond()) * 1000L + GetMillisecond();
}

int XDateTime::CompareTime(const XDateTime& other) const {
    long a = TimeOfDayMs(), b = other.TimeOfDayMs();
    return a < b ? -1 : (a > b ? 1 : 0);
}

long long XDateTime::DifferenceMs(const XDateTime& other) const {
    XDateTime o = other;
    if (o.IsUTC() != IsUTC()) {
        // Out of range at the very ends of the calendar: compare the fields as they are.
        if (IsUTC()) o.ToUTC();
        else o.ToLocal();
    }
    return static_cast<long long>(DayNumber() - o.DayNumber()) * kMsPerDay + (TimeOfDayMs() - o.TimeOfDayMs());
}

bool XDateTime::IsBefore(const XDateTime& other) const { return DifferenceMs(other) < 0; }

XDateTimeSpan XDateTime::Difference(const XDateTime& other) const {
    long long ms = DifferenceMs(other);
    XDateTimeSpan span;
    span.negative = ms < 0;
    if (ms < 0) ms = -ms;
    span.days = static_cast<unsigned>(ms / kMsPerDay);
    ms %= kMsPerDay;
    span.hours = static_cast<unsigned>(ms / 3600000);
    ms %= 3600000;
    span.minutes = static_cast<unsigned>(ms / 60000);
    ms %= 60000;
    span.seconds = static_cast<unsigned>(ms / 1000);
    span.milliseconds = static_cast<unsigned>(ms % 1000);
    return span;
}

double XDateTime::DifferenceMinutes(const XDateTime& other) const {
    XDateTimeSpan s = Difference(other);
    return s.days * 1440.0 + s.hours * 60.0 + s.minutes + s.seconds / 60.0 + s.milliseconds / 60000.0;
}

double XDateTime::DifferenceSeconds(const XDateTime& other) const {
    XDateTimeSpan s = Difference(other);
    return s.days * 86400.0 + s.hours * 3600.0 + s.minutes * 60.0 + s.seconds + s.milliseconds / 1000.0;
}

// ---- the clock ----

bool XDateTime::SetSystemClock() const {
    if (GetYear() < 1601) return false;
    LocalTimeParts p;
    p.year = GetYear();
    p.month = GetMonth();
    p.day = GetDay();
    p.hour = GetHour();
    p.minute = GetMinute();
    p.second = GetSecond();
    p.millisecond = GetMillisecond();
    p.dayOfWeek = GetDayOfWeek();
    return PlatformSetClock(p, IsUTC());
}

bool XDateTime::SetFromDaytimeAnswer(const char* answer) {
    if (!answer) return false;
    const char* begin = answer;
    const char* end = answer + std::strlen(answer);
    while (begin < end && (*begin == '\r' || *begin == '\n')) ++begin;
    while (end > begin && (end[-1] == '\r' || end[-1] == '\n')) --end;
    if (end - begin <= 27) return false;
    // Two-digit fields at fixed columns; a column without digits is no answer.
    auto field = [&](int column, int& value) {
        const char* p = begin + column;
        if (!std::isdigit(static_cast<unsigned char>(p[0]))) return false;
        value = p[0] - '0';
        if (std::isdigit(static_cast<unsigned char>(p[1]))) value = value * 10 + (p[1] - '0');
        return true;
    };
    int year, month, day, hour, minute, second;
    if (!field(6, year) || !field(9, month) || !field(12, day) || !field(15, hour) || !field(18, minute) ||
        !field(21, second))
        return false;
    return Set(2000 + year, month, day, hour, minute, second, 0, true);
}

// ---- text ----

namespace {
bool IsSeparator(char c) {
    return std::strchr(" ,-./:\\^_`|~", c) != nullptr && c != '\0';
}

void AppendInt(std::string& out, const char* fmt, int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, fmt, value);
    out += buf;
}

bool IsFormatLetter(char c) { return c != '\0' && std::strchr("YMDHhmsit", c) != nullptr; }
}  // namespace

bool XDateTime::Format(std::string& out, const char* pattern) const {
    out.clear();
    if (!pattern) pattern = kDefaultPattern;
    const char* p = pattern;
    while (*p) {
        char c = *p;
        if (c == '[') {
            // Literal text: copied up to the closing bracket, where formatting stops.
            const char* close = std::strchr(p + 1, ']');
            out.append(p + 1, close ? static_cast<size_t>(close - p - 1) : std::strlen(p + 1));
            return false;
        }
        if (IsSeparator(c)) {
            out += c;
            ++p;
            continue;
        }
        int n = 1;
        while (p[n] == c) ++n;
        if (!IsFormatLetter(c)) return false;
        p += n;
        if (n > 4) continue;
        switch (c) {
        case 'Y':
            if (n == 1) AppendInt(out, "%i", GetYear());
            else if (n == 2) AppendInt(out, "%02i", GetYear() % 100);
            else if (n == 4) AppendInt(out, "%04i", GetYear());
            break;
        case 'M':
            if (n == 1) AppendInt(out, "%i", GetMonth());
            else if (n == 2) AppendInt(out, "%02i", GetMonth());
            else if (n == 3) out += kShortMonthNames[GetMonth()];
            else out += kMonthNames[GetMonth()];
            break;
        case 'D':
            if (n == 1) AppendInt(out, "%i", GetDay());
            else if (n == 2) AppendInt(out, "%02i", GetDay());
            else if (n == 3) out += kShortDayNames[GetDayOfWeek()];
            else out += kDayNames[GetDayOfWeek()];
            break;
        case 'H':
        case 'h':
        case 'm':
        case 's': {
            int v = c == 'H' ? GetHour() : c == 'h' ? GetHour(true) : c == 'm' ? GetMinute() : GetSecond();
            if (n == 1) AppendInt(out, "%i", v);
            else if (n == 2) AppendInt(out, "%02i", v);
            break;
        }
        case 'i':
            if (n == 1) AppendInt(out, "%i", GetMillisecond());
            else if (n == 2) AppendInt(out, "%03i", GetMillisecond());
            break;
        case 't':
            if (n == 1) out += IsAM() ? "A" : "P";
            else if (n == 2) out += GetAmPm();
            else if (n == 3) out += IsAM() ? "A.M." : "P.M.";
            break;
        }
    }
    return true;
}

namespace {
// Reads a run of digits (at least one); values too large to matter saturate.
bool ReadNumber(const char*& s, int& value) {
    if (!std::isdigit(static_cast<unsigned char>(*s))) return false;
    long long v = 0;
    while (std::isdigit(static_cast<unsigned char>(*s))) {
        if (v < 100000000) v = v * 10 + (*s - '0');
        ++s;
    }
    value = static_cast<int>(v);
    return true;
}

// Reads exactly `width` digits.
bool ReadFixed(const char*& s, int width, int& value) {
    int v = 0;
    for (int k = 0; k < width; ++k) {
        if (!std::isdigit(static_cast<unsigned char>(s[k]))) return false;
        v = v * 10 + (s[k] - '0');
    }
    s += width;
    value = v;
    return true;
}

bool MatchNoCase(const char* s, const char* word) {
    for (; *word; ++s, ++word)
        if (std::tolower(static_cast<unsigned char>(*s)) != std::tolower(static_cast<unsigned char>(*word))) return false;
    return true;
}
}  // namespace

bool XDateTime::Parse(const char* text, const char* pattern, bool bUTC) {
    if (!text || !*text) return false;
    if (!pattern) pattern = kDefaultPattern;
    int year = GetYear(), month = GetMonth(), day = GetDay();
    int hour = GetHour(), minute = GetMinute(), second = GetSecond(), ms = GetMillisecond();
    bool twelveHour = false;
    int ampm = -1;  // 0 AM, 1 PM
    const char* s = text;
    const char* p = pattern;
    while (*p) {
        char c = *p;
        if (!IsFormatLetter(c)) {
            // Anything else in the pattern stands for one character of text.
            if (!*s) return false;
            ++s;
            ++p;
            continue;
        }
        int n = 1;
        while (p[n] == c) ++n;
        p += n;
        if (n > 4) continue;
        switch (c) {
        case 'Y':
            if (n == 1 && !ReadNumber(s, year)) return false;
            if (n == 2) return false;
            if (n == 4 && !ReadFixed(s, 4, year)) return false;
            break;
        case 'M':
            if (n == 1 || n == 2) {
                if (!(n == 1 ? ReadNumber(s, month) : ReadFixed(s, 2, month)) || month <= 0) return false;
            } else if (n == 3) {
                int found = 0;
                for (int k = 1; k <= 12 && !found; ++k)
                    if (MatchNoCase(s, kShortMonthNames[k])) found = k;
                if (!found) return false;
                month = found;
                s += 3;
            } else {
                const char* e = s;
                while (std::isalpha(static_cast<unsigned char>(*e))) ++e;
                int found = 0;
                for (int k = 1; k <= 12 && !found; ++k)
                    if (std::strlen(kMonthNames[k]) == static_cast<size_t>(e - s) && MatchNoCase(s, kMonthNames[k]))
                        found = k;
                if (!found) return false;
                month = found;
                s = e;
            }
            break;
        case 'D':
        case 'H':
        case 'h':
        case 'm':
        case 's': {
            if (n > 2) break;
            int& field = c == 'D' ? day : (c == 'm' ? minute : (c == 's' ? second : hour));
            if (!(n == 1 ? ReadNumber(s, field) : ReadFixed(s, 2, field))) return false;
            if (c == 'h') twelveHour = true;
            break;
        }
        case 'i':
            if (n > 2) break;
            if (!(n == 1 ? ReadNumber(s, ms) : ReadFixed(s, 3, ms))) return false;
            break;
        case 't': {
            if (n > 3) break;
            static const char* const kForms[3][2] = {{"A", "P"}, {"AM", "PM"}, {"A.M.", "P.M."}};
            if (MatchNoCase(s, kForms[n - 1][0])) ampm = 0;
            else if (MatchNoCase(s, kForms[n - 1][1])) ampm = 1;
            else return false;
            s += std::strlen(kForms[n - 1][ampm]);
            break;
        }
        }
    }
    if (twelveHour) {
        if (ampm < 0 || hour < 1 || hour > 12) return false;
        if (ampm == 0 && hour == 12) hour = 0;
        if (ampm == 1 && hour != 12) hour += 12;
    }
    return Set(year, month, day, hour, minute, second, ms, bUTC);
}

// ---- the XString side ----

bool XDateTime::Format(XString& out, const char* pattern) const {
    std::string text;
    bool ok = Format(text, pattern);
    out.SetData(text.data(), static_cast<int>(text.size()));
    return ok;
}

XString XDateTime::ToTimeString() const {
    XString s;
    s.Format("%02i:%02i:%02i %s", GetHour(true), GetMinute(), GetSecond(), GetAmPm());
    return s;
}

bool XString::GetTime(const char* format, bool bUTC) {
    ClearError();
    try {
        XDateTime now(bUTC);
        now.SetToNow();
        if (now.Format(*this, format)) return true;
    } catch (const XException& e) {
        if (e.GetCode() < 6000) throw XException::Rewrap(e, "XString", "GetTime");
        throw;
    }
    if (!format) return Fail("Error: in XString::GetTime failed for the default time format.");
    return Fail("Error: in XString::GetTime failed for Format=", format);
}

bool XDateTime::SetFromTimeServer(const char* url) {
    if (!url) return false;
    XString answer;
    {
        // A daytime answer is one line.
        DownloadLimitScope limit(64 * 1024);
        if (!answer.DownloadFile(url)) return false;
    }
    return SetFromDaytimeAnswer(answer.c_str());
}
