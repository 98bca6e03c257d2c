// The date-and-time, reminders, video-mode and sound pages of the Linux view.
// Each control writes its setting into the module at once and reports the
// change; the lists, texts and reverts are config_dialog/logic/TimeSoundRules'.
#pragma once

#include "config_dialog/gtk/CGtkPage.h"
#include "config_dialog/gtk/GtkKit.h"
#include "config_dialog/gtk/ServicePages.h"
#include "config_dialog/logic/TimeSoundRules.h"

class CReminder;

class CGtkDateTimePage : public CGtkPage {
public:
    explicit CGtkDateTimePage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    void TakeCountDown();

    GtkWidget *m_SetTime = nullptr, *m_ShowTime = nullptr, *m_ShowDate = nullptr, *m_ShowHolidays = nullptr,
              *m_ShowMoon = nullptr, *m_CountDown = nullptr;
    GtkWidget *m_TimeRed = nullptr, *m_TimeGreen = nullptr, *m_TimeBlue = nullptr;
    GtkWidget *m_CountRed = nullptr, *m_CountGreen = nullptr, *m_CountBlue = nullptr;
    GtkWidget* m_Message = nullptr;
    CChoice m_Server, m_Format, m_Holidays;
    CDateChoice m_Date;
    CTimeChoice m_Time;
};

class CGtkRemindersPage : public CGtkPage {
public:
    explicit CGtkRemindersPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    CReminder Fields() const;
    void ShowFields(const CReminder& reminder);
    void ShowList(int selected);
    // Shows the error box of a refused edit; true when the edit was made.
    bool Report(ReminderEdit result);
    // Runs an edit of the list; on success the list shows `selected` after it.
    void Edit(const std::function<ReminderEdit(int& selected)>& edit);

    GtkWidget *m_Enabled = nullptr, *m_OnClose = nullptr, *m_WhileRun = nullptr, *m_AutoClean = nullptr;
    GtkWidget *m_Title = nullptr, *m_Message = nullptr;
    CChoice m_Schedule;
    CDateChoice m_Date;
    CTextList m_List;
};

class CGtkVideoModePage : public CGtkPage {
public:
    explicit CGtkVideoModePage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    void ShowSelected();

    CTextList m_List;
    GtkWidget* m_Selected = nullptr;
    CRadioChoice m_Priority;
};

class CGtkSoundPage : public CGtkPage {
public:
    explicit CGtkSoundPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    void TakeAlarmTime();
    void ShowFiles();

    GtkWidget *m_CdEnable = nullptr, *m_CdAutoOff = nullptr, *m_AlarmEnable = nullptr, *m_CdMinutes = nullptr;
    GtkWidget *m_ChimeFile = nullptr, *m_AlarmFile = nullptr;
    CRadioChoice m_Chime, m_AlarmSound;
    CTimeChoice m_AlarmTime;
};
