// The page pattern of config_dialog/logic as a GTK dialog: the page builds its
// controls once, fills them from the settings, writes each change into its
// module at once and reports it; OK keeps the changes, Cancel (and closing the
// window) puts this page's sections back, Default resets them and refills.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "config_dialog/logic/CPageModel.h"

class CScreenSaver;

// The labels of a page's buttons, in the dialog's "&" notation.
struct PageButtons {
    const char* ok = "OK";
    const char* cancel = "Cancel";
    // Null: the page has no Default button.
    const char* defaults = "&Default";
};

class CGtkPage {
public:
    using Buttons = PageButtons;

    CGtkPage(const char* title, ScenePage page, CMainFormState& form, Buttons buttons = Buttons());
    CGtkPage(const char* title, std::vector<CPageModel::Module> modules, CMainFormState& form,
             Buttons buttons = Buttons());
    virtual ~CGtkPage() = default;
    CGtkPage(const CGtkPage&) = delete;
    CGtkPage& operator=(const CGtkPage&) = delete;

    // Shows the page modally over `parent` until OK, Cancel or its close box.
    void Run(GtkWindow* parent);
    // The page's body without the dialog around it, for a tab of the main form:
    // built and filled once, its changes reported until the form closes.
    GtkWidget* Embed(GtkWindow* owner);
    // The settings may have changed under an embedded page (the main form's Default).
    void Refill();

protected:
    // Makes the controls (kept as members) and connects their signals.
    virtual GtkWidget* Build() = 0;
    // Sets every control from the settings, then the enable states.
    virtual void Fill() = 0;
    // Reports a change, unless the controls are being filled (the model
    // watches the live flag).
    void Changed() { m_Model.Changed(); }
    // The same for a field's new value: only a value that differs counts.
    template <class T>
    void ChangedTo(T& setting, T value) {
        if (m_Live) m_Model.ChangedTo(setting, value);
    }
    // True while Fill runs: signals from filling are no user's change.
    bool Filling() const { return !m_Live; }
    // The page's own window (the main form's, for an embedded page).
    GtkWindow* Window() const { return m_Window; }

    CScreenSaver& m_Saver;
    CPageModel m_Model;

private:
    void FillQuietly();

    std::string m_Title;
    Buttons m_Buttons;
    GtkWindow* m_Window = nullptr;
    bool m_Live = false;
};
