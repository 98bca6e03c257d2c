#include "config_dialog/gtk/TimeSoundPages.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "app/CScreenSaver.h"
#include "app/CVideoMode.h"
#include "config_dialog/logic/DialogRules.h"
#include "services/CReminders.h"

namespace {
bool IsOn(GtkWidget* box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) != FALSE; }
void SetOn(GtkWidget* box, bool on) { gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), on ? TRUE : FALSE); }

// A label before a field, with the field as its mnemonic target.
GtkWidget* LabelFor(const char* text, GtkWidget* field) {
    GtkWidget* label = TextLabel(text);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), field);
    return label;
}

GtkWidget* Grid(int rowSpacing = 4, int columnSpacing = 8) {
    GtkWidget* grid = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(grid), static_cast<guint>(rowSpacing));
    gtk_grid_set_column_spacing(GTK_GRID(grid), static_cast<guint>(columnSpacing));
    return grid;
}

GtkWidget* Indented(GtkWidget* widget, int pixels = 14) {
    gtk_widget_set_margin_start(widget, pixels);
    return widget;
}

GtkWidget* Stretched(GtkWidget* widget) {
    gtk_widget_set_hexpand(widget, TRUE);
    return widget;
}

// A single-line field; Return in it presses the dialog's default button, as
// Enter in a Windows dialog's edit field does.
GtkWidget* TextField(int maxChars, int widthChars) {
    GtkWidget* entry = gtk_entry_new();
    if (maxChars > 0) gtk_entry_set_max_length(GTK_ENTRY(entry), maxChars);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), widthChars);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    return entry;
}

// Multi-line texts are stored with the Windows page's "\r\n" line breaks, so
// that the file holds the same text whichever program wrote it; the view
// shows plain "\n".
std::string StoredLines(const std::string& shown) {
    std::string out;
    for (char c : shown) {
        if (c == '\r') continue;
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::string MemoText(GtkWidget* view) {
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(view));
    GtkTextIter begin, end;
    gtk_text_buffer_get_bounds(buffer, &begin, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &begin, &end, FALSE);
    std::string out = StoredLines(text ? text : "");
    g_free(text);
    return out;
}

void SetMemoText(GtkWidget* view, const std::string& text) {
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), PlainLines(text).c_str(), -1);
}
}  // namespace

// ---- date and time ----

CGtkDateTimePage::CGtkDateTimePage(CMainFormState& form)
    : CGtkPage("Date and Time", ServicePageModules(ServicePage::DateTime, form.Saver()), form,
               Buttons{"OK", "Cancel", "Default"}) {}

