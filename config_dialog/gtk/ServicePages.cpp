#include "config_dialog/gtk/ServicePages.h"

#include <algorithm>
#include <memory>

#include "config_dialog/gtk/EmailPage.h"
#include "config_dialog/gtk/OptionPages.h"
#include "config_dialog/gtk/TimeSoundPages.h"
#include "config_dialog/logic/TimeSoundRules.h"

void AddServicePages(OptionPageSet& pages, CMainFormState& form) {
    pages[OptionPage::DateTime] = std::make_unique<CGtkDateTimePage>(form);
    pages[OptionPage::Reminders] = std::make_unique<CGtkRemindersPage>(form);
    pages[OptionPage::VideoMode] = std::make_unique<CGtkVideoModePage>(form);
    pages[OptionPage::Sound] = std::make_unique<CGtkSoundPage>(form);
    pages[OptionPage::Email] = std::make_unique<CGtkEmailPage>(form);
}

namespace {
// Runs `body` with `flag` set, so that the signals it fires are not taken for
// the user's.
template <class F>
void Quietly(bool& flag, F&& body) {
    const bool was = flag;
    flag = true;
    body();
    flag = was;
}
}  // namespace

// ---- drop-downs ----

GtkWidget* CChoice::Make(const std::vector<std::string>& entries) {
    m_Box = gtk_combo_box_text_new();
    SetEntries(entries);
    return m_Box;
}

void CChoice::SetEntries(const std::vector<std::string>& entries) {
    Quietly(m_Quiet, [&] {
        m_Entries = entries;
        gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(m_Box));
        for (const std::string& entry : m_Entries)
            gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(m_Box), entry.c_str());
    });
}

void CChoice::Choose(int index) const {
    Quietly(m_Quiet,
            [&] { gtk_combo_box_set_active(GTK_COMBO_BOX(m_Box), index >= 0 && index < Count() ? index : -1); });
}

int CChoice::Selection() const { return gtk_combo_box_get_active(GTK_COMBO_BOX(m_Box)); }

const std::string& CChoice::Entry(int index) const {
    static const std::string none;
    return index >= 0 && index < Count() ? m_Entries[static_cast<size_t>(index)] : none;
}

void CChoice::OnPick(std::function<void()> handler) {
    OnSignal(m_Box, "changed", [this, handler = std::move(handler)] {
        if (!m_Quiet && Selection() >= 0) handler();
    });
}

void CDateChoice::Make() {
    m_Month.Make(MonthTexts());
    m_Day.Make();
    m_Year.Make();
}

void CDateChoice::Show(int year, int month, int day) {
    m_Years = YearChoices(year);
    m_Year.SetEntries(m_Years.Texts());
    m_Year.Choose(m_Years.IndexOf(year));
    m_Month.Choose(std::clamp(month, 1, 12) - 1);
    FillDays(day);
}

int CDateChoice::Year() const { return m_Years.YearAt(m_Year.Selection()); }

void CDateChoice::FillDays(int day) {
    const int month = std::max(Month(), 1);
    m_Day.SetEntries(DayTexts(Year(), month));
    m_Day.Choose(ClampDay(Year(), month, day) - 1);
}

void CDateChoice::OnPick(std::function<void()> handler) {
    m_Month.OnPick([this, handler] {
        FillDays(Day());
        handler();
    });
    m_Year.OnPick([this, handler] {
        FillDays(Day());
        handler();
    });
    m_Day.OnPick(handler);
}

void CTimeChoice::Make() {
    m_Hour.Make(HourTexts());
    m_Minute.Make(MinuteTexts());
    m_AmPm.Make(AmPmTexts());
}

void CTimeChoice::Show(int hour12, int minute, bool pm) const {
    m_Hour.Choose(hour12 - 1);
    m_Minute.Choose(minute);
    m_AmPm.Choose(pm ? 1 : 0);
}

void CTimeChoice::OnPick(const std::function<void()>& handler) {
    m_Hour.OnPick(handler);
    m_Minute.OnPick(handler);
    m_AmPm.OnPick(handler);
}

// ---- list box ----

