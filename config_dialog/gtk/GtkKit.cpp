#include "config_dialog/gtk/GtkKit.h"

#include <cctype>

#include "config_dialog/logic/ServicePageRules.h"
#include "xlib/RunLog.h"

std::string Mnemonic(std::string_view label) {
    std::string out;
    for (size_t i = 0; i < label.size(); ++i) {
        const char c = label[i];
        if (c == '&') {
            if (i + 1 < label.size() && label[i + 1] == '&') {
                out += '&';
                ++i;
            } else {
                out += '_';
            }
        } else if (c == '_') {
            out += "__";
        } else {
            out += c;
        }
    }
    return out;
}

std::string PlainLines(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

namespace {
void RunHandler(GtkWidget*, gpointer data) { (*static_cast<std::function<void()>*>(data))(); }
void FreeHandler(gpointer data, GClosure*) { delete static_cast<std::function<void()>*>(data); }

void KeepDigits(GtkEditable* editable, const gchar* text, gint length, gint* position, gpointer) {
    const std::string_view in(text, length < 0 ? std::char_traits<char>::length(text) : static_cast<size_t>(length));
    std::string digits;
    for (char c : in)
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() == in.size()) return;
    // Put in only the digits, without running this filter on them again.
    g_signal_handlers_block_by_func(editable, reinterpret_cast<gpointer>(KeepDigits), nullptr);
    gtk_editable_insert_text(editable, digits.c_str(), static_cast<gint>(digits.size()), position);
    g_signal_handlers_unblock_by_func(editable, reinterpret_cast<gpointer>(KeepDigits), nullptr);
    g_signal_stop_emission_by_name(editable, "insert-text");
}

int RunBox(GtkWindow* parent, std::string_view text, std::string_view caption, GtkMessageType type,
           GtkButtonsType buttons) {
    GtkWidget* box = gtk_message_dialog_new(parent, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT), type, buttons,
                                            "%s", PlainLines(text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), std::string(caption).c_str());
    const int response = gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    return response;
}
}  // namespace

gulong OnSignal(gpointer instance, const char* signal, std::function<void()> handler) {
    return g_signal_connect_data(instance, signal, G_CALLBACK(RunHandler), new std::function<void()>(std::move(handler)),
                                 FreeHandler, GConnectFlags(0));
}

GtkWidget* Column(std::initializer_list<GtkWidget*> children, int spacing) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, spacing);
    for (GtkWidget* child : children) gtk_box_pack_start(GTK_BOX(box), child, FALSE, FALSE, 0);
    return box;
}

GtkWidget* Row(std::initializer_list<GtkWidget*> children, int spacing) {
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, spacing);
    for (GtkWidget* child : children) gtk_box_pack_start(GTK_BOX(box), child, FALSE, FALSE, 0);
    return box;
}

GtkWidget* Group(const char* title, GtkWidget* child) {
    GtkWidget* frame = gtk_frame_new(title);
    gtk_container_set_border_width(GTK_CONTAINER(child), 6);
    gtk_container_add(GTK_CONTAINER(frame), child);
    return frame;
}

GtkWidget* TextLabel(std::string_view text) {
    GtkWidget* label = gtk_label_new_with_mnemonic(Mnemonic(text).c_str());
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    return label;
}

GtkWidget* CheckBox(std::string_view label) { return gtk_check_button_new_with_mnemonic(Mnemonic(label).c_str()); }

GtkWidget* PushButton(std::string_view label) { return gtk_button_new_with_mnemonic(Mnemonic(label).c_str()); }

GtkWidget* DigitsField(int chars) {
    GtkWidget* entry = gtk_entry_new();
    gtk_entry_set_width_chars(GTK_ENTRY(entry), chars);
    gtk_entry_set_input_purpose(GTK_ENTRY(entry), GTK_INPUT_PURPOSE_DIGITS);
    g_signal_connect(entry, "insert-text", G_CALLBACK(KeepDigits), nullptr);
    return entry;
}

void SetField(GtkWidget* entry, const std::string& text) { gtk_entry_set_text(GTK_ENTRY(entry), text.c_str()); }

std::string FieldText(GtkWidget* entry) { return gtk_entry_get_text(GTK_ENTRY(entry)); }

