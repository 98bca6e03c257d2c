// The internet, weather and help pages: the news exit task's switches, the
// weather overlay's zip code, and the help and support launchers.
#pragma once

#include <string>

#include "config_dialog/win32/ScenePages.h"

// Opens `url` in the default browser, maximised.
void OpenWebPage(HWND owner, const std::string& url);

class CInternetPage : public CPageDialog {
public:
    explicit CInternetPage(CMainFormState& form);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<CheckSetting> Boxes();
    CCheckBox m_Products, m_Updates, m_News, m_CoolSite, m_NewsUS, m_NewsIntl;
};

class CWeatherPage : public CPageDialog {
public:
    explicit CWeatherPage(CMainFormState& form);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    CTextControl m_Zip;
    CCheckBox m_Temp;
    CButton m_Provider;
};

// No settings: support text, the help file and the support page.
class CHelpPage : public CDialogBase {
public:
    CHelpPage();
    bool OnInitDialog() override;
    void OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

private:
    void ViewHelpFile();
};
