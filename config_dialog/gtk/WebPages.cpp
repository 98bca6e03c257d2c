#include "config_dialog/gtk/WebPages.h"

#include "app/CScreenSaver.h"
#include "config_dialog/gtk/OptionPages.h"
#include "config_dialog/logic/ServicePageRules.h"
#include "services/CInternet.h"
#include "services/CWeatherData.h"
#include "services/VendorService.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

// ---- internet ----

CGtkInternetPage::CGtkInternetPage(CMainFormState& form)
    : CGtkPage("Internet", {PageModule(form.Saver().Internet())}, form, kOptionPageButtons) {}

GtkWidget* CGtkInternetPage::Build() {
    CInternet& n = m_Saver.Internet();
    const std::pair<const char*, bool*> boxes[] = {
        {"Notify me of new Tallow Fen Software products", &n.NotifyProducts},
        {"Notify me of any product updates or security patches", &n.NotifyUpdates},
        {"Display any Tallow Fen Software news", &n.DisplayNews},
        {"Ask me if I want to see the cool site of the day", &n.AskCoolSite},
        {"Display United States news headlines", &n.NewsUS},
        {"Display International news headlines", &n.NewsIntl}};
    m_Boxes.clear();
    GtkWidget* column = Column({}, 4);
    for (const auto& [label, setting] : boxes) {
        GtkWidget* box = CheckBox(label);
        OnSignal(box, "toggled", [this, box, setting = setting] {
            if (Filling()) return;
            *setting = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) != FALSE;
            Changed();
        });
        gtk_box_pack_start(GTK_BOX(column), box, FALSE, FALSE, 0);
        m_Boxes.emplace_back(box, setting);
    }
    return Group("When the screen saver closes", column);
}

void CGtkInternetPage::Fill() {
    for (const auto& [box, setting] : m_Boxes) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(box), *setting);
}

// ---- weather ----

CGtkWeatherPage::CGtkWeatherPage(CMainFormState& form)
    : CGtkPage("Weather Data", {PageModule(form.Saver().Weather())}, form, kOptionPageButtons) {}

GtkWidget* CGtkWeatherPage::Build() {
    GtkWidget* zipLabel = TextLabel("Zip code:");
    m_Zip = DigitsField(7);
    // A United States zip code has five digits.
    gtk_entry_set_max_length(GTK_ENTRY(m_Zip), 5);
    gtk_label_set_mnemonic_widget(GTK_LABEL(zipLabel), m_Zip);
    OnSignal(m_Zip, "changed", [this] {
        if (Filling()) return;
        CWeatherData& w = m_Saver.Weather();
        // Typing is held to digits by the field; pasted text is filtered here.
        const std::string zip = DigitsOnly(FieldText(m_Zip));
        if (zip == w.ZipCode.c_str()) return;
        w.ZipCode = zip.c_str();
        Changed();
    });
    m_Temp = CheckBox("Display the temperature");
    OnSignal(m_Temp, "toggled", [this] {
        if (Filling()) return;
        m_Saver.Weather().DisplayTemp = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_Temp)) != FALSE;
        Changed();
    });
    // The overlay draws only the temperature: these stay disabled.
    GtkWidget* conditions = CheckBox("Display the current conditions");
    GtkWidget* forecast = CheckBox("Display the forecast");
    GtkWidget* alerts = CheckBox("Display severe weather alerts");
    Enable({conditions, forecast, alerts}, false);
    // The provider's credit line on a button of its own, wrapped and centred.
    m_Provider = gtk_button_new();
    GtkWidget* credit = gtk_label_new("");
    gtk_label_set_line_wrap(GTK_LABEL(credit), TRUE);
    gtk_label_set_justify(GTK_LABEL(credit), GTK_JUSTIFY_CENTER);
    gtk_label_set_max_width_chars(GTK_LABEL(credit), 56);
    gtk_container_add(GTK_CONTAINER(m_Provider), credit);
    OnSignal(m_Provider, "clicked", [this] {
        const CWeatherData& w = m_Saver.Weather();
        if (!w.ProviderUrl.IsEmpty()) OpenWebPage(Window(), w.ProviderUrl.c_str());
    });
    GtkWidget* weather =
        Group("Weather", Column({Row({zipLabel, m_Zip}), Spaced(m_Temp, 4), conditions, forecast, alerts}, 4));
    return Column({weather, m_Provider}, 8);
}

