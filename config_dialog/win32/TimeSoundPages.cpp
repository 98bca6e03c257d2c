#include "config_dialog/win32/TimeSoundPages.h"

#include <algorithm>
#include <climits>

#include "app/CScreenSaver.h"
#include "app/CVideoMode.h"
#include "app/win32/ShellWin32.h"
#include "config_dialog/logic/DialogRules.h"
#include "config_dialog/win32/DialogIds.h"
#include "config_dialog/win32/WaveButtons.h"
#include "services/CReminders.h"
#include "xlib/XException.h"

namespace {
bool Clicked(WPARAM wParam) { return HIWORD(wParam) == BN_CLICKED; }
bool Chosen(WPARAM wParam) { return HIWORD(wParam) == CBN_SELCHANGE; }

// A plain check box: the page toggles it and the setting takes its state.
// True when the command was the box's click.
bool ToggleInto(const CCheckBox& box, WPARAM wParam, bool& setting) {
    if (!box.Is(wParam) || !Clicked(wParam)) return false;
    box.Toggle();
    setting = box.IsChecked();
    return true;
}

void ShowTime(const CChoiceBox& hour, const CChoiceBox& minute, const CChoiceBox& ampm, const XDateTime& t) {
    hour.Choose(t.GetHour(true) - 1);
    minute.Choose(t.GetMinute());
    ampm.Choose(t.IsAM() ? 0 : 1);
}
}  // namespace

// ---- drop-down helpers ----

void CChoiceBox::SetEntries(const std::vector<std::string>& entries) {
    m_Entries = entries;
    Clear();
    for (const std::string& entry : m_Entries) Add(entry);
}

const std::string& CChoiceBox::Entry(int index) const {
    static const std::string none;
    return index >= 0 && index < Count() ? m_Entries[static_cast<size_t>(index)] : none;
}

void CDateBoxes::Attach(HWND dialog, int monthId, int dayId, int yearId) {
    m_Month.Attach(dialog, monthId);
    m_Day.Attach(dialog, dayId);
    m_Year.Attach(dialog, yearId);
    m_Month.SetEntries(MonthTexts());
}

void CDateBoxes::Show(int year, int month, int day) {
    m_Years = YearChoices(year);
    m_Year.SetEntries(m_Years.Texts());
    m_Year.Choose(m_Years.IndexOf(year));
    m_Month.Choose(std::clamp(month, 1, 12) - 1);
    FillDays(day);
}

int CDateBoxes::Year() const { return m_Years.YearAt(m_Year.Selection()); }

void CDateBoxes::FillDays(int day) {
    const int month = std::max(Month(), 1);
    m_Day.SetEntries(DayTexts(Year(), month));
    m_Day.Choose(ClampDay(Year(), month, day) - 1);
}

bool CDateBoxes::Follow(WPARAM wParam) {
    if (!Chosen(wParam)) return false;
    if (m_Month.Is(wParam) || m_Year.Is(wParam)) {
        FillDays(Day());
        return true;
    }
    return m_Day.Is(wParam);
}

// ---- date and time ----

CDateTimePage::CDateTimePage(CMainFormState& form)
    : CPageDialog(IDD_DATETIME, IDC_DT_OK, IDC_DT_CANCEL, IDC_DT_DEFAULT,
                  ServicePageModules(ServicePage::DateTime, form.Saver()), form) {}

void CDateTimePage::AttachControls() {
    struct Box {
        CCheckBox* box;
        int id;
    };
    const Box boxes[] = {{&m_SetTime, IDC_DT_SETTIME},       {&m_ShowTime, IDC_DT_SHOWTIME},
                         {&m_ShowDate, IDC_DT_SHOWDATE},     {&m_ShowHolidays, IDC_DT_SHOWHOLIDAYS},
                         {&m_ShowMoon, IDC_DT_SHOWMOON},     {&m_CountDown, IDC_DT_COUNTDOWN},
                         {&m_TimeRed, IDC_DT_TIMERED},       {&m_TimeGreen, IDC_DT_TIMEGREEN},
                         {&m_TimeBlue, IDC_DT_TIMEBLUE},     {&m_CountRed, IDC_DT_COUNTRED},
                         {&m_CountGreen, IDC_DT_COUNTGREEN}, {&m_CountBlue, IDC_DT_COUNTBLUE}};
    for (const Box& b : boxes) b.box->Attach(m_Window, b.id);
    m_Server.Attach(m_Window, IDC_DT_SERVER);
    m_Format.Attach(m_Window, IDC_DT_FORMAT);
    m_Holidays.Attach(m_Window, IDC_DT_HOLIDAYS);
    m_Hour.Attach(m_Window, IDC_DT_HOUR);
    m_Minute.Attach(m_Window, IDC_DT_MINUTE);
    m_AmPm.Attach(m_Window, IDC_DT_AMPM);
    m_Message.Attach(m_Window, IDC_DT_MESSAGE);
    m_Date.Attach(m_Window, IDC_DT_MONTH, IDC_DT_DAY, IDC_DT_YEAR);
    XDateTime today;
    today.SetToNow();
    m_Format.SetEntries(DateFormatExamples(today));
    SendMessageA(m_Format.Handle(), CB_SETDROPPEDWIDTH, 260, 0);
    m_Holidays.SetEntries({"United States"});
    m_Hour.SetEntries(HourTexts());
    m_Minute.SetEntries(MinuteTexts());
    m_AmPm.SetEntries(AmPmTexts());
}

