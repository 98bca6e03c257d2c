#include "config_dialog/gtk/EmailPage.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <system_error>
#include <thread>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/ServicePageRules.h"
#include "services/CEmail.h"
#include "xlib/XEmail.h"

namespace {
bool IsOn(GtkWidget* box) { return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) != FALSE; }

GtkWidget* AccountField(bool secret) {
    GtkWidget* entry = gtk_entry_new();
    // Long enough for any server, user name or password a real account has.
    gtk_entry_set_max_length(GTK_ENTRY(entry), 255);
    gtk_entry_set_width_chars(GTK_ENTRY(entry), 24);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    if (secret) gtk_entry_set_visibility(GTK_ENTRY(entry), FALSE);
    return entry;
}

GtkWidget* FieldLabel(const char* text, GtkWidget* field) {
    GtkWidget* label = TextLabel(text);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), field);
    return label;
}
}  // namespace

// One account test: the worker thread's copy of the account, its client
// (which the page may cancel from the GTK thread) and its outcome.
struct CGtkEmailPage::TestRun {
    CGtkEmailPage* page = nullptr;
    CEmailAccount account;
    XEmail client;
    std::thread worker;
    std::string error;
    bool ok = false;
    // Set on the GTK thread when the page closed meanwhile: nobody waits for the box.
    std::atomic<bool> abandoned{false};
};

CGtkEmailPage::CGtkEmailPage(CMainFormState& form)
    : CGtkPage("E-mail", {PageModule(form.Saver().Email())}, form, Buttons{"OK", "Cancel", "Default"}) {}

CGtkEmailPage::~CGtkEmailPage() { AbandonTest(); }