void CGtkWeatherPage::Fill() {
    const CWeatherData& w = m_Saver.Weather();
    SetField(m_Zip, w.ZipCode.c_str());
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_Temp), w.DisplayTemp);
    gtk_label_set_text(GTK_LABEL(gtk_bin_get_child(GTK_BIN(m_Provider))), w.ProviderText.c_str());
}

// ---- help ----

std::string HelpPageUri() {
    const std::string page = InstallDir() + "Help.htm";
    gchar* uri = g_filename_to_uri(page.c_str(), nullptr, nullptr);
    std::string out = uri ? uri : "file://" + page;
    g_free(uri);
    return out;
}

namespace {
enum HelpResponse { kViewHelp = 1, kOnlineSupport = 2 };

// The help page in the user's browser. A page that is not there, or one no
// program can show, gets the Windows error box with the reason.
void ViewHelpFile(GtkWindow* window) {
    const std::string uri = HelpPageUri();
    gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    const bool present = path && g_file_test(path, G_FILE_TEST_IS_REGULAR);
    g_free(path);
    std::string reason = "No such file";
    if (present && LaunchUri(window, uri, reason)) return;
    ShowError(window, HelpLaunchErrorText("\r\n" + uri + "\r\nError: " + reason), kHelpLaunchErrorTitle);
}

GtkWidget* SupportText() {
    GtkWidget* text = gtk_text_view_new();
    gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(text)), PlainLines(kHelpSupportText).c_str(), -1);
    gtk_text_view_set_editable(GTK_TEXT_VIEW(text), FALSE);
    gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(text), FALSE);
    gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(text), GTK_WRAP_WORD);
    gtk_text_view_set_left_margin(GTK_TEXT_VIEW(text), 4);
    gtk_text_view_set_right_margin(GTK_TEXT_VIEW(text), 4);
    // Out of the tab order, as on Windows: the buttons take the keys.
    gtk_widget_set_can_focus(text, FALSE);
    GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scrolled), GTK_SHADOW_IN);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER, GTK_POLICY_ALWAYS);
    gtk_widget_set_size_request(scrolled, 440, 200);
    gtk_container_add(GTK_CONTAINER(scrolled), text);
    return scrolled;
}
}  // namespace

void RunHelpWindow(GtkWindow* parent) {
    XGuard("RunHelpWindow", [&] {
        GtkWidget* dialog = gtk_dialog_new();
        GtkWindow* window = GTK_WINDOW(dialog);
        gtk_window_set_title(window, "Help");
        gtk_window_set_transient_for(window, parent);
        gtk_window_set_modal(window, TRUE);
        gtk_window_set_resizable(window, FALSE);
        gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
        GtkWidget* body = SupportText();
        gtk_container_set_border_width(GTK_CONTAINER(body), 8);
        gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), body, TRUE, TRUE, 0);
        // The two launchers at the left, as on Windows; OK at the right.
        for (const auto& [label, response] :
             {std::pair<const char*, int>{"View help file", kViewHelp}, {"Online support", kOnlineSupport}}) {
            GtkWidget* button = gtk_dialog_add_button(GTK_DIALOG(dialog), Mnemonic(label).c_str(), response);
            GtkWidget* area = gtk_widget_get_parent(button);
            if (GTK_IS_BUTTON_BOX(area)) gtk_button_box_set_child_secondary(GTK_BUTTON_BOX(area), button, TRUE);
        }
        gtk_dialog_add_button(GTK_DIALOG(dialog), "OK", GTK_RESPONSE_OK);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        gtk_widget_show_all(dialog);
        gtk_widget_grab_focus(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK));
        for (;;) {
            const int response = gtk_dialog_run(GTK_DIALOG(dialog));
            if (response == kViewHelp)
                XGuard("RunHelpWindow view", [&] { ViewHelpFile(window); });
            else if (response == kOnlineSupport)
                OpenWebPage(window, Vendor::Url(Vendor::kSupportPath));
            else
                break;
        }
        gtk_widget_destroy(dialog);
    });
}
