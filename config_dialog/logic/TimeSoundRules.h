// What the date-and-time, reminders, video-mode and sound pages decide
// without any window system: the lists their drop-downs offer, how the
// drop-down choices become the stored date and time texts and back, the
// reminder list's lines and edits with their error texts, and which modules
// each page puts back on Cancel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config_dialog/logic/CPageModel.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"
#include "xlib/XStringArray.h"

class CReminder;
class CReminders;
class CScreenSaver;

// ---- date and time drop-downs ----

// Years offered for a date: this year and the next ten, ascending, with a
// stored year outside that range (and inside the calendar) added in order.
std::vector<int> OfferedYears(int thisYear, int storedYear);
// The year drop-down of a date: OfferedYears around a stored year, by the
// clock's year, as texts and back.
class YearChoices {
public:
    YearChoices() = default;
    explicit YearChoices(int storedYear);
    std::vector<std::string> Texts() const;
    // The entry of `year`; 0 (this year) when it is not offered.
    int IndexOf(int year) const;
    // The year entry `index` stands for; the clock's year when it stands for none.
    int YearAt(int index) const;

private:
    std::vector<int> m_Years;
};
// "January" to "December".
std::vector<std::string> MonthTexts();
// "1" to the last day of the month of that year (29 February in leap years).
std::vector<std::string> DayTexts(int year, int month);
// A day kept within the month: past its end becomes the last day, below 1 is 1.
int ClampDay(int year, int month, int day);
// "1" to "12": the hour on the 12-hour clock.
std::vector<std::string> HourTexts();
// "00" to "59".
std::vector<std::string> MinuteTexts();
// "AM", "PM".
std::vector<std::string> AmPmTexts();

// A moment as the six drop-downs show it.
struct DateChoice {
    int year = 2000, month = 1, day = 1;
    int hour12 = 12;  // 1..12
    int minute = 0;
    bool pm = false;
};
DateChoice ChoiceFromDate(const XDateTime& moment);
// "YYYYMMDDhhmmtt" ("%04i%02i%02i%02i%02i%s"), the countdown's stored text.
std::string CountDownText(const DateChoice& choice);
// Reads that text into `target` (minute precision); false, unchanged, when it
// is not a valid moment.
bool SetCountDownFromText(XDateTime& target, const std::string& text);
// "hhmmtt": the alarm's hour, minute and AM/PM.
std::string AlarmTimeText(int hour12, int minute, bool pm);
// Sets only the hour and minute of the alarm time from that text; false,
// unchanged, when it is not a valid time.
bool SetAlarmFromText(XDateTime& alarm, const std::string& text);

// ---- date and time page lists ----

// The time-server drop-down: an empty first entry (automatic choice), the
// known servers, and a stored server the list no longer has, so that opening
// the page never loses the choice. `selected` is the stored server's entry.
std::vector<std::string> TimeServerEntries(const XStringArray& known, const XString& stored, int& selected);
// Each offered date format as `today` shows in it, in the offered order.
std::vector<std::string> DateFormatExamples(const XDateTime& today);
// The entry of a stored format; -1 when it is none of the offered ones.
int DateFormatIndex(const XString& format);

// ---- sound page ----

// The alarm sound radios are "Beep" and "Wav" while the module stores 1 for a
// beep and 2 for a wave (0 would make no sound at all).
int32_t AlarmTypeForRadio(int position);
// The radio showing a stored type; anything but a wave shows "Beep".
int AlarmRadioForType(int32_t type);

// ---- reminders ----

// The schedule names offered; a stored one not among them is added after them.
std::vector<std::string> ScheduleEntries(const XString& stored, int& selected);

// One line of the reminder list: the title column, the date, the schedule,
// and the message on one line (line breaks and runs of blanks become one
// blank) cut to 40 characters with " ..." when longer.
std::string ReminderListLine(const CReminder& reminder);

// A reminder as the page's fields give it: a schedule left empty is "None",
// the date is at midnight.
CReminder ReminderFromFields(const std::string& title, const std::string& message, const std::string& schedule,
                             int year, int month, int day);
enum class ReminderEdit { Done, NoMessage, NoSelection, Unchanged };
// The error box text of a refused edit; empty for Done and Unchanged.
const char* ReminderEditText(ReminderEdit result);
// A message of blanks and line breaks only counts as none. The selection is
// checked before the message.
ReminderEdit AddReminder(CReminders& reminders, const CReminder& fields);
ReminderEdit UpdateReminder(CReminders& reminders, int selected, const CReminder& fields);
ReminderEdit RemoveReminder(CReminders& reminders, int selected);
// Moves the selected reminder one place; `selected` follows it. Unchanged at
// the end it moves towards.
ReminderEdit MoveReminder(CReminders& reminders, int& selected, bool up);

// ---- the pages' modules ----

enum class ServicePage { DateTime, Reminders, VideoMode, Sound };
// The reminders page also reads its list back from the shared file as it was
// when the dialog opened.
std::vector<CPageModel::Module> ServicePageModules(ServicePage page, CScreenSaver& saver);