GtkWidget* CGtkEmailPage::Build() {
    CEmail& e = m_Saver.Email();
    m_Notify = CheckBox("Notify me, while the screen saver is running when I receive new e-mail.");
    m_Sound.Make({"No sound when new e-mail arrives.", "Beep when new e-mail arrives.",
                  "Play a wav file when new e-mail arrives"});
    GtkWidget* selectWav = PushButton("Select wav");
    GtkWidget* play = PushButton("Play");
    GtkWidget* stop = PushButton("Stop");
    GtkWidget* removeWav = PushButton("Remove");
    m_WaveName = PathLabel(36);
    m_Text = CheckBox("Display the text message \"New e-mail: X messages\" when I have new e-mail.");
    gtk_label_set_line_wrap(GTK_LABEL(gtk_bin_get_child(GTK_BIN(m_Text))), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(gtk_bin_get_child(GTK_BIN(m_Text))), 42);
    m_Red = CheckBox("Color cycle red");
    m_Green = CheckBox("Color cycle green");
    m_Blue = CheckBox("Color cycle blue");
    m_Streamers = CheckBox("Display particle streamers.");
    m_CycleStreamers = CheckBox("Cycle streamer colors.");
    m_RandStreamers = CheckBox("Choose random streamer colors.");
    for (GtkWidget* w : {m_Red, m_Green, m_Blue, m_CycleStreamers, m_RandStreamers}) gtk_widget_set_margin_start(w, 18);

    GtkWidget* left =
        Column({m_Sound.Box(GTK_ORIENTATION_VERTICAL), Row({selectWav, play, stop, removeWav}, 4), m_WaveName}, 6);
    GtkWidget* right = Column({m_Text, m_Red, m_Green, m_Blue, m_Streamers, m_CycleStreamers, m_RandStreamers}, 2);
    GtkWidget* notice = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(notice), 18);
    gtk_grid_set_row_spacing(GTK_GRID(notice), 6);
    gtk_grid_attach(GTK_GRID(notice), m_Notify, 0, 0, 2, 1);
    gtk_grid_attach(GTK_GRID(notice), left, 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(notice), right, 1, 1, 1, 1);

    m_Server = AccountField(false);
    m_User = AccountField(false);
    m_Password = AccountField(true);
    std::vector<std::string> minutes;
    for (int m : CheckIntervals()) minutes.push_back(std::to_string(m));
    m_Minutes.Make(minutes);
    GtkWidget* add = PushButton("Add");
    GtkWidget* remove = PushButton("Remove");
    GtkWidget* update = PushButton("Update");
    m_Test = PushButton("Test");
    m_Spinner = gtk_spinner_new();
    GtkWidget* accounts = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(accounts), 8);
    gtk_grid_set_row_spacing(GTK_GRID(accounts), 4);
    gtk_grid_attach(GTK_GRID(accounts), FieldLabel("POP3 server:", m_Server), 0, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(accounts), m_Server, 1, 0, 1, 1);
    gtk_grid_attach(GTK_GRID(accounts), FieldLabel("Username:", m_User), 0, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(accounts), m_User, 1, 1, 1, 1);
    gtk_grid_attach(GTK_GRID(accounts), FieldLabel("Password:", m_Password), 0, 2, 1, 1);
    gtk_grid_attach(GTK_GRID(accounts), m_Password, 1, 2, 1, 1);
    GtkWidget* every =
        Row({FieldLabel("Check every", m_Minutes.Widget()), m_Minutes.Widget(), TextLabel("minutes.")}, 6);
    gtk_widget_set_margin_start(every, 10);
    gtk_grid_attach(GTK_GRID(accounts), every, 2, 0, 1, 1);
    GtkWidget* buttons = Row({add, remove, update, m_Test, m_Spinner}, 4);
    gtk_widget_set_margin_start(buttons, 10);
    gtk_widget_set_valign(buttons, GTK_ALIGN_END);
    gtk_grid_attach(GTK_GRID(accounts), buttons, 2, 1, 1, 2);
    gtk_grid_attach(GTK_GRID(accounts), m_Accounts.Make(580, 110), 0, 3, 3, 1);
    gtk_widget_set_margin_top(gtk_widget_get_parent(m_Accounts.View()), 4);

    const std::pair<GtkWidget*, bool*> boxes[] = {{m_Notify, &e.Notify},
                                                  {m_Text, &e.DisplayText},
                                                  {m_Streamers, &e.DisplayStreamers},
                                                  {m_CycleStreamers, &e.CycleStreamers},
                                                  {m_RandStreamers, &e.RandStreamers},
                                                  {m_Red, &e.CycleRed},
                                                  {m_Green, &e.CycleGreen},
                                                  {m_Blue, &e.CycleBlue}};
    for (const auto& [box, setting] : boxes)
        OnSignal(box, "toggled", [this, box = box, setting = setting] {
            if (Filling()) return;
            *setting = IsOn(box);
            Changed();
        });
    m_Sound.OnChange([this] {
        if (Filling() || m_Sound.Selected() < 0) return;
        m_Saver.Email().NewMailSoundType = static_cast<uint32_t>(m_Sound.Selected());
        Changed();
    });
    OnSignal(selectWav, "clicked", [this] {
        std::string path;
        if (!ChooseWaveFile(Window(), path)) return;
        m_Saver.Email().SoundFileName = path.c_str();
        ShowWaveName();
        Changed();
    });
    OnSignal(play, "clicked", [this] { PlayWaveFile(m_Saver.Email().SoundFileName.c_str()); });
    OnSignal(stop, "clicked", [] { StopWaveFile(); });
    OnSignal(removeWav, "clicked", [this] {
        StopWaveFile();
        XString& file = m_Saver.Email().SoundFileName;
        if (file.IsEmpty()) return;
        file = "";
        ShowWaveName();
        Changed();
    });
    m_Accounts.OnSelect([this] { ShowAccount(m_Accounts.Selection()); });
    OnSignal(add, "clicked", [this] { AddAccount(); });
    OnSignal(update, "clicked", [this] { UpdateAccount(); });
    OnSignal(remove, "clicked", [this] { RemoveAccount(); });
    OnSignal(m_Test, "clicked", [this] { StartTest(); });
    // OK, Cancel and the close box end a test in progress; Default leaves it running.
    g_signal_connect(
        Window(), "response", G_CALLBACK(+[](GtkDialog*, gint response, gpointer self) {
            if (response == GTK_RESPONSE_OK || response == GTK_RESPONSE_CANCEL || response == GTK_RESPONSE_DELETE_EVENT)
                static_cast<CGtkEmailPage*>(self)->AbandonTest();
        }),
        this);

    return Column({Group("New e-mail notice", notice), Group("E-mail accounts", accounts)}, 6);
}

void CGtkEmailPage::Fill() {
    CEmail& e = m_Saver.Email();
    const std::pair<GtkWidget*, bool> boxes[] = {{m_Notify, e.Notify},
                                                 {m_Text, e.DisplayText},
                                                 {m_Streamers, e.DisplayStreamers},
                                                 {m_CycleStreamers, e.CycleStreamers},
                                                 {m_RandStreamers, e.RandStreamers},
                                                 {m_Red, e.CycleRed},
                                                 {m_Green, e.CycleGreen},
                                                 {m_Blue, e.CycleBlue}};
    for (const auto& [box, on] : boxes) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), on ? TRUE : FALSE);
    m_Sound.Select(static_cast<int>(std::min<uint32_t>(e.NewMailSoundType, 2)));
    ShowWaveName();
    SetField(m_Server, "");
    SetField(m_User, "");
    SetField(m_Password, "");
    m_Minutes.Choose(CheckIntervalIndex(10));
    FillAccounts();
}

void CGtkEmailPage::ShowWaveName() {
    const XString& file = m_Saver.Email().SoundFileName;
    gtk_label_set_text(GTK_LABEL(m_WaveName), file.IsEmpty() ? "(no wav file)" : file.c_str());
}

void CGtkEmailPage::FillAccounts() {
    const CEmail& e = m_Saver.Email();
    std::vector<std::string> lines;
    for (unsigned i = 0; i < e.Accounts.GetCount(); ++i) lines.push_back(AccountListLine(e.Accounts.Get(i)));
    m_Accounts.SetLines(lines);
}