void CDateTimePage::Fill() {
    CSystemDateTime& d = m_Saver.DateTime();
    m_SetTime.Set(d.SetTime);
    int server = 0;
    m_Server.SetEntries(TimeServerEntries(d.TimeServers, d.TimeServer, server));
    m_Server.Choose(server);
    m_ShowTime.Set(d.DisplayTime);
    m_ShowDate.Set(d.DisplayDate);
    m_ShowHolidays.Set(d.DisplayHolidays);
    m_ShowMoon.Set(d.DisplayMoonPhase);
    m_TimeRed.Set(d.CycleTimeRed);
    m_TimeGreen.Set(d.CycleTimeGreen);
    m_TimeBlue.Set(d.CycleTimeBlue);
    m_CountRed.Set(d.CycleRed);
    m_CountGreen.Set(d.CycleGreen);
    m_CountBlue.Set(d.CycleBlue);
    m_Format.Choose(DateFormatIndex(d.Format));
    m_Holidays.Choose(_stricmp(d.HolidaysFor.c_str(), "United States") == 0 ? 0 : -1);
    m_CountDown.Set(d.EnableCountDown);
    const DateChoice c = ChoiceFromDate(d.CountDownTo);
    m_Date.Show(c.year, c.month, c.day);
    ShowTime(m_Hour, m_Minute, m_AmPm, d.CountDownTo);
    m_Message.SetText(d.CountDownMessage.c_str());
}

void CDateTimePage::TakeCountDown() {
    DateChoice c;
    c.year = m_Date.Year();
    c.month = m_Date.Month();
    c.day = m_Date.Day();
    c.hour12 = m_Hour.Selection() + 1;
    c.minute = m_Minute.Selection();
    c.pm = m_AmPm.Selection() == 1;
    if (SetCountDownFromText(m_Saver.DateTime().CountDownTo, CountDownText(c))) Changed();
}

void CDateTimePage::PageCommand(WPARAM wParam, LPARAM) {
    CSystemDateTime& d = m_Saver.DateTime();
    struct Box {
        CCheckBox* box;
        bool* setting;
    };
    const Box boxes[] = {{&m_SetTime, &d.SetTime},           {&m_ShowTime, &d.DisplayTime},
                         {&m_ShowDate, &d.DisplayDate},      {&m_ShowHolidays, &d.DisplayHolidays},
                         {&m_CountDown, &d.EnableCountDown}, {&m_TimeRed, &d.CycleTimeRed},
                         {&m_TimeGreen, &d.CycleTimeGreen},  {&m_TimeBlue, &d.CycleTimeBlue},
                         {&m_CountRed, &d.CycleRed},         {&m_CountGreen, &d.CycleGreen},
                         {&m_CountBlue, &d.CycleBlue}};
    for (const Box& b : boxes) {
        if (!ToggleInto(*b.box, wParam, *b.setting)) continue;
        Changed();
        return;
    }
    if (m_Message.Is(wParam)) {
        if (HIWORD(wParam) != EN_CHANGE) return;
        d.CountDownMessage = m_Message.GetText().c_str();
        Changed();
        return;
    }
    if (m_Date.Follow(wParam)) {
        TakeCountDown();
        return;
    }
    if (!Chosen(wParam)) return;
    if (m_Hour.Is(wParam) || m_Minute.Is(wParam) || m_AmPm.Is(wParam)) {
        TakeCountDown();
    } else if (m_Server.Is(wParam)) {
        d.TimeServer = m_Server.Entry(m_Server.Selection()).c_str();
        Changed();
    } else if (m_Format.Is(wParam)) {
        const int i = m_Format.Selection();
        if (i < 0 || i >= CSystemDateTime::kDateFormatCount) return;
        d.Format = CSystemDateTime::kDateFormats[i];
        Changed();
    } else if (m_Holidays.Is(wParam)) {
        d.HolidaysFor = m_Holidays.Entry(m_Holidays.Selection()).c_str();
        Changed();
    }
}

