// The date-and-time, reminders, video-mode and sound pages as Win32 dialogs.
// They follow the scene pages' pattern: every control writes its setting into
// the module at once and reports the change; the lists and texts come from
// config_dialog/logic/TimeSoundRules.
#pragma once

#include <string>
#include <vector>

#include "config_dialog/logic/TimeSoundRules.h"
#include "config_dialog/win32/ScenePages.h"

class CReminder;

// A drop-down whose entries the page keeps beside it, so that a choice is
// read back by position rather than by its text.
class CChoiceBox : public CComboBox {
public:
    void SetEntries(const std::vector<std::string>& entries);
    // Selects `index`, or nothing when it is out of range.
    void Choose(int index) const { Select(index >= 0 && index < Count() ? index : -1); }
    int Count() const { return static_cast<int>(m_Entries.size()); }
    const std::string& Entry(int index) const;

private:
    std::vector<std::string> m_Entries;
};

// Month, day and year drop-downs; the day list follows the month and year.
class CDateBoxes {
public:
    void Attach(HWND dialog, int monthId, int dayId, int yearId);
    void Show(int year, int month, int day);
    // After a month or year change: the day list is rebuilt and the day kept
    // inside the month. True when the command was one of the three.
    bool Follow(WPARAM wParam);
    int Year() const;
    int Month() const { return m_Month.Selection() + 1; }
    int Day() const { return m_Day.Selection() + 1; }

private:
    void FillDays(int day);
    CChoiceBox m_Month, m_Day, m_Year;
    YearChoices m_Years;
};

class CDateTimePage : public CPageDialog {
public:
    explicit CDateTimePage(CMainFormState& form);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void TakeCountDown();

    CCheckBox m_SetTime, m_ShowTime, m_ShowDate, m_ShowHolidays, m_ShowMoon, m_CountDown;
    CCheckBox m_TimeRed, m_TimeGreen, m_TimeBlue, m_CountRed, m_CountGreen, m_CountBlue;
    CChoiceBox m_Server, m_Format, m_Holidays, m_Hour, m_Minute, m_AmPm;
    CDateBoxes m_Date;
    CTextControl m_Message;
};

class CRemindersPage : public CPageDialog {
public:
    explicit CRemindersPage(CMainFormState& form);
    ~CRemindersPage() override;

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    CReminder Fields() const;
    void ShowFields(const CReminder& reminder);
    void ShowList(int selected);
    // Shows the error box of a refused edit; true when the edit was made.
    bool Report(ReminderEdit result);

    CCheckBox m_Enabled, m_OnClose, m_WhileRun, m_AutoClean;
    CTextControl m_Title, m_Message;
    CChoiceBox m_Schedule;
    CDateBoxes m_Date;
    CListBox m_List;
    HFONT m_ListFont = nullptr;
};

class CVideoModePage : public CPageDialog {
public:
    explicit CVideoModePage(CMainFormState& form);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void ShowSelected();

    CListBox m_List;
    CTextControl m_Selected;
    CRadioGroup m_Priority;
};

class CSoundPage : public CPageDialog {
public:
    explicit CSoundPage(CMainFormState& form);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void TakeAlarmTime();
    void ShowFiles();

    CCheckBox m_CdEnable, m_CdAutoOff, m_AlarmEnable;
    CTextControl m_CdMinutes, m_ChimeFile, m_AlarmFile;
    CRadioGroup m_Chime, m_AlarmSound;
    CChoiceBox m_Hour, m_Minute, m_AmPm;
};