// A chosen account comes back into the fields, ready for "Update".
void CGtkEmailPage::ShowAccount(int index) {
    const CEmail& e = m_Saver.Email();
    if (index < 0 || static_cast<unsigned>(index) >= e.Accounts.GetCount()) return;
    const CEmailAccount& a = e.Accounts.Get(static_cast<unsigned>(index));
    SetField(m_Server, a.Pop3.c_str());
    SetField(m_User, a.UserName.c_str());
    SetField(m_Password, a.Password.c_str());
    m_Minutes.Choose(CheckIntervalIndex(a.Minutes));
}

int CGtkEmailPage::SelectedAccount() {
    const int index = m_Accounts.Selection();
    if (index >= 0 && static_cast<unsigned>(index) < m_Saver.Email().Accounts.GetCount()) return index;
    ShowError(Window(), kAccountSelectText, "Error");
    return -1;
}

int CGtkEmailPage::ChosenMinutes() const {
    return CheckIntervals()[static_cast<size_t>(std::max(0, m_Minutes.Selection()))];
}

void CGtkEmailPage::AddAccount() {
    const std::string server = FieldText(m_Server), user = FieldText(m_User), password = FieldText(m_Password);
    if (const char* problem = AccountCheckError(server, user, password)) {
        ShowError(Window(), problem, "Error");
        return;
    }
    m_Saver.Email().Accounts.Add(AccountFromFields(server, user, password, ChosenMinutes()));
    FillAccounts();
    Changed();
}

// The fields replace the selected account as they stand: the check is Add's.
void CGtkEmailPage::UpdateAccount() {
    const int index = SelectedAccount();
    if (index < 0) return;
    const CEmailAccount account =
        AccountFromFields(FieldText(m_Server), FieldText(m_User), FieldText(m_Password), ChosenMinutes());
    m_Saver.Email().Accounts.Set(account, static_cast<unsigned>(index));
    FillAccounts();
    m_Accounts.Select(index);
    Changed();
}

void CGtkEmailPage::RemoveAccount() {
    const int index = SelectedAccount();
    if (index < 0) return;
    m_Saver.Email().Accounts.Remove(static_cast<unsigned>(index));
    FillAccounts();
    Changed();
}

void CGtkEmailPage::ShowBusy(bool busy) {
    gtk_widget_set_sensitive(m_Test, busy ? FALSE : TRUE);
    if (busy)
        gtk_spinner_start(GTK_SPINNER(m_Spinner));
    else
        gtk_spinner_stop(GTK_SPINNER(m_Spinner));
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(Window()));
    if (!window) return;
    GdkCursor* cursor = busy ? gdk_cursor_new_from_name(gdk_window_get_display(window), "wait") : nullptr;
    gdk_window_set_cursor(window, cursor);
    if (cursor) g_object_unref(cursor);
}

// The test runs on a thread of its own while the page keeps answering (typing,
// moving, the other buttons); only Test itself waits. The mail client's
// exchange limit (30 seconds per step, as on Windows) bounds it, so a server
// that accepts and never answers ends with the "Error" box.
void CGtkEmailPage::StartTest() {
    if (m_Run) return;
    const int index = SelectedAccount();
    if (index < 0) return;
    auto run = std::make_shared<TestRun>();
    run->page = this;
    run->account = m_Saver.Email().Accounts.Get(static_cast<unsigned>(index));
    // Tested with the certificates the checking thread will trust.
    run->client.SetTrustFile(m_Saver.Email().TrustFile);
    try {
        run->worker = std::thread([run] {
            run->ok = TestEmailAccount(run->client, run->account, run->error);
            g_idle_add(&CGtkEmailPage::TestEnded, new std::shared_ptr<TestRun>(run));
        });
    } catch (const std::system_error&) {
        // No thread to be had: the test runs here, bounded all the same.
        std::string error;
        if (TestEmailAccount(run->client, run->account, error))
            ShowInfo(Window(), kAccountTestOkText, kAccountTestOkTitle);
        else
            ShowError(Window(), error, "Error");
        return;
    }
    m_Run = run;
    ShowBusy(true);
}

gboolean CGtkEmailPage::TestEnded(gpointer data) {
    std::unique_ptr<std::shared_ptr<TestRun>> holder(static_cast<std::shared_ptr<TestRun>*>(data));
    TestRun& run = **holder;
    if (run.worker.joinable()) run.worker.join();
    if (run.abandoned) return G_SOURCE_REMOVE;
    CGtkEmailPage& page = *run.page;
    page.m_Run.reset();
    page.ShowBusy(false);
    if (run.ok)
        ShowInfo(page.Window(), kAccountTestOkText, kAccountTestOkTitle);
    else
        ShowError(page.Window(), run.error, "Error");
    return G_SOURCE_REMOVE;
}

void CGtkEmailPage::AbandonTest() {
    if (!m_Run) return;
    m_Run->abandoned = true;
    // Every wait on the server ends at once; only a name lookup cannot be cut short.
    m_Run->client.Cancel();
    if (m_Run->worker.joinable()) m_Run->worker.join();
    m_Run.reset();
}
