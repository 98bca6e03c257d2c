#include "config_dialog/gtk/ScenePages.h"

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "config_dialog/gtk/OptionPages.h"
#include "config_dialog/gtk/WallpaperPage.h"
#include "config_dialog/gtk/WebPages.h"
#include "config_dialog/logic/DialogRules.h"
#include "xlib/SettingsTable.h"
#include "xlib/XStringArray.h"

const PageButtons kOptionPageButtons{"OK", "Cancel", "Default"};

namespace {
int32_t FieldNumber(GtkWidget* field) {
    return static_cast<int32_t>(std::min<uint32_t>(DigitsValue(FieldText(field)), INT_MAX));
}

GtkWidget* ValueLabel() {
    GtkWidget* label = gtk_label_new("");
    gtk_label_set_width_chars(GTK_LABEL(label), 3);
    return label;
}

void SetNumber(GtkWidget* label, int32_t value) { gtk_label_set_text(GTK_LABEL(label), std::to_string(value).c_str()); }
}  // namespace

std::vector<std::string> ChoosePictureFiles(GtkWindow* parent) {
    return ChooseFiles(parent, "Open",
                       {{"Graphics files (*.bmp;*.jpg)", {"*.bmp", "*.jpg"}},
                        {"BMP files (*.bmp)", {"*.bmp"}},
                        {"JPEG files (*.jpg)", {"*.jpg"}}},
                       true);
}

std::vector<std::string> PictureLines(const XStringArray& pictures) {
    std::vector<std::string> lines;
    for (unsigned i = 0; i < pictures.GetCount(); ++i) lines.emplace_back(pictures.Get(i).c_str());
    return lines;
}

// ---- background and star fields ----

CGtkBackgroundPage::CGtkBackgroundPage(CMainFormState& form)
    : CGtkPage("Screen Saver Background Options", ScenePage::Background, form, kOptionPageButtons) {}

GtkWidget* CGtkBackgroundPage::Build() {
    return EvenRow({Group("Star field", BuildStars()), Group("Pictures", BuildPictures())});
}

GtkWidget* CGtkBackgroundPage::BuildStars() {
    m_StarsOn = CheckBox("Enable star field");
    OnSignal(m_StarsOn, "toggled", [this] {
        if (Filling()) return;
        m_Saver.Stars().Enabled = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_StarsOn)) != FALSE;
        StarEnables();
        Changed();
    });
    m_Type = RadioGroup({"Horizontal scrolling", "Vertical scrolling", "Warp", "Stop star field (No scroll)"});
    m_Type.OnChange([this] {
        if (Filling()) return;
        m_Saver.Stars().Type = m_Type.Selected();
        StarEnables();
        Changed();
    });
    m_Rotate = CheckBox("Rotate stars");
    OnSignal(m_Rotate, "toggled", [this] {
        if (Filling()) return;
        m_Saver.Stars().RotateStars = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_Rotate)) != FALSE;
        Changed();
    });
    m_ColourLabel = TextLabel("Star color");
    m_Colour = DropDown(StarSchemeNames());
    gtk_label_set_mnemonic_widget(GTK_LABEL(m_ColourLabel), m_Colour);
    OnSignal(m_Colour, "changed", [this] {
        if (Filling()) return;
        const int chosen = gtk_combo_box_get_active(GTK_COMBO_BOX(m_Colour));
        if (chosen < 0) return;
        m_Saver.Stars().ColorScheme = chosen;
        Changed();
    });
    m_SpeedLabel = TextLabel("Star speed");
    m_Slow = TextLabel("Slow");
    m_Fast = TextLabel("Fast");
    m_Speed = ScaleOf(GTK_ORIENTATION_HORIZONTAL, CStarFields::Settings(), "Speed");
    gtk_widget_set_size_request(m_Speed, 150, -1);
    OnSignal(m_Speed, "value-changed", [this] {
        if (Filling()) return;
        m_Model.ChangedTo(m_Saver.Stars().Speed, static_cast<int32_t>(ScaleValue(m_Speed)));
    });
    m_AmountLabel = TextLabel("Number of stars");
    m_Amount = DigitsField(10);
    gtk_widget_set_halign(m_Amount, GTK_ALIGN_START);
    gtk_label_set_mnemonic_widget(GTK_LABEL(m_AmountLabel), m_Amount);
    OnSignal(m_Amount, "changed", [this] {
        if (Filling()) return;
        ChangedTo(m_Saver.Stars().Amount, FieldNumber(m_Amount));
    });
    return Column({m_StarsOn, Indented(m_Type.Box(), 18), Indented(m_Rotate, 36), Spaced(m_ColourLabel, 10), m_Colour,
                   Spaced(m_SpeedLabel, 10), Growing(Row({m_Slow, m_Speed, m_Fast}), {m_Speed}), Spaced(m_AmountLabel, 10), m_Amount},
                  4);
}

