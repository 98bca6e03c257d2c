#include "config_dialog/gtk/CGtkMainForm.h"

#include <algorithm>
#include <string>
#include <thread>

#include "app/CScreenSaver.h"
#include "config_dialog/gtk/GtkKit.h"
#include "config_dialog/gtk/CritterPage.h"
#include "config_dialog/logic/DialogRules.h"
#include "config_dialog/logic/UpdateCheck.h"
#include "xlib/SettingsTable.h"
#include "xlib/XException.h"

namespace {
// The preview area at a 1x scale; the saver's preview draws a scaled-down scene.
constexpr int kPreviewWidth = 320;
constexpr int kPreviewHeight = 214;

// Work posted back to the GTK thread from another one.
void OnGtkThread(std::function<void()> work) {
    g_idle_add(
        [](gpointer data) -> gboolean {
            std::unique_ptr<std::function<void()>> w(static_cast<std::function<void()>*>(data));
            XGuard("main form idle", [&] { (*w)(); });
            return G_SOURCE_REMOVE;
        },
        new std::function<void()>(std::move(work)));
}
}  // namespace

CGtkMainForm::CGtkMainForm(CScreenSaver& saver, const std::string& saverProgram)
    : m_Saver(saver), m_Preview(saverProgram), m_Form(saver, [this] { RestartPreview(); }) {
    AddScenePages(m_Pages, m_Form.State());
    AddServicePages(m_Pages, m_Form.State());
    m_Critters = std::make_unique<CGtkCritterPage>(m_Form.State());
}

CGtkMainForm::~CGtkMainForm() {
    m_Form.Closing();
    m_Preview.Stop();
}

uint32_t CGtkMainForm::SpeedPosition() const { return static_cast<uint32_t>(ScaleValue(m_Speed)); }

void CGtkMainForm::RestartPreview() {
    // Called on the watcher's thread too: only the cached window id is read.
    const unsigned long window = m_PreviewWindow.load();
    if (window != 0) m_Preview.Restart(window);
}

GtkWidget* CGtkMainForm::BuildPreview() {
    m_PreviewArea = gtk_drawing_area_new();
    gtk_widget_set_size_request(m_PreviewArea, kPreviewWidth, kPreviewHeight);
    gtk_widget_set_name(m_PreviewArea, "preview");
    // The saver draws into the area's own window; GTK must not paint over it.
    gtk_widget_set_app_paintable(m_PreviewArea, TRUE);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    gtk_widget_set_double_buffered(m_PreviewArea, FALSE);
#pragma GCC diagnostic pop
    OnSignal(m_PreviewArea, "realize", [this] {
        m_PreviewWindow = NativeWindowOf(m_PreviewArea);
    });
    // Black only until the saver's first frame.
    g_signal_connect(m_PreviewArea, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer self) -> gboolean {
                         if (static_cast<CGtkMainForm*>(self)->m_Preview.Starts() == 0) {
                             cairo_set_source_rgb(cr, 0, 0, 0);
                             cairo_paint(cr);
                         }
                         return TRUE;
                     }),
                     this);
    GtkWidget* framed = gtk_frame_new(nullptr);
    gtk_frame_set_shadow_type(GTK_FRAME(framed), GTK_SHADOW_IN);
    gtk_container_add(GTK_CONTAINER(framed), m_PreviewArea);
    m_Refresh = PushButton("Refresh preview");
    gtk_widget_set_halign(m_Refresh, GTK_ALIGN_START);
    OnSignal(m_Refresh, "clicked", [this] { RefreshNow(); });
    GtkWidget* preview = Group("Preview", Column({framed, m_Refresh}, 6));
    gtk_box_set_child_packing(GTK_BOX(gtk_bin_get_child(GTK_BIN(preview))), framed, TRUE, TRUE, 0, GTK_PACK_START);

    m_Speed = ScaleOf(GTK_ORIENTATION_VERTICAL, CGeneralConfig::Settings(), "SaverSpeed");
    gtk_widget_set_name(m_Speed, "speed");
    gtk_widget_set_vexpand(m_Speed, TRUE);
    OnSignal(m_Speed, "value-changed", [this] {
        if (!m_Filling) m_Form.SpeedChanged(SpeedPosition());
    });
    GtkWidget* fast = gtk_label_new("Fast");
    GtkWidget* slow = gtk_label_new("Slow");
    GtkWidget* speedBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
    gtk_box_pack_start(GTK_BOX(speedBox), fast, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(speedBox), m_Speed, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(speedBox), slow, FALSE, FALSE, 0);
    GtkWidget* speed = Group("Speed", speedBox);

    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_pack_start(GTK_BOX(row), preview, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(row), speed, FALSE, FALSE, 0);
    return row;
}

