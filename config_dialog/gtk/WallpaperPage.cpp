#include "config_dialog/gtk/WallpaperPage.h"

#include <algorithm>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/DialogRules.h"
#include "services/CWallPaper.h"

CGtkWallpaperPage::CGtkWallpaperPage(CMainFormState& form, CGtkBackgroundPage& background)
    : CGtkPage("Desktop Wallpaper", {PageModule(form.Saver().Wallpaper())}, form, kOptionPageButtons),
      m_Background(background) {}

GtkWidget* CGtkWallpaperPage::Build() {
    m_Type = RadioGroup({"Leave my desktop wallpaper alone.",
                         "Use the last rendered screen saver screen shot as my wallpaper.",
                         "Use one of my set background pictures for my wallpaper.",
                         "Use one of the pictures listed below for my wallpaper:"});
    m_Type.OnChange([this] {
        if (Filling()) return;
        m_Saver.Wallpaper().Type = static_cast<uint32_t>(m_Type.Selected());
        Changed();
    });
    // The background page keeps its own OK and Cancel for its sections.
    GtkWidget* edit = PushButton("Edit current list");
    OnSignal(edit, "clicked", [this] { m_Background.Run(Window()); });
    // "Edit current list" beside the radio it belongs to.
    GtkWidget* types = gtk_grid_new();
    gtk_grid_set_row_spacing(GTK_GRID(types), 2);
    gtk_grid_set_column_spacing(GTK_GRID(types), 24);
    for (size_t i = 0; i < m_Type.Buttons().size(); ++i)
        gtk_grid_attach(GTK_GRID(types), m_Type.Buttons()[i], 0, static_cast<int>(i), 1, 1);
    gtk_widget_set_hexpand(m_Type.Buttons()[0], TRUE);
    gtk_widget_set_valign(edit, GTK_ALIGN_CENTER);
    gtk_grid_attach(GTK_GRID(types), edit, 1, 2, 1, 1);

    GtkWidget* add = PushButton("Click here to add pictures");
    GtkWidget* remove = PushButton("Remove");
    OnSignal(add, "clicked", [this] { AddPictures(); });
    OnSignal(remove, "clicked", [this] { RemovePicture(); });
    m_List = TextList(480, 110);
    return Column({Group("When the screen saver closes", types),
                   Group("Wallpaper pictures", Column({Row({add, remove}), m_List.Box()}, 4))},
                  8);
}

void CGtkWallpaperPage::Fill() {
    const CWallPaper& w = m_Saver.Wallpaper();
    m_Type.Select(static_cast<int>(std::min<uint32_t>(w.Type, 3)));
    m_List.SetLines(PictureLines(w.Pictures));
}

void CGtkWallpaperPage::AddPictures() {
    const std::vector<std::string> paths = ChoosePictureFiles(Window());
    if (paths.empty()) return;
    CWallPaper& w = m_Saver.Wallpaper();
    ::AddPictures(w.Pictures, w.NumPictures, paths);
    m_List.SetLines(PictureLines(w.Pictures));
    Changed();
}

void CGtkWallpaperPage::RemovePicture() {
    CWallPaper& w = m_Saver.Wallpaper();
    if (!::RemovePicture(w.Pictures, w.NumPictures, m_List.Selection())) {
        ShowError(Window(), kRemovePictureText, "Error");
        return;
    }
    m_List.SetLines(PictureLines(w.Pictures));
    Changed();
}