GtkWidget* Scale(GtkOrientation orientation, int lo, int hi) {
    GtkWidget* scale = gtk_scale_new_with_range(orientation, lo, hi, 1);
    gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
    // Arrow keys step by one; paging moves nothing, as on the Windows pages.
    gtk_range_set_increments(GTK_RANGE(scale), 1, 0);
    return scale;
}

int ScaleValue(GtkWidget* scale) { return static_cast<int>(gtk_range_get_value(GTK_RANGE(scale)) + 0.5); }

void SetScale(GtkWidget* scale, int value) { gtk_range_set_value(GTK_RANGE(scale), value); }

GtkWidget* DropDown(const std::vector<std::string>& entries) {
    GtkWidget* combo = gtk_combo_box_text_new();
    for (const std::string& entry : entries) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), entry.c_str());
    return combo;
}

void Enable(std::initializer_list<GtkWidget*> widgets, bool enable) {
    for (GtkWidget* widget : widgets) gtk_widget_set_sensitive(widget, enable);
}

RadioGroup::RadioGroup(std::initializer_list<const char*> labels) {
    GSList* group = nullptr;
    for (const char* label : labels) {
        GtkWidget* button = gtk_radio_button_new_with_mnemonic(group, Mnemonic(label).c_str());
        group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(button));
        m_Buttons.push_back(button);
    }
}

GtkWidget* RadioGroup::Box(GtkOrientation orientation) const {
    GtkWidget* box = gtk_box_new(orientation, 2);
    for (GtkWidget* button : m_Buttons) gtk_box_pack_start(GTK_BOX(box), button, FALSE, FALSE, 0);
    return box;
}

void RadioGroup::Select(int index) const {
    if (index >= 0 && index < static_cast<int>(m_Buttons.size()))
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_Buttons[static_cast<size_t>(index)]), TRUE);
}

int RadioGroup::Selected() const {
    for (size_t i = 0; i < m_Buttons.size(); ++i)
        if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_Buttons[i]))) return static_cast<int>(i);
    return 0;
}

void RadioGroup::Enable(bool enable) const {
    for (GtkWidget* button : m_Buttons) gtk_widget_set_sensitive(button, enable);
}

void RadioGroup::OnChange(std::function<void()> handler) const {
    // Each button toggles off and on; only the one turned on reports.
    for (GtkWidget* button : m_Buttons)
        OnSignal(button, "toggled", [button, handler] {
            if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button))) handler();
        });
}

void ShowInfo(GtkWindow* parent, std::string_view text, std::string_view caption) {
    RunBox(parent, text, caption, GTK_MESSAGE_INFO, GTK_BUTTONS_OK);
}

void ShowError(GtkWindow* parent, std::string_view text, std::string_view caption) {
    RunBox(parent, text, caption, GTK_MESSAGE_ERROR, GTK_BUTTONS_OK);
}

bool AskYesNo(GtkWindow* parent, std::string_view text, std::string_view caption) {
    return RunBox(parent, text, caption, GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO) == GTK_RESPONSE_YES;
}

Answer AskYesNoCancel(GtkWindow* parent, std::string_view text, std::string_view caption) {
    GtkWidget* box = gtk_message_dialog_new(parent, GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                            GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s", PlainLines(text).c_str());
    gtk_window_set_title(GTK_WINDOW(box), std::string(caption).c_str());
    gtk_dialog_add_buttons(GTK_DIALOG(box), "_Yes", GTK_RESPONSE_YES, "_No", GTK_RESPONSE_NO, "_Cancel",
                           GTK_RESPONSE_CANCEL, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(box), GTK_RESPONSE_YES);
    const int response = gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    if (response == GTK_RESPONSE_YES) return Answer::Yes;
    if (response == GTK_RESPONSE_NO) return Answer::No;
    return Answer::Cancel;
}

std::vector<std::string> ChooseFiles(GtkWindow* parent, const char* title, const std::vector<FileFilter>& filters,
                                     bool multiple) {
    GtkWidget* chooser = gtk_file_chooser_dialog_new(title, parent, GTK_FILE_CHOOSER_ACTION_OPEN, "_Cancel",
                                                     GTK_RESPONSE_CANCEL, "_Open", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), multiple ? TRUE : FALSE);
    for (const FileFilter& f : filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, f.name.c_str());
        for (const std::string& pattern : f.patterns) {
            gtk_file_filter_add_pattern(filter, pattern.c_str());
            // Linux names are case-sensitive; a camera's "IMG.JPG" is a picture too.
            std::string upper = pattern;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (upper != pattern) gtk_file_filter_add_pattern(filter, upper.c_str());
        }
        gtk_file_chooser_add_filter(GTK_FILE_CHOOSER(chooser), filter);
    }
    std::vector<std::string> chosen;
    if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
        GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(chooser));
        for (GSList* n = names; n; n = n->next) {
            chosen.emplace_back(static_cast<char*>(n->data));
            g_free(n->data);
        }
        g_slist_free(names);
    }
    gtk_widget_destroy(chooser);
    return chosen;
}