// ---- reminders ----

CRemindersPage::CRemindersPage(CMainFormState& form)
    : CPageDialog(IDD_REMINDERS, IDC_REM_OK, IDC_REM_CANCEL, IDC_REM_DEFAULT,
                  ServicePageModules(ServicePage::Reminders, form.Saver()), form) {}

void CRemindersPage::AttachControls() {
    m_Enabled.Attach(m_Window, IDC_REM_ENABLE);
    m_OnClose.Attach(m_Window, IDC_REM_ONCLOSE);
    m_WhileRun.Attach(m_Window, IDC_REM_WHILERUN);
    m_AutoClean.Attach(m_Window, IDC_REM_AUTOCLEAN);
    m_Title.Attach(m_Window, IDC_REM_TITLE);
    m_Message.Attach(m_Window, IDC_REM_MESSAGE);
    m_Schedule.Attach(m_Window, IDC_REM_SCHEDULE);
    m_Date.Attach(m_Window, IDC_REM_MONTH, IDC_REM_DAY, IDC_REM_YEAR);
    m_List.Attach(m_Window, IDC_REM_LIST);
    // The list's columns are padded with blanks: they line up only in a
    // fixed-pitch font.
    if (!m_ListFont) {
        HDC screen = GetDC(nullptr);
        const int height = -MulDiv(8, screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96, 72);
        if (screen) ReleaseDC(nullptr, screen);
        m_ListFont = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
    }
    if (m_ListFont) SendMessageA(m_List.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_ListFont), TRUE);
    SendMessageA(m_Title.Handle(), EM_LIMITTEXT, 200, 0);
}

CRemindersPage::~CRemindersPage() {
    // Kept for the page's life: the list may use it until its window is gone.
    if (m_ListFont) DeleteObject(m_ListFont);
}

void CRemindersPage::Fill() {
    const CReminders& r = m_Saver.Reminders();
    m_Enabled.Set(r.Enabled);
    m_OnClose.Set(r.ShowOnClose);
    m_WhileRun.Set(r.ShowWhileRun);
    m_AutoClean.Set(r.AutoCleanUp);
    ShowList(-1);
    ShowFields(CReminder());
}

void CRemindersPage::ShowList(int selected) {
    const CReminders& r = m_Saver.Reminders();
    m_List.Redraw(false);
    m_List.Clear();
    for (unsigned i = 0; i < r.List().GetCount(); ++i) m_List.Add(ReminderListLine(r.List()[i]));
    m_List.Select(selected);
    m_List.Redraw(true);
    m_List.FitWidth();
    InvalidateRect(m_List.Handle(), nullptr, TRUE);
}

void CRemindersPage::ShowFields(const CReminder& reminder) {
    m_Title.SetText(reminder.RemTitle.c_str());
    m_Message.SetText(reminder.RemMsg.c_str());
    int schedule = 0;
    m_Schedule.SetEntries(ScheduleEntries(reminder.Type, schedule));
    m_Schedule.Choose(schedule);
    m_Date.Show(reminder.Date.GetYear(), reminder.Date.GetMonth(), reminder.Date.GetDay());
}

CReminder CRemindersPage::Fields() const {
    return ReminderFromFields(m_Title.GetText(), m_Message.GetText(), m_Schedule.Entry(m_Schedule.Selection()), m_Date.Year(),
                              m_Date.Month(), m_Date.Day());
}

bool CRemindersPage::Report(ReminderEdit result) {
    if (result == ReminderEdit::NoMessage || result == ReminderEdit::NoSelection)
        MessageBoxA(m_Window, ReminderEditText(result), "Error", MB_OK | MB_ICONERROR);
    return result == ReminderEdit::Done;
}