GtkWidget* CGtkMainForm::BuildButtons() {
    m_Options = DropDown(OptionListEntries());
    gtk_widget_set_name(m_Options, "options");
    OnSignal(m_Options, "changed", [this] {
        if (!m_Filling && gtk_combo_box_get_active(GTK_COMBO_BOX(m_Options)) > 0) OpenOption();
    });
    GtkWidget* optionsLabel = TextLabel("&Options:");
    gtk_label_set_mnemonic_widget(GTK_LABEL(optionsLabel), m_Options);
    m_SaveButton = PushButton("&Save");
    m_SaveExit = PushButton("Save && &exit");
    GtkWidget* exitButton = PushButton("E&xit");
    GtkWidget* defaults = PushButton("&Default");
    GtkWidget* about = PushButton("A&bout");
    GtkWidget* help = PushButton("&Help");
    GtkWidget* updates = PushButton("Check for updates");
    OnSignal(m_SaveButton, "clicked", [this] { Save(); });
    OnSignal(m_SaveExit, "clicked", [this] { SaveAndExit(); });
    OnSignal(exitButton, "clicked", [this] { Exit(); });
    OnSignal(defaults, "clicked", [this] { DefaultCommand(); });
    OnSignal(about, "clicked", [this] { ShowInfo(GTK_WINDOW(m_Window), AboutText(), "About"); });
    OnSignal(help, "clicked", [this] { RunHelpWindow(GTK_WINDOW(m_Window)); });
    OnSignal(updates, "clicked", [this] { CheckForUpdates(); });
    GtkWidget* icon = gtk_image_new_from_icon_name("meadowglow", GTK_ICON_SIZE_DIALOG);
    GtkWidget* column = Column({optionsLabel, m_Options, m_SaveButton, m_SaveExit, exitButton, defaults, about, help,
                                updates, icon},
                               4);
    gtk_widget_set_size_request(column, 160, -1);
    return column;
}

void CGtkMainForm::InitControls() {
    m_Filling = true;
    SetScale(m_Speed, static_cast<int>(std::min<uint32_t>(m_Saver.General().SaverSpeed, CGeneralConfig::kMaxSaverSpeed)));
    gtk_combo_box_set_active(GTK_COMBO_BOX(m_Options), 0);
    m_Filling = false;
    ShowButtonStates();
}

void CGtkMainForm::ShowButtonStates() {
    gtk_widget_set_sensitive(m_SaveButton, m_Form.State().SaveEnabled());
    gtk_widget_set_sensitive(m_SaveExit, m_Form.State().SaveEnabled());
    gtk_widget_set_sensitive(m_Refresh, m_Form.State().RefreshEnabled());
}

void CGtkMainForm::Run() {
    m_Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(m_Window), DialogCaption().c_str());
    gtk_window_set_icon_name(GTK_WINDOW(m_Window), "meadowglow");
    gtk_window_set_resizable(GTK_WINDOW(m_Window), FALSE);
    gtk_window_set_position(GTK_WINDOW(m_Window), GTK_WIN_POS_CENTER);
    g_signal_connect(m_Window, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                         static_cast<CGtkMainForm*>(self)->Exit();
                         return TRUE;  // Exit closes the window itself, or keeps it.
                     }),
                     this);
    GtkWidget* top = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    gtk_box_pack_start(GTK_BOX(top), BuildPreview(), TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(top), BuildButtons(), FALSE, FALSE, 0);
    GtkWidget* tabs = gtk_notebook_new();
    gtk_notebook_append_page(GTK_NOTEBOOK(tabs), m_Critters->Embed(GTK_WINDOW(m_Window)),
                             gtk_label_new("Critter settings"));
    GtkWidget* body = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_container_set_border_width(GTK_CONTAINER(body), 8);
    gtk_box_pack_start(GTK_BOX(body), top, TRUE, TRUE, 0);
    gtk_box_pack_start(GTK_BOX(body), tabs, FALSE, FALSE, 0);
    gtk_container_add(GTK_CONTAINER(m_Window), body);

    m_Form.State().SetObserver([this] { OnGtkThread([this] { ShowButtonStates(); }); });
    InitControls();
    gtk_widget_show_all(m_Window);
    gtk_widget_grab_focus(m_Options);
    // The area's window exists now; the saver can draw into it.
    gdk_display_sync(gtk_widget_get_display(m_Window));
    m_Form.Opened();
    m_Opened = true;
    ShowButtonStates();
    gtk_main();
}