GtkWidget* CGtkBackgroundPage::BuildPictures() {
    m_PicsOn = CheckBox("Enable picture cycling");
    OnSignal(m_PicsOn, "toggled", [this] {
        if (Filling()) return;
        m_Saver.BgBitmap().CyclePictures = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_PicsOn)) != FALSE;
        PictureEnables();
        Changed();
    });
    m_Add = PushButton("Click here to add pictures");
    m_Remove = PushButton("Remove");
    OnSignal(m_Add, "clicked", [this] { AddPictures(); });
    OnSignal(m_Remove, "clicked", [this] { RemovePicture(); });
    m_List = TextList(250, 110);
    m_EveryLabel = TextLabel("Select a new picture every");
    m_Minutes = ScaleOf(GTK_ORIENTATION_HORIZONTAL, CBgBitmap::Settings(), "CycleMin");
    gtk_widget_set_size_request(m_Minutes, 160, -1);
    m_MinutesLabel = TextLabel(MinutesLabel(1));
    gtk_label_set_width_chars(GTK_LABEL(m_MinutesLabel), 10);
    OnSignal(m_Minutes, "value-changed", [this] {
        if (Filling()) return;
        const int minutes = ScaleValue(m_Minutes);
        gtk_label_set_text(GTK_LABEL(m_MinutesLabel), MinutesLabel(minutes).c_str());
        m_Model.ChangedTo(m_Saver.BgBitmap().CycleMin, static_cast<uint32_t>(minutes));
    });
    m_Style = RadioGroup({"Fit pictures to screen", "Bounce pictures"});
    m_Style.OnChange([this] {
        if (Filling()) return;
        m_Saver.BgBitmap().PictureStyle = m_Style.Selected();
        Changed();
    });
    m_CycleColor = CheckBox("Cycle picture color");
    OnSignal(m_CycleColor, "toggled", [this] {
        if (Filling()) return;
        m_Saver.BgBitmap().CycleColor = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_CycleColor)) != FALSE;
        Changed();
    });
    return Column({m_PicsOn, Growing(Row({m_Add, m_Remove}), {m_Add}), m_List.Box(), Spaced(m_EveryLabel), Growing(Row({m_Minutes, m_MinutesLabel}), {m_Minutes}),
                   Spaced(m_Style.Box()), Spaced(m_CycleColor)},
                  4);
}

void CGtkBackgroundPage::Fill() {
    const CStarFields& s = m_Saver.Stars();
    const CBgBitmap& b = m_Saver.BgBitmap();
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_StarsOn), s.Enabled);
    m_Type.Select(std::clamp<int32_t>(s.Type, 0, 3));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_Rotate), s.RotateStars);
    // A scheme the list does not hold shows no entry, as on Windows.
    const bool known = s.ColorScheme >= 0 && s.ColorScheme < static_cast<int32_t>(StarSchemeNames().size());
    gtk_combo_box_set_active(GTK_COMBO_BOX(m_Colour), known ? s.ColorScheme : -1);
    SetScale(m_Speed, s.Speed);
    SetField(m_Amount, std::to_string(s.Amount));
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_PicsOn), b.CyclePictures);
    m_List.SetLines(PictureLines(b.Pictures));
    SetScale(m_Minutes, static_cast<int>(b.CycleMin));
    gtk_label_set_text(GTK_LABEL(m_MinutesLabel), MinutesLabel(static_cast<int32_t>(b.CycleMin)).c_str());
    m_Style.Select(b.PictureStyle == 0 ? 0 : 1);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_CycleColor), b.CycleColor);
    StarEnables();
    PictureEnables();
}

void CGtkBackgroundPage::StarEnables() {
    const ::StarEnables e = StarEnableStates(m_Saver.Stars().Enabled, m_Saver.Stars().Type);
    m_Type.Enable(e.typeRadios);
    Enable({m_Colour, m_ColourLabel}, e.colour);
    Enable({m_Amount, m_AmountLabel}, e.amount);
    Enable({m_Speed, m_SpeedLabel, m_Slow, m_Fast}, e.speed);
    Enable({m_Rotate}, e.rotate);
}

