// The service pages' drop-down lists, the texts their choices make, and the
// reminder list's edits.
#include "config_dialog/logic/TimeSoundRules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "services/CReminders.h"

TEST(TimeSoundRules, CountDownChoicesMakeTheTextAndTheDate) {
    struct Case {
        DateChoice choice;
        const char* text;
        int hour24;
    };
    const Case cases[] = {
        {{2027, 3, 5, 9, 7, false}, "202703050907AM", 9},
        {{2027, 12, 31, 11, 59, true}, "202712311159PM", 23},
        {{2028, 2, 29, 12, 0, false}, "202802291200AM", 0},  // midnight
        {{2028, 2, 29, 12, 30, true}, "202802291230PM", 12},  // noon
    };
    for (const Case& c : cases) {
        const std::string text = CountDownText(c.choice);
        EXPECT_EQ(c.text, text);
        XDateTime target;
        target.Set(2000, 1, 1, 5, 6, 7, 8);
        ASSERT_TRUE(SetCountDownFromText(target, text)) << text;
        EXPECT_EQ(c.choice.year, target.GetYear()) << text;
        EXPECT_EQ(c.choice.month, target.GetMonth()) << text;
        EXPECT_EQ(c.choice.day, target.GetDay()) << text;
        EXPECT_EQ(c.hour24, target.GetHour()) << text;
        EXPECT_EQ(c.choice.minute, target.GetMinute()) << text;
        EXPECT_EQ(0, target.GetSecond()) << text;
        // And back to the drop-downs unchanged.
        const DateChoice back = ChoiceFromDate(target);
        EXPECT_EQ(text, CountDownText(back));
    }
    // 29 February of a common year is no moment: the target stays.
    XDateTime target;
    target.Set(2030, 6, 1, 10, 0, 0, 0);
    const XDateTime before = target;
    EXPECT_FALSE(SetCountDownFromText(target, "202702291000AM"));
    EXPECT_EQ(before, target);
}