GtkWidget* CGtkDateTimePage::Build() {
    CSystemDateTime& d = m_Saver.DateTime();
    m_SetTime = CheckBox("When the screen saver runs, set my computer time to the atomic time.");
    m_Server.Make();
    GtkWidget* serverRow = Row({LabelFor("Atomic time server:", m_Server.Widget()), m_Server.Widget()});
    gtk_box_set_child_packing(GTK_BOX(serverRow), m_Server.Widget(), TRUE, TRUE, 0, GTK_PACK_START);
    GtkWidget* atomic = Column({m_SetTime, serverRow});

    m_ShowTime = CheckBox("Display the time");
    m_ShowDate = CheckBox("Display the date");
    m_ShowHolidays = CheckBox("Display holidays and other recognized dates");
    m_ShowMoon = CheckBox("Display the moon's phase");
    // The overlay draws no moon phase yet: the box stays disabled, as on Windows.
    gtk_widget_set_sensitive(m_ShowMoon, FALSE);
    m_TimeRed = CheckBox("Color cycle red");
    m_TimeGreen = CheckBox("Color cycle green");
    m_TimeBlue = CheckBox("Color cycle blue");
    XDateTime today;
    today.SetToNow();
    m_Format.Make(DateFormatExamples(today));
    m_Holidays.Make({"United States"});
    GtkWidget* display = Grid(2, 24);
    gtk_grid_attach(GTK_GRID(display), Column({m_ShowTime, m_ShowDate, m_ShowHolidays, m_ShowMoon}, 2), 0, 0, 1, 1);
    gtk_grid_attach(
        GTK_GRID(display),
        Column({TextLabel("Clock colors:"), Indented(m_TimeRed), Indented(m_TimeGreen), Indented(m_TimeBlue)}, 2), 1, 0,
        1, 1);
    GtkWidget* lists = Grid(4, 8);
    gtk_grid_attach(GTK_GRID(lists), LabelFor("Date format:", m_Format.Widget()), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(lists), Stretched(m_Format.Widget()), 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(lists), LabelFor("Holidays for:", m_Holidays.Widget()), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(lists), m_Holidays.Widget(), 1, 1, 1, 1);
    gtk_widget_set_halign(m_Holidays.Widget(), GTK_ALIGN_START);
    gtk_widget_set_size_request(m_Holidays.Widget(), 180, -1);
    gtk_widget_set_margin_top(lists, 6);
    GtkWidget* displayBox = Column({display, lists}, 2);

    m_CountDown = CheckBox("Display the countdown for this date");
    m_Date.Make();
    m_Time.Make();
    GtkWidget* when = Grid(2, 6);
    const std::pair<const char*, GtkWidget*> columns[] = {
        {"Month", m_Date.m_Month.Widget()}, {"Day", m_Date.m_Day.Widget()},       {"Year", m_Date.m_Year.Widget()},
        {"Hour", m_Time.m_Hour.Widget()},   {"Minute", m_Time.m_Minute.Widget()}, {"AM/PM", m_Time.m_AmPm.Widget()}};
    int column = 0;
    for (const auto& [label, box] : columns) {
        gtk_grid_attach(GTK_GRID(when), LabelFor(label, box), column, 0, 1, 1);
        gtk_grid_attach(GTK_GRID(when), box, column, 1, 1, 1);
        ++column;
    }
    m_Message = TextField(0, 40);
    GtkWidget* message = Row({LabelFor("Message:", m_Message), m_Message});
    gtk_box_set_child_packing(GTK_BOX(message), m_Message, TRUE, TRUE, 0, GTK_PACK_START);
    m_CountRed = CheckBox("Color cycle red");
    m_CountGreen = CheckBox("Color cycle green");
    m_CountBlue = CheckBox("Color cycle blue");
    GtkWidget* countdown = Column({m_CountDown, when, message, Row({m_CountRed, m_CountGreen, m_CountBlue}, 18)}, 6);

    const std::pair<GtkWidget*, bool*> boxes[] = {
        {m_SetTime, &d.SetTime},           {m_ShowTime, &d.DisplayTime},
        {m_ShowDate, &d.DisplayDate},      {m_ShowHolidays, &d.DisplayHolidays},
        {m_CountDown, &d.EnableCountDown}, {m_TimeRed, &d.CycleTimeRed},
        {m_TimeGreen, &d.CycleTimeGreen},  {m_TimeBlue, &d.CycleTimeBlue},
        {m_CountRed, &d.CycleRed},         {m_CountGreen, &d.CycleGreen},
        {m_CountBlue, &d.CycleBlue}};
    for (const auto& [box, setting] : boxes)
        OnSignal(box, "toggled", [this, box = box, setting = setting] {
            if (Filling()) return;
            *setting = IsOn(box);
            Changed();
        });
    OnSignal(m_Message, "changed", [this] {
        if (Filling()) return;
        m_Saver.DateTime().CountDownMessage = FieldText(m_Message).c_str();
        Changed();
    });
    m_Date.OnPick([this] { TakeCountDown(); });
    m_Time.OnPick([this] { TakeCountDown(); });
    m_Server.OnPick([this] {
        if (Filling()) return;
        m_Saver.DateTime().TimeServer = m_Server.Entry(m_Server.Selection()).c_str();
        Changed();
    });
    m_Format.OnPick([this] {
        const int i = m_Format.Selection();
        if (Filling() || i < 0 || i >= CSystemDateTime::kDateFormatCount) return;
        m_Saver.DateTime().Format = CSystemDateTime::kDateFormats[i];
        Changed();
    });
    m_Holidays.OnPick([this] {
        if (Filling()) return;
        m_Saver.DateTime().HolidaysFor = m_Holidays.Entry(m_Holidays.Selection()).c_str();
        Changed();
    });
    return Column(
        {Group("Atomic time", atomic), Group("Date and time display", displayBox), Group("Countdown", countdown)}, 6);
}

