// The main settings form: live preview, speed bar, options list, critter tab,
// and the save, exit, default, about, help and update buttons.
#pragma once

#include <memory>

#include "config_dialog/logic/CMainForm.h"
#include "config_dialog/win32/CDialogBase.h"
#include "config_dialog/win32/Controls.h"
#include "config_dialog/win32/EmailPage.h"
#include "config_dialog/win32/ScenePages.h"
#include "config_dialog/win32/TimeSoundPages.h"
#include "config_dialog/win32/WallpaperPage.h"
#include "config_dialog/win32/WebPages.h"

class CScreenSaver;

class CConfigDialog : public CDialogBase {
public:
    CConfigDialog(CScreenSaver& saver, CScreenSaver& preview);

    bool OnInitDialog() override;
    void OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnVScroll(WPARAM wParam, LPARAM lParam) override;
    void OnDestroy() override;
    void OnClose() override;
    void OnNotify(WPARAM wParam, NMHDR* header) override;
    bool OnOtherMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnEnable(bool enabled) override;

private:
    void InitControls();
    void ShowButtonStates();
    void Exit();
    void SaveCommand();
    void DefaultCommand();
    void CheckForUpdates();
    void OpenOption();
    void CloseDialog();
    void ShowExitFailure(CMainForm::ExitResult result);
    uint32_t SpeedPosition() const { return static_cast<uint32_t>(m_Speed.Pos()); }

    CScreenSaver& m_Saver;
    CScreenSaver& m_Preview;
    CMainForm m_Form;
    DWORD m_Thread = 0;
    CScrollBar m_Speed;
    CComboBox m_Options;
    CButton m_Refresh, m_Save, m_SaveExit, m_Help;
    CTabControl m_Tab;
    CCritterPage m_CritterPage;
    CBackgroundPage m_BackgroundPage;
    CRenderingPage m_RenderingPage;
    CEffectsPage m_EffectsPage;
    CDateTimePage m_DateTimePage;
    CRemindersPage m_RemindersPage;
    CVideoModePage m_VideoModePage;
    CSoundPage m_SoundPage;
    CWallpaperPage m_WallpaperPage;
    CEmailPage m_EmailPage;
    CInternetPage m_InternetPage;
    CWeatherPage m_WeatherPage;
    CHelpPage m_HelpPage;
};
