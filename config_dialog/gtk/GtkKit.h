// The few GTK building blocks every settings window of the Linux view uses:
// labels in the dialog's own "&" notation, signals bound to C++ callables,
// group frames, radio groups, digit fields, scales whose range comes from a
// settings table, message boxes and file choosers. What a control means lives
// in the pages and in config_dialog/logic.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config_dialog/logic/CMainForm.h"
#include "xlib/SettingValue.h"

// A label as the Windows dialog writes it, in GTK's mnemonic notation:
// "&Save" is "_Save", "Save && exit" is "Save & exit", and a literal "_" doubles.
std::string Mnemonic(std::string_view label);
// Message texts as the Windows dialog writes them ("\r\n") for GTK ("\n").
std::string PlainLines(std::string_view text);

// Binds `handler` to a signal whose callback takes only the emitter; the
// callable lives as long as the connection.
gulong OnSignal(gpointer instance, const char* signal, std::function<void()> handler);

// Containers.
GtkWidget* Column(std::initializer_list<GtkWidget*> children, int spacing = 4);
GtkWidget* Row(std::initializer_list<GtkWidget*> children, int spacing = 6);
// A titled group ("group box") around `child`.
GtkWidget* Group(const char* title, GtkWidget* child);

// Controls. Labels are in the dialog's "&" notation.
GtkWidget* TextLabel(std::string_view text);
GtkWidget* CheckBox(std::string_view label);
GtkWidget* PushButton(std::string_view label);
// An entry that takes digits only, `chars` wide.
GtkWidget* DigitsField(int chars);
void SetField(GtkWidget* entry, const std::string& text);
std::string FieldText(GtkWidget* entry);
// A scale from `lo` to `hi` in steps of one, drawing no value of its own.
GtkWidget* Scale(GtkOrientation orientation, int lo, int hi);
// A scale over the range the settings table offers for `tag`.
template <class Table>
GtkWidget* ScaleOf(GtkOrientation orientation, const Table& table, std::string_view tag) {
    SettingInfo info;
    if (table.Describe(tag, info) && info.ranged)
        return Scale(orientation, static_cast<int>(info.lo), static_cast<int>(info.hi));
    return Scale(orientation, 0, 100);
}
int ScaleValue(GtkWidget* scale);
void SetScale(GtkWidget* scale, int value);
// A drop-down list of `entries`.
GtkWidget* DropDown(const std::vector<std::string>& entries);
void Enable(std::initializer_list<GtkWidget*> widgets, bool enable);

// Radio buttons of which one is chosen; Selected is the index of the chosen one.
class RadioGroup {
public:
    RadioGroup() = default;
    explicit RadioGroup(std::initializer_list<const char*> labels);
    // The buttons stacked (or side by side), ready to be put into a group.
    GtkWidget* Box(GtkOrientation orientation = GTK_ORIENTATION_VERTICAL) const;
    void Select(int index) const;
    int Selected() const;
    void Enable(bool enable) const;
    // `handler` runs when the user chooses another button.
    void OnChange(std::function<void()> handler) const;
    const std::vector<GtkWidget*>& Buttons() const { return m_Buttons; }

private:
    std::vector<GtkWidget*> m_Buttons;
};

// Message boxes with the dialog's captions; the texts may use "\r\n".
void ShowInfo(GtkWindow* parent, std::string_view text, std::string_view caption);
void ShowError(GtkWindow* parent, std::string_view text, std::string_view caption);
bool AskYesNo(GtkWindow* parent, std::string_view text, std::string_view caption);
Answer AskYesNoCancel(GtkWindow* parent, std::string_view text, std::string_view caption);

// A file filter: its name and its patterns ("*.bmp").
struct FileFilter {
    std::string name;
    std::vector<std::string> patterns;
};
// The files chosen in an open dialog for existing files; empty when cancelled.
std::vector<std::string> ChooseFiles(GtkWindow* parent, const char* title, const std::vector<FileFilter>& filters,
                                     bool multiple);

// Opens a web page in the user's browser, when the address is one a page may open.
void OpenWebPage(GtkWindow* parent, const std::string& url);

// ---- added for the scene, wallpaper, web and help pages ----

// Layout touches that return the widget, for use inside Column and Row: an
// indent under the switch it belongs to, room above a control that starts a
// new part of its group.
GtkWidget* Indented(GtkWidget* widget, int pixels);
GtkWidget* Spaced(GtkWidget* widget, int pixels = 8);
// `box` (a Row or Column) with `children`, already in it, taking its spare room.
GtkWidget* Growing(GtkWidget* box, std::initializer_list<GtkWidget*> children);
// Side by side in columns of one width, each filling its own.
GtkWidget* EvenRow(std::initializer_list<GtkWidget*> children, int spacing = 8);

// Hands `uri` to the program the desktop opens it with, on `parent`'s display.
// False with GIO's reason in `error` when none could be started.
bool LaunchUri(GtkWindow* parent, const std::string& uri, std::string& error);

// A single-selection list of text lines in a scrolled frame (a Windows list
// box): long lines scroll sideways rather than being cut.
class TextList {
public:
    TextList() = default;
    // The list `width` x `height` pixels (before any scaling).
    TextList(int width, int height);
    // The scrolled frame to put into a layout.
    GtkWidget* Box() const { return m_Box; }
    GtkWidget* View() const { return m_View; }
    void SetLines(const std::vector<std::string>& lines) const;
    // The selected line's index, -1 when none is selected.
    int Selection() const;

private:
    GtkWidget* m_Box = nullptr;
    GtkWidget* m_View = nullptr;
    GtkListStore* m_Store = nullptr;
};