void OpenWebPage(GtkWindow* parent, const std::string& url) {
    if (!WebPageMayOpen(url)) return;
    std::string error;
    if (!LaunchUri(parent, url, error))
        WriteRunLog("Settings", (std::string("Could not open ") + url + ": " + error).c_str(), false);
}

// ---- added for the scene, wallpaper, web and help pages ----

GtkWidget* Indented(GtkWidget* widget, int pixels) {
    gtk_widget_set_margin_start(widget, pixels);
    return widget;
}

GtkWidget* Growing(GtkWidget* box, std::initializer_list<GtkWidget*> children) {
    for (GtkWidget* child : children) gtk_box_set_child_packing(GTK_BOX(box), child, TRUE, TRUE, 0, GTK_PACK_START);
    return box;
}

GtkWidget* EvenRow(std::initializer_list<GtkWidget*> children, int spacing) {
    GtkWidget* box = Growing(Row(children, spacing), children);
    gtk_box_set_homogeneous(GTK_BOX(box), TRUE);
    return box;
}

GtkWidget* Spaced(GtkWidget* widget, int pixels) {
    gtk_widget_set_margin_top(widget, pixels);
    return widget;
}

// gtk_show_uri_on_window launches asynchronously and drops the failure, so
// the launch is made here, where its error can be told.
bool LaunchUri(GtkWindow* parent, const std::string& uri, std::string& error) {
    GdkDisplay* display = parent ? gtk_widget_get_display(GTK_WIDGET(parent)) : gdk_display_get_default();
    GdkAppLaunchContext* context = gdk_display_get_app_launch_context(display);
    GError* failure = nullptr;
    const bool launched =
        g_app_info_launch_default_for_uri(uri.c_str(), G_APP_LAUNCH_CONTEXT(context), &failure) != FALSE;
    g_object_unref(context);
    if (!launched) error = failure ? failure->message : "unknown error";
    if (failure) g_error_free(failure);
    return launched;
}

TextList::TextList(int width, int height) {
    m_Store = gtk_list_store_new(1, G_TYPE_STRING);
    m_View = gtk_tree_view_new_with_model(GTK_TREE_MODEL(m_Store));
    g_object_unref(m_Store);  // the view keeps it
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(m_View), FALSE);
    gtk_tree_view_set_enable_search(GTK_TREE_VIEW(m_View), FALSE);
    gtk_tree_view_insert_column_with_attributes(GTK_TREE_VIEW(m_View), -1, "", gtk_cell_renderer_text_new(), "text", 0,
                                                nullptr);
    gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(m_View)), GTK_SELECTION_SINGLE);
    m_Box = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(m_Box), GTK_SHADOW_IN);
    gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(m_Box), GTK_POLICY_AUTOMATIC, GTK_POLICY_AUTOMATIC);
    gtk_widget_set_size_request(m_Box, width, height);
    gtk_container_add(GTK_CONTAINER(m_Box), m_View);
}

void TextList::SetLines(const std::vector<std::string>& lines) const {
    gtk_list_store_clear(m_Store);
    for (const std::string& line : lines) {
        GtkTreeIter row;
        gtk_list_store_append(m_Store, &row);
        gtk_list_store_set(m_Store, &row, 0, line.c_str(), -1);
    }
}

int TextList::Selection() const {
    GtkTreeModel* model = nullptr;
    GtkTreeIter row;
    if (!gtk_tree_selection_get_selected(gtk_tree_view_get_selection(GTK_TREE_VIEW(m_View)), &model, &row)) return -1;
    GtkTreePath* path = gtk_tree_model_get_path(model, &row);
    const int index = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
    return index;
}
