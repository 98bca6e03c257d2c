#include "config_dialog/logic/TimeSoundRules.h"

#include <algorithm>
#include <cstdio>

#include "app/CScreenSaver.h"
#include "services/CReminders.h"
#include "services/CSystemDateTime.h"

namespace {
std::vector<std::string> Numbers(int first, int last, const char* format) {
    std::vector<std::string> texts;
    char buffer[16];
    for (int i = first; i <= last; ++i) {
        std::snprintf(buffer, sizeof(buffer), format, i);
        texts.push_back(buffer);
    }
    return texts;
}

// The message as one line: every CR and LF a blank, runs of blanks one blank.
std::string OneLine(std::string_view text) {
    std::string line;
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        if (c == ' ' && (line.empty() || line.back() == ' ')) continue;
        line += c;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

bool ValidIndex(const CReminders& reminders, int selected) {
    return selected >= 0 && static_cast<unsigned>(selected) < reminders.List().GetCount();
}

bool HasMessage(const CReminder& fields) { return !OneLine(fields.RemMsg.View()).empty(); }
}  // namespace

// ---- date and time drop-downs ----

std::vector<int> OfferedYears(int thisYear, int storedYear) {
    std::vector<int> years;
    for (int y = thisYear; y <= thisYear + 10; ++y) years.push_back(y);
    const bool inCalendar = storedYear >= XDateTime::kMinYear && storedYear <= XDateTime::kMaxYear;
    if (inCalendar && (storedYear < thisYear || storedYear > thisYear + 10)) {
        years.insert(std::lower_bound(years.begin(), years.end(), storedYear), storedYear);
    }
    return years;
}

namespace {
int ClockYear() {
    XDateTime now;
    now.SetToNow();
    return now.GetYear();
}
}  // namespace

YearChoices::YearChoices(int storedYear) : m_Years(OfferedYears(ClockYear(), storedYear)) {}

std::vector<std::string> YearChoices::Texts() const {
    std::vector<std::string> texts;
    for (int y : m_Years) texts.push_back(std::to_string(y));
    return texts;
}

int YearChoices::IndexOf(int year) const {
    const auto at = std::find(m_Years.begin(), m_Years.end(), year);
    return at == m_Years.end() ? 0 : static_cast<int>(at - m_Years.begin());
}

int YearChoices::YearAt(int index) const {
    return index >= 0 && static_cast<size_t>(index) < m_Years.size() ? m_Years[static_cast<size_t>(index)]
                                                                       : ClockYear();
}

std::vector<std::string> MonthTexts() { return std::vector<std::string>(XDateTime::kMonthNames + 1, XDateTime::kMonthNames + 13); }

std::vector<std::string> DayTexts(int year, int month) { return Numbers(1, XDateTime::DaysInMonth(year, month), "%d"); }

int ClampDay(int year, int month, int day) { return std::clamp(day, 1, XDateTime::DaysInMonth(year, month)); }

std::vector<std::string> HourTexts() { return Numbers(1, 12, "%d"); }

std::vector<std::string> MinuteTexts() { return Numbers(0, 59, "%02d"); }

std::vector<std::string> AmPmTexts() { return {"AM", "PM"}; }

DateChoice ChoiceFromDate(const XDateTime& moment) {
    DateChoice c;
    c.year = moment.GetYear();
    c.month = moment.GetMonth();
    c.day = moment.GetDay();
    c.hour12 = moment.GetHour(true);
    c.minute = moment.GetMinute();
    c.pm = !moment.IsAM();
    return c;
}

std::string CountDownText(const DateChoice& c) {
    char text[40];
    std::snprintf(text, sizeof(text), "%04i%02i%02i%02i%02i%s", c.year, c.month, c.day, c.hour12, c.minute,
                  c.pm ? "PM" : "AM");
    return text;
}

bool SetCountDownFromText(XDateTime& target, const std::string& text) {
    XDateTime parsed = target;
    if (!parsed.Parse(text.c_str(), "YYYYMMDDhhmmtt")) return false;
    // Minute precision: the seconds of the old target do not carry over.
    if (!parsed.SetSecond(0) || !parsed.SetMillisecond(0)) return false;
    target = parsed;
    return true;
}

std::string AlarmTimeText(int hour12, int minute, bool pm) {
    char text[24];
    std::snprintf(text, sizeof(text), "%02i%02i%s", hour12, minute, pm ? "PM" : "AM");
    return text;
}

bool SetAlarmFromText(XDateTime& alarm, const std::string& text) {
    XDateTime parsed = alarm;
    if (!parsed.Parse(text.c_str(), "hhmmtt")) return false;
    alarm = parsed;
    return true;
}

// ---- date and time page lists ----

std::vector<std::string> TimeServerEntries(const XStringArray& known, const XString& stored, int& selected) {
    std::vector<std::string> entries{""};
    selected = 0;
    for (unsigned i = 0; i < known.GetCount(); ++i) {
        std::string server(known.Get(i).View());
        if (server.empty()) continue;
        if (server == stored.View()) selected = static_cast<int>(entries.size());
        entries.push_back(std::move(server));
    }
    if (!stored.IsEmpty() && selected == 0) {
        selected = static_cast<int>(entries.size());
        entries.emplace_back(stored.View());
    }
    return entries;
}

std::vector<std::string> DateFormatExamples(const XDateTime& today) {
    std::vector<std::string> examples;
    for (const char* format : CSystemDateTime::kDateFormats) {
        std::string text;
        today.Format(text, format);
        examples.push_back(text);
    }
    return examples;
}

int DateFormatIndex(const XString& format) {
    for (int i = 0; i < CSystemDateTime::kDateFormatCount; ++i)
        if (format.View() == CSystemDateTime::kDateFormats[i]) return i;
    return -1;
}

// ---- sound page ----

int32_t AlarmTypeForRadio(int position) { return position == 1 ? 2 : 1; }

int AlarmRadioForType(int32_t type) { return type == 2 ? 1 : 0; }

// ---- reminders ----

std::vector<std::string> ScheduleEntries(const XString& stored, int& selected) {
    std::vector<std::string> entries{"None", "Once", "Every day", "Every week", "Every month", "Every year"};
    const auto found = std::find(entries.begin(), entries.end(), std::string(stored.View()));
    if (found == entries.end() && !stored.IsEmpty()) {
        entries.emplace_back(stored.View());
        selected = static_cast<int>(entries.size()) - 1;
    } else {
        selected = found == entries.end() ? 0 : static_cast<int>(found - entries.begin());
    }
    return entries;
}

std::string ReminderListLine(const CReminder& reminder) {
    // The module's summary makes the columns; a message already on one line
    // keeps it from putting line breaks into a list entry.
    CReminder shown = reminder;
    shown.RemTitle = OneLine(reminder.RemTitle.View()).c_str();
    shown.RemMsg = OneLine(reminder.RemMsg.View()).c_str();
    return shown.Summary();
}

const char* ReminderEditText(ReminderEdit result) {
    switch (result) {
        case ReminderEdit::NoMessage:
            return "You must enter a message for the reminder.";
        case ReminderEdit::NoSelection:
            return "Error: you must select a reminder before this operation can be performed.";
        default:
            return "";
    }
}

ReminderEdit AddReminder(CReminders& reminders, const CReminder& fields) {
    if (!HasMessage(fields)) return ReminderEdit::NoMessage;
    reminders.List().Add(fields);
    return ReminderEdit::Done;
}

ReminderEdit UpdateReminder(CReminders& reminders, int selected, const CReminder& fields) {
    if (!ValidIndex(reminders, selected)) return ReminderEdit::NoSelection;
    if (!HasMessage(fields)) return ReminderEdit::NoMessage;
    reminders.List().Set(fields, static_cast<unsigned>(selected));
    return ReminderEdit::Done;
}

ReminderEdit RemoveReminder(CReminders& reminders, int selected) {
    if (!ValidIndex(reminders, selected)) return ReminderEdit::NoSelection;
    reminders.List().Remove(static_cast<unsigned>(selected));
    return ReminderEdit::Done;
}

ReminderEdit MoveReminder(CReminders& reminders, int& selected, bool up) {
    if (!ValidIndex(reminders, selected)) return ReminderEdit::NoSelection;
    const int other = up ? selected - 1 : selected + 1;
    if (!ValidIndex(reminders, other)) return ReminderEdit::Unchanged;
    reminders.List().Swap(static_cast<unsigned>(selected), static_cast<unsigned>(other));
    selected = other;
    return ReminderEdit::Done;
}

// ---- the pages' modules ----

std::vector<CPageModel::Module> ServicePageModules(ServicePage page, CScreenSaver& saver) {
    CScreenSaver* s = &saver;
    switch (page) {
        case ServicePage::DateTime:
            return {PageModule(s->DateTime())};
        case ServicePage::Reminders:
            return {{[s] {
                         // The list is the family's: Default resets the switches only.
                         CReminders& r = s->Reminders();
                         XArray<CReminder> list = r.List();
                         r.Default();
                         r.List() = list;
                     },
                     [s](const XString& t) {
                         CReminders& r = s->Reminders();
                         r.Default();
                         r.Read(&t, &s->SharedBackup());
                     }}};
        case ServicePage::VideoMode:
            return {PageModule(s->VideoMode())};
        case ServicePage::Sound:
            return {PageModule(s->Alarm()), PageModule(s->CDPlayer())};
    }
    return {};
}

CReminder ReminderFromFields(const std::string& title, const std::string& message, const std::string& schedule,
                             int year, int month, int day) {
    CReminder rem;
    rem.RemTitle = title.c_str();
    rem.RemMsg = message.c_str();
    rem.Type = schedule.c_str();
    if (rem.Type.IsEmpty()) rem.Type = "None";
    rem.Date.Set(year, month, day, 0, 0, 0, 0);
    return rem;
}