GtkWidget* CTextList::Make(int width, int height, bool fixedPitch) {
    m_Store = gtk_list_store_new(1, G_TYPE_STRING);
    m_View = gtk_tree_view_new_with_model(GTK_TREE_MODEL(m_Store));
    g_object_unref(m_Store);
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(m_View), FALSE);
    GtkCellRenderer* text = gtk_cell_renderer_text_new();
    if (fixedPitch) g_object_set(text, "family", "Monospace", nullptr);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(m_View), -1, "", text, "text", 0, nullptr);
    GtkWidget* scroll = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroll), GTK_SHADOW_IN);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroll), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_widget_set_size_request(scroll, width, height);
    gtk_container_add(GTK_CONTAINER(scroll), m_View);
    return scroll;
}

void CTextList::SetLines(const std::vector<std::string>& lines) {
    Quietly(m_Quiet, [&] {
        gtk_list_store_clear(m_Store);
        for (const std::string& line : lines)
            gtk_list_store_insert_with_values(m_Store, nullptr, -1, 0, line.c_str(), -1);
    });
}

void CTextList::Select(int index) const {
    Quietly(m_Quiet, [&] {
        GtkTreeSelection* selection = gtk_tree_view_get_selection(GTK_TREE_VIEW(m_View));
        gtk_tree_selection_unselect_all(selection);
        if (index < 0 || index >= Count()) return;
        GtkTreePath* path = gtk_tree_path_new_from_indices(index, -1);
        gtk_tree_selection_select_path(selection, path);
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(m_View), path, nullptr, FALSE);
        gtk_tree_path_free(path);
    });
}

int CTextList::Selection() const {
    GtkTreeModel* model = nullptr;
    GtkTreeIter iter;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(m_View)), &model, &iter)) return -1;
    GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
    const int index = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return index;
}

int CTextList::Count() const { return gtk_tree_model_iter_n_children(GTK_TREE_MODEL(m_Store), nullptr); }

std::string CTextList::Line(int index) const {
    GtkTreeIter iter;
    if (index < 0 || !gtk_tree_model_iter_nth_child(GTK_TREE_MODEL(m_Store), &iter, nullptr, index)) return {};
    gchar* text = nullptr;
    gtk_tree_model_get(GTK_TREE_MODEL(m_Store), &iter, 0, &text, -1);
    std::string line = text ? text : "";
    g_free(text);
    return line;
}

void CTextList::OnSelect(std::function<void()> handler) {
    OnSignal(gtk_tree_view_get_selection(GTK_TREE_VIEW(m_View)), "changed", [this, handler = std::move(handler)] {
        if (!m_Quiet) handler();
    });
}

void CTextList::ActivatesDefault(GtkWindow* window) {
    OnSignal(m_View, "row-activated", [window] { gtk_window_activate_default(window); });
}

// ---- radio buttons ----

void CRadioChoice::Make(std::initializer_list<const char*> labels) {
    m_Group = RadioGroup(labels);
    m_None = gtk_radio_button_new_from_widget(GTK_RADIO_BUTTON(m_Group.Buttons().front()));
    gtk_widget_set_no_show_all(m_None, TRUE);
}

GtkWidget* CRadioChoice::Box(GtkOrientation orientation) const {
    GtkWidget* box = m_Group.Box(orientation);
    if (orientation == GTK_ORIENTATION_HORIZONTAL) gtk_box_set_spacing(GTK_BOX(box), 12);
    gtk_box_pack_start(GTK_BOX(box), m_None, FALSE, FALSE, 0);
    return box;
}

void CRadioChoice::Select(int index) const {
    if (index >= 0 && index < static_cast<int>(m_Group.Buttons().size()))
        m_Group.Select(index);
    else
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_None), TRUE);
}

int CRadioChoice::Selected() const {
    return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_None)) ? -1 : m_Group.Selected();
}

// ---- wave files ----

bool ChooseWaveFile(GtkWindow* owner, std::string& path) {
    const std::vector<std::string> chosen = ChooseFiles(owner, "Open", {{"Wav files (*.wav)", {"*.wav"}}}, false);
    if (chosen.empty()) return false;
    path = chosen.front();
    return true;
}

GtkWidget* PathLabel(int widthChars) {
    GtkWidget* label = gtk_label_new("");
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_MIDDLE);
    gtk_label_set_width_chars(GTK_LABEL(label), widthChars);
    gtk_label_set_max_width_chars(GTK_LABEL(label), widthChars);
    return label;
}