void CGtkBackgroundPage::PictureEnables() {
    const ::PictureEnables e =
        PictureEnableStates(m_Saver.BgBitmap().CyclePictures, m_Saver.BgBitmap().Pictures.GetCount());
    Enable({m_Add, m_List.Box(), m_Minutes, m_MinutesLabel, m_EveryLabel, m_CycleColor}, e.controls);
    m_Style.Enable(e.controls);
    Enable({m_Remove}, e.remove);
}

void CGtkBackgroundPage::AddPictures() {
    const std::vector<std::string> paths = ChoosePictureFiles(Window());
    if (paths.empty()) return;
    ::AddPictures(m_Saver.BgBitmap(), paths);
    m_List.SetLines(PictureLines(m_Saver.BgBitmap().Pictures));
    PictureEnables();
    Changed();
}

void CGtkBackgroundPage::RemovePicture() {
    if (!::RemovePicture(m_Saver.BgBitmap(), m_List.Selection())) {
        ShowError(Window(), kRemovePictureText, "Error");
        return;
    }
    m_List.SetLines(PictureLines(m_Saver.BgBitmap().Pictures));
    PictureEnables();
    Changed();
}

// ---- rendering ----

CGtkRenderingPage::CGtkRenderingPage(CMainFormState& form)
    : CGtkPage("Screen Saver Rendering Options", ScenePage::Rendering, form, kOptionPageButtons) {}

GtkWidget* CGtkRenderingPage::Build() {
    m_Style = RadioGroup({"Wireframe", "Flat", "Smooth"});
    m_Detail = RadioGroup({"High (Slower)", "Medium", "Low (Faster)"});
    m_Style.OnChange([this] {
        if (Filling()) return;
        m_Saver.General().RenderStyle = static_cast<uint32_t>(m_Style.Selected());
        Changed();
    });
    m_Detail.OnChange([this] {
        if (Filling()) return;
        m_Saver.General().PolygonDetail = static_cast<uint32_t>(m_Detail.Selected());
        Changed();
    });
    GtkWidget* style = Group("Render style", m_Style.Box());
    GtkWidget* detail = Group("Polygon detail", m_Detail.Box());
    for (GtkWidget* box : {gtk_bin_get_child(GTK_BIN(style)), gtk_bin_get_child(GTK_BIN(detail))})
        gtk_box_set_spacing(GTK_BOX(box), 8);
    return EvenRow({style, detail});
}

void CGtkRenderingPage::Fill() {
    const CGeneralConfig& g = m_Saver.General();
    m_Style.Select(static_cast<int>(std::min<uint32_t>(g.RenderStyle, 2)));
    m_Detail.Select(static_cast<int>(std::min<uint32_t>(g.PolygonDetail, 2)));
}

// ---- special effects ----

CGtkEffectsPage::CGtkEffectsPage(CMainFormState& form)
    : CGtkPage("Special Effects", ScenePage::Effects, form, kOptionPageButtons) {}

GtkWidget* CGtkEffectsPage::Build() {
    // Each scale offers the range its setting's table row gives, and writes
    // its setting as it moves.
    struct Bar {
        GtkWidget** scale;
        const char* tag;
        GtkOrientation orientation;
        int32_t CEffects::*setting;
    };
    const Bar bars[] = {{&m_LifeTime, "Emitters/LifeTime", GTK_ORIENTATION_HORIZONTAL, &CEffects::LifeTime},
                        {&m_Intensity, "Emitters/Intensity", GTK_ORIENTATION_HORIZONTAL, &CEffects::Intensity},
                        {&m_Detail, "Emitters/Detail", GTK_ORIENTATION_HORIZONTAL, &CEffects::Detail},
                        {&m_Size, "Emitters/Size", GTK_ORIENTATION_HORIZONTAL, &CEffects::Size},
                        {&m_BlurAmount, "MotionBlur/Amount", GTK_ORIENTATION_HORIZONTAL, &CEffects::BlurAmount},
                        {&m_Density, "Fog/Density", GTK_ORIENTATION_HORIZONTAL, &CEffects::FogDensity},
                        {&m_Red, "Fog/Red", GTK_ORIENTATION_VERTICAL, &CEffects::FogRed},
                        {&m_Green, "Fog/Green", GTK_ORIENTATION_VERTICAL, &CEffects::FogGreen},
                        {&m_Blue, "Fog/Blue", GTK_ORIENTATION_VERTICAL, &CEffects::FogBlue}};
    for (const Bar& b : bars) {
        GtkWidget* scale = ScaleOf(b.orientation, CEffects::Settings(), b.tag);
        *b.scale = scale;
        if (b.orientation == GTK_ORIENTATION_HORIZONTAL) gtk_widget_set_size_request(scale, 160, -1);
        const bool colour = b.orientation == GTK_ORIENTATION_VERTICAL;
        OnSignal(scale, "value-changed", [this, scale, setting = b.setting, colour] {
            if (Filling()) return;
            int32_t& value = m_Saver.Effects().*setting;
            if (!m_Model.ChangedTo(value, static_cast<int32_t>(ScaleValue(scale)))) return;
            ShowValues();
            // An unchanged colour repaints nothing.
            if (colour) gtk_widget_queue_draw(m_Sample);
        });
    }
    m_Blur = CheckBox("Enable motion blur");
    m_Fog = CheckBox("Enable fog/haze");
    const std::pair<GtkWidget*, bool CEffects::*> boxes[] = {{m_Blur, &CEffects::MotionBlur}, {m_Fog, &CEffects::Fog}};
    for (const auto& [box, setting] : boxes)
        OnSignal(box, "toggled", [this, box = box, setting = setting] {
            if (Filling()) return;
            m_Saver.Effects().*setting = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) != FALSE;
            Enables();
            Changed();
        });
    GtkWidget* left = Column({BuildEmitters(), BuildBlur()}, 8);
    return Row({left, BuildFog()}, 8);
}