void CGtkMainForm::RefreshNow() {
    m_Saver.Save();
    m_Form.RefreshPreview();
}

void CGtkMainForm::Close() {
    m_Form.Closing();
    m_Preview.Stop();
    gtk_widget_hide(m_Window);
    gtk_main_quit();
}

void CGtkMainForm::Exit() {
    const CMainForm::ExitResult result = m_Form.Exit(
        SpeedPosition(), [this] { return AskYesNoCancel(GTK_WINDOW(m_Window), kSaveChangesText, kSaveChangesTitle); });
    if (result == CMainForm::ExitResult::Close)
        Close();
    else
        ShowExitFailure(result);
}

void CGtkMainForm::SaveAndExit() {
    const CMainForm::ExitResult result = m_Form.SaveAndExit(SpeedPosition());
    if (result == CMainForm::ExitResult::Close)
        Close();
    else
        ShowExitFailure(result);
}

void CGtkMainForm::ShowExitFailure(CMainForm::ExitResult result) {
    if (result == CMainForm::ExitResult::SaveFailed)
        ShowError(GTK_WINDOW(m_Window), kSaveFailedText, "Error");
    else if (result == CMainForm::ExitResult::RestoreFailed)
        ShowError(GTK_WINDOW(m_Window), m_Saver.ErrorText().c_str(), "Error");
}

void CGtkMainForm::Save() {
    if (!m_Form.Save(SpeedPosition())) ShowError(GTK_WINDOW(m_Window), kSaveFailedText, "Error");
}

void CGtkMainForm::DefaultCommand() {
    const Answer answer = AskYesNoCancel(GTK_WINDOW(m_Window), kDefaultText, kDefaultTitle);
    // The critter tab shows settings that may have just been reset too.
    if (m_Form.Default(answer, [this] { InitControls(); })) m_Critters->Refill();
}

void CGtkMainForm::CheckForUpdates() {
    // The form keeps answering while the vendor's server is asked.
    gtk_widget_set_sensitive(m_Window, FALSE);
    std::thread([this] {
        std::string reply;
        const bool reached = DownloadVendorText(UpdatePath(kProductName, false), reply);
        OnGtkThread([this, reached, reply] {
            gtk_widget_set_sensitive(m_Window, TRUE);
            if (!reached)
                ShowError(GTK_WINDOW(m_Window), kUpdateErrorText, kUpdateErrorTitle);
            else if (UpdateReplySaysYes(reply))
                OpenWebPage(GTK_WINDOW(m_Window), VendorUrl(UpdatePath(kProductName, true)));
            else
                ShowInfo(GTK_WINDOW(m_Window), kNoUpdatesText, kNoUpdatesTitle);
        });
    }).detach();
}

void CGtkMainForm::OpenOption() {
    const int index = gtk_combo_box_get_active(GTK_COMBO_BOX(m_Options));
    const auto& entries = OptionListEntries();
    if (index > 0 && index < static_cast<int>(entries.size())) {
        auto page = m_Pages.find(OptionPageForText(entries[static_cast<size_t>(index)]));
        if (page != m_Pages.end()) page->second->Run(GTK_WINDOW(m_Window));
    }
    m_Filling = true;
    gtk_combo_box_set_active(GTK_COMBO_BOX(m_Options), 0);
    m_Filling = false;
}
