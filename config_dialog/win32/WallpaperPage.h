// The desktop wallpaper page: what the saver leaves on the desktop when it
// closes, and the user's own list of wallpaper pictures.
#pragma once

#include "config_dialog/win32/ScenePages.h"

class CWallpaperPage : public CPageDialog {
public:
    // `background` is the background page, opened from here to edit its list.
    CWallpaperPage(CMainFormState& form, CBackgroundPage& background);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void AddPictures();
    void RemovePicture();

    CBackgroundPage& m_Background;
    CRadioGroup m_Type;
    CListBox m_List;
};