TEST(TimeSoundRules, DayListFollowsMonthAndYear) {
    struct Case {
        int year, month, days, day, clamped;
    };
    const Case cases[] = {
        {2027, 1, 31, 31, 31}, {2027, 2, 28, 31, 28}, {2028, 2, 29, 30, 29}, {2100, 2, 28, 29, 28},
        {2000, 2, 29, 29, 29}, {2027, 4, 30, 31, 30}, {2027, 12, 31, 0, 1},
    };
    for (const Case& c : cases) {
        const std::vector<std::string> days = DayTexts(c.year, c.month);
        ASSERT_EQ(static_cast<size_t>(c.days), days.size()) << c.year << "-" << c.month;
        EXPECT_EQ("1", days.front());
        EXPECT_EQ(std::to_string(c.days), days.back());
        EXPECT_EQ(c.clamped, ClampDay(c.year, c.month, c.day)) << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(TimeSoundRules, OfferedYearsKeepAStoredYear) {
    struct Case {
        int stored;
        size_t count;
        int first, last, at;  // `at`: where the stored year stands, -1 when not added
    };
    const Case cases[] = {
        {2026, 11, 2026, 2036, 0}, {2036, 11, 2026, 2036, 10}, {2020, 12, 2020, 2036, 0},
        {2040, 12, 2026, 2040, 11}, {0, 11, 2026, 2036, -1},  // no valid year stored
    };
    for (const Case& c : cases) {
        const std::vector<int> years = OfferedYears(2026, c.stored);
        ASSERT_EQ(c.count, years.size()) << c.stored;
        EXPECT_EQ(c.first, years.front());
        EXPECT_EQ(c.last, years.back());
        EXPECT_TRUE(std::is_sorted(years.begin(), years.end()));
        if (c.at >= 0) {
            EXPECT_EQ(c.stored, years[static_cast<size_t>(c.at)]);
        }
    }
    EXPECT_EQ(12u, HourTexts().size());
    EXPECT_EQ("00", MinuteTexts().front());
    EXPECT_EQ("59", MinuteTexts().back());
    EXPECT_EQ("December", MonthTexts().back());
}

TEST(TimeSoundRules, AlarmTimeTextSetsHourAndMinuteOnly) {
    struct Case {
        int hour12, minute;
        bool pm;
        const char* text;
        int hour24;
    };
    const Case cases[] = {
        {6, 0, false, "0600AM", 6}, {12, 5, false, "1205AM", 0}, {12, 45, true, "1245PM", 12}, {11, 59, true, "1159PM", 23},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.text, AlarmTimeText(c.hour12, c.minute, c.pm));
        XDateTime alarm;
        alarm.Set(2000, 1, 1, 6, 0, 0, 0);
        ASSERT_TRUE(SetAlarmFromText(alarm, c.text));
        EXPECT_EQ(c.hour24, alarm.GetHour()) << c.text;
        EXPECT_EQ(c.minute, alarm.GetMinute()) << c.text;
        EXPECT_EQ(2000, alarm.GetYear());
    }
    // The radios "Beep" and "Wav" against the stored types 1 and 2.
    EXPECT_EQ(1, AlarmTypeForRadio(0));
    EXPECT_EQ(2, AlarmTypeForRadio(1));
    for (int32_t type : {0, 1, 3, -1}) EXPECT_EQ(0, AlarmRadioForType(type)) << type;
    EXPECT_EQ(1, AlarmRadioForType(2));
}

TEST(TimeSoundRules, ListsKeepAStoredChoiceTheyDoNotOffer) {
    XStringArray known;
    known.Add("time-a.example");
    known.Add("");
    known.Add("time-b.example");
    struct Case {
        const char* stored;
        size_t count;
        int selected;
    };
    const Case servers[] = {{"", 3, 0}, {"time-b.example", 3, 2}, {"gone.example", 4, 3}};
    for (const Case& c : servers) {
        int selected = -1;
        const std::vector<std::string> entries = TimeServerEntries(known, c.stored, selected);
        EXPECT_EQ(c.count, entries.size()) << c.stored;
        EXPECT_EQ("", entries.front());
        EXPECT_EQ(c.selected, selected) << c.stored;
        EXPECT_EQ(c.stored, entries[static_cast<size_t>(selected)]);
    }
    const Case schedules[] = {{"None", 6, 0}, {"Every week", 6, 3}, {"Fortnightly", 7, 6}, {"", 6, 0}};
    for (const Case& c : schedules) {
        int selected = -1;
        const std::vector<std::string> entries = ScheduleEntries(c.stored, selected);
        EXPECT_EQ(c.count, entries.size()) << c.stored;
        EXPECT_EQ(c.selected, selected) << c.stored;
    }
    EXPECT_EQ(0, DateFormatIndex("DDDD, MMMM DD, YYYY"));
    EXPECT_EQ(16, DateFormatIndex("MM DD, YYYY"));  // listed twice: the first entry
    EXPECT_EQ(106, DateFormatIndex("DDDD"));
    EXPECT_EQ(-1, DateFormatIndex("YYYY MM"));
    XDateTime day;
    day.Set(2005, 3, 5, 0, 0, 0, 0);
    const std::vector<std::string> examples = DateFormatExamples(day);
    ASSERT_EQ(107u, examples.size());
    EXPECT_EQ("Saturday, March 05, 2005", examples[0]);
    EXPECT_EQ("2005-03-05", examples[68]);
}

TEST(TimeSoundRules, ReminderListLineKeepsTheMessageOnOneLine) {
    const std::string head = "Dentist" + std::string(36, ' ') + "Mar 05, 2027   " + "None" + std::string(26, ' ');
    struct Case {
        const char* message;
        std::string shown;
    };
    const Case cases[] = {
        {"short", "short"},
        {"two\r\nlines", "two lines"},
        {"runs   of\r\n\r\n  blanks  ", "runs of blanks"},
        {"0123456789 0123456789\r\n0123456789 0123456789", "0123456789 0123456789 0123456789 0123456 ..."},
    };
    for (const Case& c : cases) {
        CReminder rem;
        rem.Date.Set(2027, 3, 5, 0, 0, 0, 0);
        rem.RemTitle = "Dentist";
        rem.RemMsg = c.message;
        EXPECT_EQ(head + c.shown, ReminderListLine(rem)) << c.message;
    }
}

TEST(TimeSoundRules, ReminderEditsFollowTheSelectionAndMessageRules) {
    CReminders reminders;
    auto fields = [](const char* title, const char* message) {
        CReminder rem;
        rem.RemTitle = title;
        rem.RemMsg = message;
        return rem;
    };
    auto titles = [&] {
        std::string all;
        for (unsigned i = 0; i < reminders.List().GetCount(); ++i) all += std::string(reminders.List()[i].RemTitle.View());
        return all;
    };
    int selected = 0;
    struct Step {
        std::function<ReminderEdit()> edit;
        ReminderEdit result;
        const char* titles;
    };
    const Step steps[] = {
        {[&] { return AddReminder(reminders, fields("A", "")); }, ReminderEdit::NoMessage, ""},
        {[&] { return AddReminder(reminders, fields("A", " \r\n ")); }, ReminderEdit::NoMessage, ""},
        {[&] { return AddReminder(reminders, fields("A", "a")); }, ReminderEdit::Done, "A"},
        {[&] { return AddReminder(reminders, fields("B", "b")); }, ReminderEdit::Done, "AB"},
        {[&] { return AddReminder(reminders, fields("C", "c")); }, ReminderEdit::Done, "ABC"},
        {[&] { return UpdateReminder(reminders, -1, fields("X", "x")); }, ReminderEdit::NoSelection, "ABC"},
        {[&] { return UpdateReminder(reminders, 3, fields("X", "")); }, ReminderEdit::NoSelection, "ABC"},
        {[&] { return UpdateReminder(reminders, 1, fields("X", "")); }, ReminderEdit::NoMessage, "ABC"},
        {[&] { return UpdateReminder(reminders, 1, fields("X", "x")); }, ReminderEdit::Done, "AXC"},
        {[&] { return selected = 0, MoveReminder(reminders, selected, true); }, ReminderEdit::Unchanged, "AXC"},
        {[&] { return MoveReminder(reminders, selected, false); }, ReminderEdit::Done, "XAC"},
        {[&] { return MoveReminder(reminders, selected, false); }, ReminderEdit::Done, "XCA"},
        {[&] { return MoveReminder(reminders, selected, false); }, ReminderEdit::Unchanged, "XCA"},
        {[&] { return selected = -1, MoveReminder(reminders, selected, true); }, ReminderEdit::NoSelection, "XCA"},
        {[&] { return RemoveReminder(reminders, 5); }, ReminderEdit::NoSelection, "XCA"},
        {[&] { return RemoveReminder(reminders, 0); }, ReminderEdit::Done, "CA"},
    };
    int i = 0;
    for (const Step& s : steps) {
        EXPECT_EQ(s.result, s.edit()) << "step " << i;
        EXPECT_EQ(s.titles, titles()) << "step " << i;
        ++i;
    }
    EXPECT_STREQ("You must enter a message for the reminder.", ReminderEditText(ReminderEdit::NoMessage));
    EXPECT_STREQ("Error: you must select a reminder before this operation can be performed.",
                 ReminderEditText(ReminderEdit::NoSelection));
}