void CGtkDateTimePage::Fill() {
    CSystemDateTime& d = m_Saver.DateTime();
    SetOn(m_SetTime, d.SetTime);
    int server = 0;
    m_Server.SetEntries(TimeServerEntries(d.TimeServers, d.TimeServer, server));
    m_Server.Choose(server);
    SetOn(m_ShowTime, d.DisplayTime);
    SetOn(m_ShowDate, d.DisplayDate);
    SetOn(m_ShowHolidays, d.DisplayHolidays);
    SetOn(m_ShowMoon, d.DisplayMoonPhase);
    SetOn(m_TimeRed, d.CycleTimeRed);
    SetOn(m_TimeGreen, d.CycleTimeGreen);
    SetOn(m_TimeBlue, d.CycleTimeBlue);
    SetOn(m_CountRed, d.CycleRed);
    SetOn(m_CountGreen, d.CycleGreen);
    SetOn(m_CountBlue, d.CycleBlue);
    m_Format.Choose(DateFormatIndex(d.Format));
    m_Holidays.Choose(d.HolidaysFor.CompareNoCase("United States") == 0 ? 0 : -1);
    SetOn(m_CountDown, d.EnableCountDown);
    const DateChoice c = ChoiceFromDate(d.CountDownTo);
    m_Date.Show(c.year, c.month, c.day);
    m_Time.Show(c.hour12, c.minute, c.pm);
    SetField(m_Message, d.CountDownMessage.c_str());
}

void CGtkDateTimePage::TakeCountDown() {
    if (Filling()) return;
    DateChoice c;
    c.year = m_Date.Year();
    c.month = m_Date.Month();
    c.day = m_Date.Day();
    c.hour12 = m_Time.Hour12();
    c.minute = std::max(m_Time.Minute(), 0);
    c.pm = m_Time.Pm();
    if (SetCountDownFromText(m_Saver.DateTime().CountDownTo, CountDownText(c))) Changed();
}

// ---- reminders ----

CGtkRemindersPage::CGtkRemindersPage(CMainFormState& form)
    : CGtkPage("Reminders and Lists", ServicePageModules(ServicePage::Reminders, form.Saver()), form,
               Buttons{"OK", "Cancel", "Default"}) {}

