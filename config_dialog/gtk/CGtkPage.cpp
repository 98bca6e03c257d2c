#include "config_dialog/gtk/CGtkPage.h"

#include "app/CScreenSaver.h"
#include "config_dialog/gtk/GtkKit.h"
#include "xlib/XException.h"

namespace {
constexpr int kDefaultResponse = 1;
}

CGtkPage::CGtkPage(const char* title, ScenePage page, CMainFormState& form, Buttons buttons)
    : m_Saver(form.Saver()), m_Model(form, ScenePageModules(page, form.Saver())), m_Title(title), m_Buttons(buttons) {
    m_Model.SetLiveFlag(&m_Live);
}

CGtkPage::CGtkPage(const char* title, std::vector<CPageModel::Module> modules, CMainFormState& form, Buttons buttons)
    : m_Saver(form.Saver()), m_Model(form, std::move(modules)), m_Title(title), m_Buttons(buttons) {
    m_Model.SetLiveFlag(&m_Live);
}

void CGtkPage::FillQuietly() {
    m_Live = false;
    XGuard("CGtkPage::Fill", [&] { Fill(); });
    m_Live = true;
}

void CGtkPage::Refill() {
    if (m_Window) FillQuietly();
}

GtkWidget* CGtkPage::Embed(GtkWindow* owner) {
    m_Model.Open();
    m_Window = owner;
    GtkWidget* body = Build();
    FillQuietly();
    return body;
}

void CGtkPage::Run(GtkWindow* parent) {
    XGuard("CGtkPage::Run", [&] {
        GtkWidget* dialog = gtk_dialog_new();
        m_Window = GTK_WINDOW(dialog);
        gtk_window_set_title(m_Window, m_Title.c_str());
        gtk_window_set_transient_for(m_Window, parent);
        gtk_window_set_modal(m_Window, TRUE);
        gtk_window_set_resizable(m_Window, FALSE);
        gtk_window_set_position(m_Window, GTK_WIN_POS_CENTER_ON_PARENT);
        m_Model.Open();
        GtkWidget* body = Build();
        gtk_container_set_border_width(GTK_CONTAINER(body), 8);
        gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), body, TRUE, TRUE, 0);
        if (m_Buttons.defaults) {
            GtkWidget* defaults =
                gtk_dialog_add_button(GTK_DIALOG(dialog), Mnemonic(m_Buttons.defaults).c_str(), kDefaultResponse);
            // At the far left, away from OK and Cancel, as on Windows.
            GtkWidget* box = gtk_widget_get_parent(defaults);
            if (GTK_IS_BUTTON_BOX(box)) gtk_button_box_set_child_secondary(GTK_BUTTON_BOX(box), defaults, TRUE);
        }
        gtk_dialog_add_button(GTK_DIALOG(dialog), Mnemonic(m_Buttons.cancel).c_str(), GTK_RESPONSE_CANCEL);
        gtk_dialog_add_button(GTK_DIALOG(dialog), Mnemonic(m_Buttons.ok).c_str(), GTK_RESPONSE_OK);
        gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
        FillQuietly();
        gtk_widget_show_all(dialog);
        for (;;) {
            const int response = gtk_dialog_run(GTK_DIALOG(dialog));
            if (response == kDefaultResponse) {
                XGuard("CGtkPage::Default", [&] { m_Model.Default(); });
                FillQuietly();
                continue;
            }
            m_Live = false;
            if (response == GTK_RESPONSE_OK)
                XGuard("CGtkPage::Ok", [&] { m_Model.Ok(); });
            else
                XGuard("CGtkPage::Cancel", [&] { m_Model.Cancel(m_Saver.MainBackup()); });
            break;
        }
        gtk_widget_destroy(dialog);
        m_Window = nullptr;
    });
}
