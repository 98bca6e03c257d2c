#include "config_dialog/win32/WebPages.h"

#include <shellapi.h>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/ServicePageRules.h"
#include "config_dialog/win32/DialogIds.h"
#include "services/DesktopManager.h"
#include "services/VendorService.h"
#include "xlib/XException.h"

void OpenWebPage(HWND owner, const std::string& url) {
    if (!WebPageMayOpen(url)) return;
    ShellExecuteA(owner, "open", url.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
}

// ---- internet ----

CInternetPage::CInternetPage(CMainFormState& form)
    : CPageDialog(IDD_INTERNET, IDC_NET_OK, IDC_NET_CANCEL, IDC_NET_DEFAULT, {PageModule(form.Saver().Internet())},
                  form) {}

std::vector<CheckSetting> CInternetPage::Boxes() {
    CInternet& n = m_Saver.Internet();
    return {{&m_Products, &n.NotifyProducts}, {&m_Updates, &n.NotifyUpdates}, {&m_News, &n.DisplayNews},
            {&m_CoolSite, &n.AskCoolSite},    {&m_NewsUS, &n.NewsUS},         {&m_NewsIntl, &n.NewsIntl}};
}

void CInternetPage::AttachControls() {
    m_Products.Attach(m_Window, IDC_NET_PRODUCTS);
    m_Updates.Attach(m_Window, IDC_NET_UPDATES);
    m_News.Attach(m_Window, IDC_NET_NEWS);
    m_CoolSite.Attach(m_Window, IDC_NET_COOLSITE);
    m_NewsUS.Attach(m_Window, IDC_NET_NEWSUS);
    m_NewsIntl.Attach(m_Window, IDC_NET_NEWSINTL);
}

void CInternetPage::Fill() { ShowCheckSettings(Boxes()); }

void CInternetPage::PageCommand(WPARAM wParam, LPARAM) {
    if (ToggleCheckSetting(wParam, Boxes())) Changed();
}

// ---- weather ----

CWeatherPage::CWeatherPage(CMainFormState& form)
    : CPageDialog(IDD_WEATHER, IDC_WX_OK, IDC_WX_CANCEL, IDC_WX_DEFAULT, {PageModule(form.Saver().Weather())},
                  form) {}

void CWeatherPage::AttachControls() {
    m_Zip.Attach(m_Window, IDC_WX_ZIP);
    m_Temp.Attach(m_Window, IDC_WX_TEMP);
    m_Provider.Attach(m_Window, IDC_WX_PROVIDER);
    // A United States zip code has five digits.
    SendMessageA(m_Zip.Handle(), EM_LIMITTEXT, 5, 0);
}

void CWeatherPage::Fill() {
    const CWeatherData& w = m_Saver.Weather();
    m_Zip.SetText(w.ZipCode.c_str());
    m_Temp.Set(w.DisplayTemp);
    m_Provider.SetText(w.ProviderText.c_str());
}

void CWeatherPage::PageCommand(WPARAM wParam, LPARAM) {
    CWeatherData& w = m_Saver.Weather();
    if (m_Zip.Is(wParam)) {
        if (HIWORD(wParam) != EN_CHANGE) return;
        // Typing is held to digits by the field; pasted text is filtered here.
        const std::string zip = DigitsOnly(m_Zip.GetText());
        if (zip == w.ZipCode.c_str()) return;
        w.ZipCode = zip.c_str();
        Changed();
        return;
    }
    if (HIWORD(wParam) != BN_CLICKED) return;
    if (m_Temp.Is(wParam)) {
        m_Temp.Toggle();
        w.DisplayTemp = m_Temp.IsChecked();
        Changed();
    } else if (m_Provider.Is(wParam) && !w.ProviderUrl.IsEmpty()) {
        OpenWebPage(m_Window, w.ProviderUrl.c_str());
    }
}

// ---- help ----

CHelpPage::CHelpPage() : CDialogBase(IDD_HELP) {}

bool CHelpPage::OnInitDialog() {
    bool ok = false;
    XGuard("CHelpPage::OnInitDialog", [&] {
        SetDlgItemTextA(m_Window, IDC_HELP_TEXT, kHelpSupportText);
        ok = true;
    });
    return ok;
}

void CHelpPage::OnCommand(WPARAM wParam, LPARAM) {
    XGuard("CHelpPage::OnCommand", [&] {
        if (HIWORD(wParam) != BN_CLICKED) return;
        switch (LOWORD(wParam)) {
            case IDC_HELP_OK:
            case IDOK:
            case IDCANCEL:
                EndDialog(0);
                break;
            case IDC_HELP_VIEW:
                ViewHelpFile();
                break;
            case IDC_HELP_ONLINE:
                OpenWebPage(m_Window, Vendor::Url(Vendor::kSupportPath));
                break;
            default:
                break;
        }
    });
}

void CHelpPage::OnClose() {
    XGuard("CHelpPage::OnClose", [&] { EndDialog(0); });
}

void CHelpPage::ViewHelpFile() {
    const std::string line = HelpCommandLine();
    if (RunProgram(line.c_str(), false)) return;
    const DWORD code = GetLastError();
    char reason[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, reason,
                   sizeof(reason), nullptr);
    const std::string details = "\r\n" + line + "\r\nError " + std::to_string(code) + ": " + reason;
    MessageBoxA(m_Window, HelpLaunchErrorText(details).c_str(), kHelpLaunchErrorTitle, MB_OK | MB_ICONERROR);
}