GtkWidget* CGtkEffectsPage::BuildEmitters() {
    GtkWidget* note =
        TextLabel("You must select \"emitters\" on the main configuration window to enable this section.");
    gtk_label_set_line_wrap(GTK_LABEL(note), TRUE);
    gtk_label_set_max_width_chars(GTK_LABEL(note), 44);
    // The bars without end labels line up with those that have them.
    auto bare = [](GtkWidget* scale) {
        GtkWidget* before = TextLabel("Less");
        GtkWidget* after = TextLabel("More");
        gtk_widget_set_opacity(before, 0);
        gtk_widget_set_opacity(after, 0);
        return Growing(Row({before, scale, after}), {scale});
    };
    GtkWidget* less = TextLabel("Less");
    GtkWidget* more = TextLabel("More");
    GtkWidget* small = TextLabel("Small");
    GtkWidget* large = TextLabel("Large");
    // Equal end labels keep the four bars the same length.
    GtkSizeGroup* ends = gtk_size_group_new(GTK_SIZE_GROUP_HORIZONTAL);
    for (GtkWidget* label : {less, more, small, large}) gtk_size_group_add_widget(ends, label);
    GtkWidget* intensity = bare(m_Intensity);
    GtkWidget* detail = bare(m_Detail);
    for (GtkWidget* row : {intensity, detail}) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(row));
        gtk_size_group_add_widget(ends, GTK_WIDGET(children->data));
        gtk_size_group_add_widget(ends, GTK_WIDGET(g_list_last(children)->data));
        g_list_free(children);
    }
    g_object_unref(ends);
    return Group("Emitters", Column({note, Spaced(TextLabel("Lifetime"), 6), Growing(Row({less, m_LifeTime, more}), {m_LifeTime}),
                                     TextLabel("Intensity"), intensity, TextLabel("Detail"), detail, TextLabel("Size"),
                                     Growing(Row({small, m_Size, large}), {m_Size})},
                                    2));
}

GtkWidget* CGtkEffectsPage::BuildBlur() {
    GtkWidget* amount = TextLabel("Blur amount:");
    GtkWidget* less = TextLabel("<- Less blur");
    GtkWidget* more = TextLabel("More blur ->");
    m_BlurValue = TextLabel("3");
    m_BlurLabels = {amount, less, more, m_BlurValue, m_BlurAmount};
    return Group("Motion blur", Column({m_Blur, Spaced(Row({amount, m_BlurValue}), 4),
                                        Growing(Row({less, m_BlurAmount, more}), {m_BlurAmount})},
                                       4));
}