GtkWidget* CGtkRemindersPage::Build() {
    CReminders& r = m_Saver.Reminders();
    m_Enabled = CheckBox("Use reminders");
    m_OnClose = CheckBox("Show appropriate reminders when the screen saver closes.");
    m_WhileRun = CheckBox("Show appropriate reminders while the screen saver is running.");
    m_AutoClean = CheckBox("Automatically remove outdated reminders from my reminder list.");
    const std::pair<GtkWidget*, bool*> boxes[] = {{m_Enabled, &r.Enabled},
                                                  {m_OnClose, &r.ShowOnClose},
                                                  {m_WhileRun, &r.ShowWhileRun},
                                                  {m_AutoClean, &r.AutoCleanUp}};
    for (const auto& [box, setting] : boxes)
        OnSignal(box, "toggled", [this, box = box, setting = setting] {
            if (Filling()) return;
            *setting = IsOn(box);
            Changed();
        });

    m_Title = TextField(200, 34);
    m_Message = gtk_text_view_new();
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(m_Message), GTK_WRAP_WORD_CHAR);
    gtk_text_view_set_accepts_tab(GTK_TEXT_VIEW(m_Message), FALSE);
    GtkWidget* messageScroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(messageScroll), GTK_SHADOW_IN);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(messageScroll), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
    gtk_widget_set_size_request(messageScroll, -1, 72);
    gtk_container_add(GTK_CONTAINER(messageScroll), m_Message);
    m_Schedule.Make();
    m_Date.Make();
    m_Date.OnPick([] {});
    GtkWidget* clear = PushButton("Clear");
    GtkWidget* add = PushButton("Add");
    GtkWidget* update = PushButton("Update");
    GtkWidget* remove = PushButton("Remove");
    GtkWidget* fields = Grid(4, 8);
    gtk_grid_attach(GTK_GRID(fields), LabelFor("Reminder title:", m_Title), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(fields), Stretched(m_Title), 1, 0, 1, 1);
    GtkWidget* messageLabel = LabelFor("Message:", m_Message);
    gtk_widget_set_valign(messageLabel, GTK_ALIGN_START);
    gtk_grid_attach(GTK_GRID(fields), messageLabel, 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(fields), messageScroll, 1, 1, 1, 1);
    GtkWidget* editButtons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
    gtk_button_box_set_layout(GTK_BUTTON_BOX(editButtons), GTK_BUTTONBOX_START);
    gtk_box_set_spacing(GTK_BOX(editButtons), 6);
    for (GtkWidget* b : {clear, add, update, remove}) gtk_container_add(GTK_CONTAINER(editButtons), b);
    gtk_grid_attach(GTK_GRID(fields), editButtons, 1, 2, 1, 1);
    GtkWidget* when = Column({LabelFor("Schedule:", m_Schedule.Widget()), m_Schedule.Widget(),
                              LabelFor("Apply reminder on this date:", m_Date.m_Month.Widget()),
                              Row({m_Date.m_Month.Widget(), m_Date.m_Day.Widget(), m_Date.m_Year.Widget()}, 4)},
                             4);
    gtk_widget_set_margin_start(when, 10);
    gtk_grid_attach(GTK_GRID(fields), when, 2, 0, 1, 3);
    GtkWidget* list = m_List.Make(640, 130, true);
    GtkWidget* up = PushButton("Move up");
    GtkWidget* down = PushButton("Move down");

    m_List.OnSelect([this] {
        const CReminders& rem = m_Saver.Reminders();
        const int selected = m_List.Selection();
        if (selected >= 0 && static_cast<unsigned>(selected) < rem.List().GetCount())
            ShowFields(rem.List()[static_cast<unsigned>(selected)]);
    });
    OnSignal(clear, "clicked", [this] {
        m_List.Select(-1);
        ShowFields(CReminder());
    });
    OnSignal(add, "clicked", [this] {
        Edit([this](int& selected) {
            const ReminderEdit result = AddReminder(m_Saver.Reminders(), Fields());
            selected = static_cast<int>(m_Saver.Reminders().List().GetCount()) - 1;
            return result;
        });
    });
    OnSignal(update, "clicked", [this] {
        Edit([this](int& selected) { return UpdateReminder(m_Saver.Reminders(), selected, Fields()); });
    });
    OnSignal(remove, "clicked", [this] {
        Edit([this](int& selected) {
            const ReminderEdit result = RemoveReminder(m_Saver.Reminders(), selected);
            selected = -1;
            return result;
        });
    });
    OnSignal(up, "clicked",
             [this] { Edit([this](int& selected) { return MoveReminder(m_Saver.Reminders(), selected, true); }); });
    OnSignal(down, "clicked",
             [this] { Edit([this](int& selected) { return MoveReminder(m_Saver.Reminders(), selected, false); }); });

    GtkWidget* bottom = Row({up, down, m_AutoClean}, 6);
    gtk_widget_set_margin_start(m_AutoClean, 12);
    return Column({m_Enabled, m_OnClose, m_WhileRun, Group("Reminder", fields), list, bottom}, 6);
}