void CRemindersPage::PageCommand(WPARAM wParam, LPARAM) {
    CReminders& r = m_Saver.Reminders();
    struct Box {
        CCheckBox* box;
        bool* setting;
    };
    const Box boxes[] = {{&m_Enabled, &r.Enabled},
                         {&m_OnClose, &r.ShowOnClose},
                         {&m_WhileRun, &r.ShowWhileRun},
                         {&m_AutoClean, &r.AutoCleanUp}};
    for (const Box& b : boxes) {
        if (!ToggleInto(*b.box, wParam, *b.setting)) continue;
        Changed();
        return;
    }
    if (m_List.Is(wParam)) {
        const int selected = m_List.Selection();
        if (HIWORD(wParam) == LBN_SELCHANGE && selected >= 0 && static_cast<unsigned>(selected) < r.List().GetCount())
            ShowFields(r.List()[static_cast<unsigned>(selected)]);
        return;
    }
    if (m_Date.Follow(wParam) || !Clicked(wParam)) return;
    int selected = m_List.Selection();
    switch (LOWORD(wParam)) {
        case IDC_REM_CLEAR:
            m_List.Select(-1);
            ShowFields(CReminder());
            return;
        case IDC_REM_ADD:
            if (!Report(AddReminder(r, Fields()))) return;
            selected = static_cast<int>(r.List().GetCount()) - 1;
            break;
        case IDC_REM_UPDATE:
            if (!Report(UpdateReminder(r, selected, Fields()))) return;
            break;
        case IDC_REM_REMOVE:
            if (!Report(RemoveReminder(r, selected))) return;
            selected = -1;
            break;
        case IDC_REM_UP:
        case IDC_REM_DOWN:
            if (!Report(MoveReminder(r, selected, LOWORD(wParam) == IDC_REM_UP))) return;
            break;
        default:
            return;
    }
    ShowList(selected);
    Changed();
}

// ---- video mode ----

CVideoModePage::CVideoModePage(CMainFormState& form)
    : CPageDialog(IDD_VIDEOMODE, IDC_VM_OK, IDC_VM_CANCEL, IDC_VM_DEFAULT,
                  ServicePageModules(ServicePage::VideoMode, form.Saver()), form) {}

void CVideoModePage::AttachControls() {
    m_List.Attach(m_Window, IDC_VM_LIST);
    m_Selected.Attach(m_Window, IDC_VM_SELECTED);
    m_Priority.Attach(m_Window, {IDC_VM_NORMAL, IDC_VM_BELOW, IDC_VM_LOWEST});
}

void CVideoModePage::Fill() {
    const CVideoMode& v = m_Saver.VideoMode();
    FillVideoModeList(m_Window, IDC_VM_LIST, v.Mode);
    m_List.FitWidth();
    ShowSelected();
    // A stored priority other than the three leaves none checked.
    const bool known = v.ThreadPriority <= 0 && v.ThreadPriority >= -2;
    m_Priority.Select(known ? IDC_VM_NORMAL - v.ThreadPriority : 0);
}

void CVideoModePage::ShowSelected() {
    const int selected = m_List.Selection();
    m_Selected.SetText("Selected mode = " + (selected >= 0 ? m_List.Text(selected) : std::string()));
}

void CVideoModePage::PageCommand(WPARAM wParam, LPARAM) {
    CVideoMode& v = m_Saver.VideoMode();
    if (m_List.Is(wParam)) {
        const int selected = m_List.Selection();
        if (HIWORD(wParam) != LBN_SELCHANGE || selected < 0 || selected == v.Mode) return;
        v.Mode = selected;
        ShowSelected();
        Changed();
    } else if (Clicked(wParam) && m_Priority.Contains(wParam)) {
        m_Priority.Select(LOWORD(wParam));
        v.ThreadPriority = IDC_VM_NORMAL - LOWORD(wParam);
        Changed();
    }
}

// ---- sound ----

CSoundPage::CSoundPage(CMainFormState& form)
    : CPageDialog(IDD_SOUND, IDC_PAGE_OK, IDC_PAGE_CANCEL, IDC_SND_DEFAULT,
                  ServicePageModules(ServicePage::Sound, form.Saver()), form) {}

void CSoundPage::AttachControls() {
    m_CdEnable.Attach(m_Window, IDC_SND_CDENABLE);
    m_CdAutoOff.Attach(m_Window, IDC_SND_CDAUTOOFF);
    m_AlarmEnable.Attach(m_Window, IDC_SND_ALARMENABLE);
    m_CdMinutes.Attach(m_Window, IDC_SND_CDMINUTES);
    m_ChimeFile.Attach(m_Window, IDC_SND_CHIMEFILE);
    m_AlarmFile.Attach(m_Window, IDC_SND_ALARMFILE);
    m_Chime.Attach(m_Window, {IDC_SND_CHIMENONE, IDC_SND_CHIMEBEEP, IDC_SND_CHIMEWAV});
    m_AlarmSound.Attach(m_Window, {IDC_SND_ALARMBEEP, IDC_SND_ALARMWAV});
    m_Hour.Attach(m_Window, IDC_SND_ALARMHOUR);
    m_Minute.Attach(m_Window, IDC_SND_ALARMMINUTE);
    m_AmPm.Attach(m_Window, IDC_SND_ALARMAMPM);
    m_Hour.SetEntries(HourTexts());
    m_Minute.SetEntries(MinuteTexts());
    m_AmPm.SetEntries(AmPmTexts());
    SendMessageA(m_CdMinutes.Handle(), EM_LIMITTEXT, 6, 0);
}

