// The desktop wallpaper page: what the saver leaves on the desktop when it
// closes, and the user's own list of wallpaper pictures.
#pragma once

#include "config_dialog/gtk/ScenePages.h"

class CGtkWallpaperPage : public CGtkPage {
public:
    // `background` is the background page, opened from here to edit its list.
    CGtkWallpaperPage(CMainFormState& form, CGtkBackgroundPage& background);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    void AddPictures();
    void RemovePicture();

    CGtkBackgroundPage& m_Background;
    RadioGroup m_Type;
    TextList m_List;
};