void CGtkRemindersPage::Fill() {
    const CReminders& r = m_Saver.Reminders();
    SetOn(m_Enabled, r.Enabled);
    SetOn(m_OnClose, r.ShowOnClose);
    SetOn(m_WhileRun, r.ShowWhileRun);
    SetOn(m_AutoClean, r.AutoCleanUp);
    ShowList(-1);
    ShowFields(CReminder());
}

void CGtkRemindersPage::ShowList(int selected) {
    const CReminders& r = m_Saver.Reminders();
    std::vector<std::string> lines;
    for (unsigned i = 0; i < r.List().GetCount(); ++i) lines.push_back(ReminderListLine(r.List()[i]));
    m_List.SetLines(lines);
    m_List.Select(selected);
}

void CGtkRemindersPage::ShowFields(const CReminder& reminder) {
    SetField(m_Title, reminder.RemTitle.c_str());
    SetMemoText(m_Message, reminder.RemMsg.c_str());
    int schedule = 0;
    m_Schedule.SetEntries(ScheduleEntries(reminder.Type, schedule));
    m_Schedule.Choose(schedule);
    m_Date.Show(reminder.Date.GetYear(), reminder.Date.GetMonth(), reminder.Date.GetDay());
}

CReminder CGtkRemindersPage::Fields() const {
    return ReminderFromFields(FieldText(m_Title), MemoText(m_Message), m_Schedule.Entry(m_Schedule.Selection()), m_Date.Year(),
                              m_Date.Month(), m_Date.Day());
}

bool CGtkRemindersPage::Report(ReminderEdit result) {
    if (result == ReminderEdit::NoMessage || result == ReminderEdit::NoSelection)
        ShowError(Window(), ReminderEditText(result), "Error");
    return result == ReminderEdit::Done;
}

void CGtkRemindersPage::Edit(const std::function<ReminderEdit(int& selected)>& edit) {
    int selected = m_List.Selection();
    if (!Report(edit(selected))) return;
    ShowList(selected);
    Changed();
}

// ---- video mode ----

CGtkVideoModePage::CGtkVideoModePage(CMainFormState& form)
    : CGtkPage("Video mode / Thread priority", ServicePageModules(ServicePage::VideoMode, form.Saver()), form,
               Buttons{"OK", "Cancel", "Default"}) {}

GtkWidget* CGtkVideoModePage::Build() {
    GtkWidget* list = m_List.Make(460, 160);
    m_List.ActivatesDefault(Window());
    m_Selected = TextLabel("Selected mode = ");
    gtk_label_set_use_underline(GTK_LABEL(m_Selected), FALSE);
    m_Priority.Make({"Normal", "Below normal", "Lowest"});
    m_List.OnSelect([this] {
        CVideoMode& v = m_Saver.VideoMode();
        const int selected = m_List.Selection();
        if (Filling() || selected < 0 || selected == v.Mode) return;
        v.Mode = selected;
        ShowSelected();
        Changed();
    });
    m_Priority.OnChange([this] {
        if (Filling() || m_Priority.Selected() < 0) return;
        // 0 normal, -1 below normal, -2 lowest.
        m_Saver.VideoMode().ThreadPriority = -m_Priority.Selected();
        Changed();
    });
    GtkWidget* listLabel = TextLabel("Run the screen saver in this video mode:");
    gtk_label_set_mnemonic_widget(GTK_LABEL(listLabel), m_List.View());
    return Column({listLabel, list, m_Selected, Group("Thread priority", m_Priority.Box())}, 6);
}

