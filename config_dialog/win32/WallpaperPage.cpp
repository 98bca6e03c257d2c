#include "config_dialog/win32/WallpaperPage.h"

#include <algorithm>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/DialogRules.h"
#include "config_dialog/win32/DialogIds.h"
#include "services/CWallPaper.h"

CWallpaperPage::CWallpaperPage(CMainFormState& form, CBackgroundPage& background)
    : CPageDialog(IDD_WALLPAPER, IDC_WP_OK, IDC_WP_CANCEL, IDC_WP_DEFAULT, {PageModule(form.Saver().Wallpaper())},
                  form),
      m_Background(background) {}

void CWallpaperPage::AttachControls() {
    m_Type.Attach(m_Window, {IDC_WP_LEAVE, IDC_WP_LASTFRAME, IDC_WP_BACKGROUND, IDC_WP_LISTED});
    m_List.Attach(m_Window, IDC_WP_LIST);
}

void CWallpaperPage::Fill() {
    const CWallPaper& w = m_Saver.Wallpaper();
    m_Type.Select(IDC_WP_LEAVE + static_cast<int>(std::min<uint32_t>(w.Type, 3)));
    m_List.SetLines(w.Pictures.GetCount(), [&](unsigned i) { return std::string(w.Pictures.Get(i).c_str()); });
}

void CWallpaperPage::PageCommand(WPARAM wParam, LPARAM) {
    if (HIWORD(wParam) != BN_CLICKED) return;
    const int id = LOWORD(wParam);
    if (m_Type.Contains(wParam)) {
        m_Type.Select(id);
        m_Saver.Wallpaper().Type = static_cast<uint32_t>(id - IDC_WP_LEAVE);
        Changed();
    } else if (id == IDC_WP_EDIT) {
        // The background page keeps its own OK and Cancel for its sections.
        m_Background.RunModal(m_Window);
    } else if (id == IDC_WP_ADD) {
        AddPictures();
    } else if (id == IDC_WP_REMOVE) {
        RemovePicture();
    }
}

void CWallpaperPage::AddPictures() {
    const std::vector<std::string> paths = ChoosePictureFiles(m_Window);
    if (paths.empty()) return;
    m_List.AddAll(paths);
    CWallPaper& w = m_Saver.Wallpaper();
    ::AddPictures(w.Pictures, w.NumPictures, paths);
    Changed();
}

void CWallpaperPage::RemovePicture() {
    CWallPaper& w = m_Saver.Wallpaper();
    if (!::RemovePicture(w.Pictures, w.NumPictures, m_List.Selection())) {
        MessageBoxA(m_Window, kRemovePictureText, "Error", MB_OK | MB_ICONERROR);
        return;
    }
    m_List.RemoveSelectedAndFit();
    Changed();
}