void CSoundPage::Fill() {
    const CSystemCDPlayer& cd = m_Saver.CDPlayer();
    const CSystemAlarm& a = m_Saver.Alarm();
    m_CdEnable.Set(cd.Enabled);
    m_CdAutoOff.Set(cd.AutoOff);
    m_CdMinutes.SetText(std::to_string(cd.AutoOffMinutes));
    // A stored chime type other than the three leaves none checked.
    m_Chime.Select(a.ChimeType >= 0 && a.ChimeType <= 2 ? IDC_SND_CHIMENONE + a.ChimeType : 0);
    m_AlarmEnable.Set(a.EnableAlarm);
    ShowTime(m_Hour, m_Minute, m_AmPm, a.AlarmTime);
    m_AlarmSound.Select(IDC_SND_ALARMBEEP + AlarmRadioForType(a.AlarmType));
    ShowFiles();
}

void CSoundPage::ShowFiles() {
    const CSystemAlarm& a = m_Saver.Alarm();
    m_ChimeFile.SetText(a.ChimeFileName.IsEmpty() ? "(no wave file set)" : a.ChimeFileName.c_str());
    m_AlarmFile.SetText(a.AlarmFileName.IsEmpty() ? "(no wave file set)" : a.AlarmFileName.c_str());
}

void CSoundPage::TakeAlarmTime() {
    const std::string text =
        AlarmTimeText(m_Hour.Selection() + 1, std::max(m_Minute.Selection(), 0), m_AmPm.Selection() == 1);
    if (SetAlarmFromText(m_Saver.Alarm().AlarmTime, text)) Changed();
}

void CSoundPage::PageCommand(WPARAM wParam, LPARAM) {
    CSystemCDPlayer& cd = m_Saver.CDPlayer();
    CSystemAlarm& a = m_Saver.Alarm();
    const int id = LOWORD(wParam);
    if (m_CdMinutes.Is(wParam)) {
        if (HIWORD(wParam) != EN_CHANGE) return;
        cd.AutoOffMinutes = static_cast<int32_t>(std::min<uint32_t>(DigitsValue(m_CdMinutes.GetText()), INT_MAX));
        Changed();
        return;
    }
    if (m_Hour.Is(wParam) || m_Minute.Is(wParam) || m_AmPm.Is(wParam)) {
        if (Chosen(wParam)) TakeAlarmTime();
        return;
    }
    if (ToggleInto(m_CdEnable, wParam, cd.Enabled) || ToggleInto(m_CdAutoOff, wParam, cd.AutoOff) ||
        ToggleInto(m_AlarmEnable, wParam, a.EnableAlarm)) {
        Changed();
        return;
    }
    if (!Clicked(wParam)) return;
    if (m_Chime.Contains(wParam)) {
        m_Chime.Select(id);
        a.ChimeType = id - IDC_SND_CHIMENONE;
        Changed();
    } else if (m_AlarmSound.Contains(wParam)) {
        m_AlarmSound.Select(id);
        a.AlarmType = AlarmTypeForRadio(id - IDC_SND_ALARMBEEP);
        Changed();
    } else if (id == IDC_SND_CHIMESET || id == IDC_SND_ALARMSET) {
        XString& file = id == IDC_SND_CHIMESET ? a.ChimeFileName : a.AlarmFileName;
        std::string path(file.View());
        if (!ChooseWaveFile(m_Window, path)) return;
        file = path.c_str();
        ShowFiles();
        Changed();
    } else if (id == IDC_SND_CHIMETEST) {
        PlayWaveFile(a.ChimeFileName.c_str());
    } else if (id == IDC_SND_ALARMTEST) {
        PlayWaveFile(a.AlarmFileName.c_str());
    } else if (id == IDC_SND_CHIMESTOP || id == IDC_SND_ALARMSTOP) {
        StopWaveFile();
    }
}