void CGtkVideoModePage::Fill() {
    const CVideoMode& v = m_Saver.VideoMode();
    // The portable list: on Linux the current screen mode only, since the
    // saver never switches the X server's mode.
    m_List.SetLines(VideoModeListTexts());
    m_List.Select(v.Mode);
    ShowSelected();
    // A stored priority other than the three leaves none checked.
    const bool known = v.ThreadPriority <= 0 && v.ThreadPriority >= -2;
    m_Priority.Select(known ? -v.ThreadPriority : -1);
}

void CGtkVideoModePage::ShowSelected() {
    const int selected = m_List.Selection();
    gtk_label_set_text(GTK_LABEL(m_Selected),
                       ("Selected mode = " + (selected >= 0 ? m_List.Line(selected) : std::string())).c_str());
}

// ---- sound ----

CGtkSoundPage::CGtkSoundPage(CMainFormState& form)
    : CGtkPage("Screen Saver Sound Options", ServicePageModules(ServicePage::Sound, form.Saver()), form,
               Buttons{"OK", "Cancel", "Default"}) {}

GtkWidget* CGtkSoundPage::Build() {
    CSystemCDPlayer& cd = m_Saver.CDPlayer();
    CSystemAlarm& a = m_Saver.Alarm();
    m_CdEnable = CheckBox("Enable");
    m_CdAutoOff = CheckBox("Auto shutoff");
    m_CdMinutes = DigitsField(6);
    gtk_entry_set_max_length(GTK_ENTRY(m_CdMinutes), 6);
    gtk_entry_set_activates_default(GTK_ENTRY(m_CdMinutes), TRUE);
    GtkWidget* cdRow = Row({m_CdEnable, m_CdAutoOff, m_CdMinutes, LabelFor("Minutes", m_CdMinutes)}, 8);

    m_Chime.Make({"None", "Beep", "Wav"});
    GtkWidget* chimeSet = PushButton("Set Wav");
    GtkWidget* chimeTest = PushButton("Test Wav");
    GtkWidget* chimeStop = PushButton("Stop Wav");
    m_ChimeFile = PathLabel(60);
    GtkWidget* chimeRow = Row({m_Chime.Box(), chimeSet, chimeTest, chimeStop}, 6);
    gtk_widget_set_margin_start(chimeSet, 24);

    m_AlarmEnable = CheckBox("Enable alarm");
    m_AlarmTime.Make();
    GtkWidget* timeLabel = LabelFor("Time:", m_AlarmTime.m_Hour.Widget());
    gtk_widget_set_margin_start(timeLabel, 18);
    GtkWidget* alarmRow = Row({m_AlarmEnable, timeLabel, m_AlarmTime.m_Hour.Widget(), m_AlarmTime.m_Minute.Widget(),
                               m_AlarmTime.m_AmPm.Widget()},
                              6);
    m_AlarmSound.Make({"Beep", "Wav"});
    GtkWidget* alarmSet = PushButton("Set Wav");
    GtkWidget* alarmTest = PushButton("Test Wav");
    GtkWidget* alarmStop = PushButton("Stop Wav");
    m_AlarmFile = PathLabel(60);
    GtkWidget* alarmSoundRow = Row({m_AlarmSound.Box(), alarmSet, alarmTest, alarmStop}, 6);
    gtk_widget_set_margin_start(alarmSet, 24);
    // The Set Wav buttons of both groups line up, as on Windows.
    GtkSizeGroup* radios = gtk_size_group_new(GTK_SIZE_GROUP_HORIZONTAL);
    gtk_size_group_add_widget(radios, gtk_widget_get_parent(m_Chime.Group().Buttons().front()));
    gtk_size_group_add_widget(radios, gtk_widget_get_parent(m_AlarmSound.Group().Buttons().front()));
    g_object_unref(radios);

    const std::pair<GtkWidget*, bool*> boxes[] = {
        {m_CdEnable, &cd.Enabled}, {m_CdAutoOff, &cd.AutoOff}, {m_AlarmEnable, &a.EnableAlarm}};
    for (const auto& [box, setting] : boxes)
        OnSignal(box, "toggled", [this, box = box, setting = setting] {
            if (Filling()) return;
            *setting = IsOn(box);
            Changed();
        });
    OnSignal(m_CdMinutes, "changed", [this] {
        if (Filling()) return;
        m_Saver.CDPlayer().AutoOffMinutes =
            static_cast<int32_t>(std::min<uint32_t>(DigitsValue(FieldText(m_CdMinutes)), INT_MAX));
        Changed();
    });
    m_AlarmTime.OnPick([this] { TakeAlarmTime(); });
    m_Chime.OnChange([this] {
        if (Filling() || m_Chime.Selected() < 0) return;
        m_Saver.Alarm().ChimeType = m_Chime.Selected();
        Changed();
    });
    m_AlarmSound.OnChange([this] {
        if (Filling() || m_AlarmSound.Selected() < 0) return;
        m_Saver.Alarm().AlarmType = AlarmTypeForRadio(m_AlarmSound.Selected());
        Changed();
    });
    for (const auto& [button, chime] : {std::pair{chimeSet, true}, std::pair{alarmSet, false}})
        OnSignal(button, "clicked", [this, chime = chime] {
            XString& file = chime ? m_Saver.Alarm().ChimeFileName : m_Saver.Alarm().AlarmFileName;
            std::string path(file.View());
            if (!ChooseWaveFile(Window(), path)) return;
            file = path.c_str();
            ShowFiles();
            Changed();
        });
    OnSignal(chimeTest, "clicked", [this] { PlayWaveFile(m_Saver.Alarm().ChimeFileName.c_str()); });
    OnSignal(alarmTest, "clicked", [this] { PlayWaveFile(m_Saver.Alarm().AlarmFileName.c_str()); });
    for (GtkWidget* stop : {chimeStop, alarmStop}) OnSignal(stop, "clicked", [] { StopWaveFile(); });

    return Column({Group("CD player", cdRow), Group("Hourly chime", Column({chimeRow, m_ChimeFile}, 6)),
                   Group("Alarm", Column({alarmRow, alarmSoundRow, m_AlarmFile}, 6))},
                  6);
}