GtkWidget* CGtkEffectsPage::BuildFog() {
    GtkWidget* density = TextLabel("Fog density");
    GtkWidget* colour = TextLabel("Fog color");
    m_DensityValue = ValueLabel();
    m_RedValue = ValueLabel();
    m_GreenValue = ValueLabel();
    m_BlueValue = ValueLabel();
    // R, G and B: a letter over each vertical bar, its value under it.
    GtkWidget* colours = gtk_grid_new();
    gtk_grid_set_column_spacing(GTK_GRID(colours), 6);
    gtk_grid_set_row_spacing(GTK_GRID(colours), 2);
    const std::pair<const char*, GtkWidget*> channels[] = {{"R", m_Red}, {"G", m_Green}, {"B", m_Blue}};
    GtkWidget* const values[] = {m_RedValue, m_GreenValue, m_BlueValue};
    m_FogLabels = {density, colour, m_DensityValue, m_Density};
    for (int i = 0; i < 3; ++i) {
        GtkWidget* letter = gtk_label_new(channels[i].first);
        GtkWidget* bar = channels[i].second;
        gtk_widget_set_size_request(bar, -1, 150);
        gtk_widget_set_halign(bar, GTK_ALIGN_CENTER);
        gtk_grid_attach(GTK_GRID(colours), letter, i, 0, 1, 1);
        gtk_grid_attach(GTK_GRID(colours), bar, i, 1, 1, 1);
        gtk_grid_attach(GTK_GRID(colours), values[i], i, 2, 1, 1);
        m_FogLabels.insert(m_FogLabels.end(), {letter, bar, values[i]});
    }
    m_Sample = gtk_drawing_area_new();
    gtk_widget_set_size_request(m_Sample, 130, 150);
    gtk_widget_set_valign(m_Sample, GTK_ALIGN_START);
    g_signal_connect(m_Sample, "draw", G_CALLBACK(DrawSample), this);
    gtk_grid_attach(GTK_GRID(colours), m_Sample, 3, 1, 1, 1);
    gtk_widget_set_margin_start(m_Sample, 10);
    return Group("Fog / haze", Column({m_Fog, Spaced(density, 6), Row({m_Density, m_DensityValue}), Spaced(colour, 6),
                                       colours},
                                      4));
}

void CGtkEffectsPage::Fill() {
    const CEffects& e = m_Saver.Effects();
    const std::pair<GtkWidget*, int32_t> positions[] = {
        {m_LifeTime, e.LifeTime},     {m_Intensity, e.Intensity}, {m_Detail, e.Detail},
        {m_Size, e.Size},             {m_BlurAmount, e.BlurAmount}, {m_Density, e.FogDensity},
        {m_Red, e.FogRed},            {m_Green, e.FogGreen},      {m_Blue, e.FogBlue}};
    for (const auto& [scale, value] : positions) SetScale(scale, value);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_Blur), e.MotionBlur);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_Fog), e.Fog);
    ShowValues();
    Enables();
    gtk_widget_queue_draw(m_Sample);
}

void CGtkEffectsPage::ShowValues() {
    const CEffects& e = m_Saver.Effects();
    SetNumber(m_BlurValue, e.BlurAmount);
    SetNumber(m_DensityValue, e.FogDensity);
    SetNumber(m_RedValue, e.FogRed);
    SetNumber(m_GreenValue, e.FogGreen);
    SetNumber(m_BlueValue, e.FogBlue);
}

void CGtkEffectsPage::Enables() {
    for (GtkWidget* w : m_BlurLabels) gtk_widget_set_sensitive(w, m_Saver.Effects().MotionBlur);
    for (GtkWidget* w : m_FogLabels) gtk_widget_set_sensitive(w, m_Saver.Effects().Fog);
}

// The fog colour as the settings hold it (each channel's low byte, as the
// Windows page paints it), in a black frame.
gboolean CGtkEffectsPage::DrawSample(GtkWidget* area, cairo_t* cr, gpointer page) {
    const CEffects& e = static_cast<CGtkEffectsPage*>(page)->m_Saver.Effects();
    const double w = gtk_widget_get_allocated_width(area), h = gtk_widget_get_allocated_height(area);
    cairo_set_source_rgb(cr, (e.FogRed & 255) / 255.0, (e.FogGreen & 255) / 255.0, (e.FogBlue & 255) / 255.0);
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    return TRUE;
}

// ---- the option pages this file's neighbours build ----

void AddScenePages(OptionPageSet& pages, CMainFormState& form) {
    auto background = std::make_unique<CGtkBackgroundPage>(form);
    CGtkBackgroundPage& backgroundPage = *background;
    pages[OptionPage::Background] = std::move(background);
    pages[OptionPage::Rendering] = std::make_unique<CGtkRenderingPage>(form);
    pages[OptionPage::Effects] = std::make_unique<CGtkEffectsPage>(form);
    pages[OptionPage::Wallpaper] = std::make_unique<CGtkWallpaperPage>(form, backgroundPage);
    pages[OptionPage::Internet] = std::make_unique<CGtkInternetPage>(form);
    pages[OptionPage::Weather] = std::make_unique<CGtkWeatherPage>(form);
}