void CGtkSoundPage::Fill() {
    const CSystemCDPlayer& cd = m_Saver.CDPlayer();
    const CSystemAlarm& a = m_Saver.Alarm();
    SetOn(m_CdEnable, cd.Enabled);
    SetOn(m_CdAutoOff, cd.AutoOff);
    SetField(m_CdMinutes, std::to_string(cd.AutoOffMinutes));
    // A stored chime type other than the three leaves none checked.
    m_Chime.Select(a.ChimeType);
    SetOn(m_AlarmEnable, a.EnableAlarm);
    m_AlarmTime.Show(a.AlarmTime.GetHour(true), a.AlarmTime.GetMinute(), !a.AlarmTime.IsAM());
    m_AlarmSound.Select(AlarmRadioForType(a.AlarmType));
    ShowFiles();
}

void CGtkSoundPage::ShowFiles() {
    const CSystemAlarm& a = m_Saver.Alarm();
    gtk_label_set_text(GTK_LABEL(m_ChimeFile),
                       a.ChimeFileName.IsEmpty() ? "(no wave file set)" : a.ChimeFileName.c_str());
    gtk_label_set_text(GTK_LABEL(m_AlarmFile),
                       a.AlarmFileName.IsEmpty() ? "(no wave file set)" : a.AlarmFileName.c_str());
}

void CGtkSoundPage::TakeAlarmTime() {
    if (Filling()) return;
    const std::string text = AlarmTimeText(m_AlarmTime.Hour12(), std::max(m_AlarmTime.Minute(), 0), m_AlarmTime.Pm());
    if (SetAlarmFromText(m_Saver.Alarm().AlarmTime, text)) Changed();
}
