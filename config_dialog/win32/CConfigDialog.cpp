#include "config_dialog/win32/CConfigDialog.h"

#include <string>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/DialogRules.h"
#include "config_dialog/win32/DialogIds.h"
#include "config_dialog/logic/UpdateCheck.h"
#include "xlib/SettingsTable.h"
#include "xlib/XException.h"

namespace {
// Button states changed on the preview watcher's thread come back to the
// dialog's own thread as this message.
const UINT kButtonStatesMessage = WM_APP + 1;
// The preview's frames go on once a box or page of this window has gone.
const UINT kReleasePreviewMessage = WM_APP + 2;
// How long opening a box or page waits for the preview's frame in progress.
constexpr unsigned kPreviewHoldWaitMs = 1000;

// The preview control: a plain black window the preview instance renders
// into. A static control would paint itself over the rendered frames.
LRESULT CALLBACK PreviewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return 1;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterPreviewClass() {
    WNDCLASSA wc{};
    if (GetClassInfoA(DialogModule(), "MeadowglowPreview", &wc)) return;
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = PreviewProc;
    wc.hInstance = DialogModule();
    wc.lpszClassName = "MeadowglowPreview";
    RegisterClassA(&wc);
}
}  // namespace

CConfigDialog::CConfigDialog(CScreenSaver& saver, CScreenSaver& preview)
    : CDialogBase(IDD_MAINFORM),
      m_Saver(saver),
      m_Preview(preview),
      m_Form(saver,
             [this] {
                 m_Saver.RefreshPreview(m_Preview, reinterpret_cast<NativeWindow>(Item(IDC_PREVIEW)));
             }),
      m_CritterPage(m_Form.State()),
      m_BackgroundPage(m_Form.State()),
      m_RenderingPage(m_Form.State()),
      m_EffectsPage(m_Form.State()),
      m_DateTimePage(m_Form.State()),
      m_RemindersPage(m_Form.State()),
      m_VideoModePage(m_Form.State()),
      m_SoundPage(m_Form.State()),
      m_WallpaperPage(m_Form.State(), m_BackgroundPage),
      m_EmailPage(m_Form.State()),
      m_InternetPage(m_Form.State()),
      m_WeatherPage(m_Form.State()) {
    RegisterPreviewClass();
}

bool CConfigDialog::OnInitDialog() {
    bool ok = false;
    XGuard("CConfigDialog::OnInitDialog", [&] {
        m_Thread = GetCurrentThreadId();
        SetIcons(IDI_DIALOG_ICON);
        SetWindowTextA(m_Window, DialogCaption().c_str());
        m_Form.State().SetObserver([this] {
            if (GetCurrentThreadId() == m_Thread)
                ShowButtonStates();
            else
                PostMessageA(m_Window, kButtonStatesMessage, 0, 0);
        });
        m_Tab.Attach(m_Window, IDC_TAB);
        m_Tab.AddPage(&m_CritterPage, "Critter settings");
        InitControls();
        m_Tab.ShowPage(0);
        m_Form.Opened();
        ok = true;
    });
    return ok;
}

void CConfigDialog::InitControls() {
    m_Speed.Attach(m_Window, IDC_SPEED);
    SetRangeOf(m_Speed, CGeneralConfig::Settings(), "SaverSpeed");
    m_Speed.SetPos(static_cast<int>(std::min<uint32_t>(m_Saver.General().SaverSpeed, CGeneralConfig::kMaxSaverSpeed)));
    m_Refresh.Attach(m_Window, IDC_REFRESH);
    m_Save.Attach(m_Window, IDC_SAVE);
    m_SaveExit.Attach(m_Window, IDC_SAVEEXIT);
    m_Help.Attach(m_Window, IDC_HELPBUTTON);
    m_Options.Attach(m_Window, IDC_OPTIONS);
    m_Options.Clear();
    for (const std::string& entry : OptionListEntries()) m_Options.Add(entry);
    SendMessageA(m_Options.Handle(), CB_SETDROPPEDWIDTH, 190, 0);
    m_Options.Select(0);
    ShowButtonStates();
}

void CConfigDialog::ShowButtonStates() {
    m_Save.Enable(m_Form.State().SaveEnabled());
    m_SaveExit.Enable(m_Form.State().SaveEnabled());
    m_Refresh.Enable(m_Form.State().RefreshEnabled());
}

bool CConfigDialog::OnOtherMessage(UINT msg, WPARAM, LPARAM) {
    if (msg == kReleasePreviewMessage) {
        // Another box may have opened in the meantime; it releases them.
        if (IsWindowEnabled(m_Window)) m_Preview.ReleaseFrames();
        return true;
    }
    if (msg != kButtonStatesMessage) return false;
    ShowButtonStates();
    return true;
}

// Under Wine this thread's window changes and the preview's frames share one
// X connection, and Xlib 1.8 can deadlock the two: a frame's X error (Wine
// ignores them, and drawing into a child window makes some every frame)
// arriving while this thread waits in XSync to show a window. Every box, page
// or file dialog this window opens disables it first, before its own window
// exists, and enables it again before hiding and destroying that window; the
// preview is held between frames for all that time. On Windows this costs
// only the preview's motion behind a modal window.
void CConfigDialog::OnEnable(bool enabled) {
    XGuard("CConfigDialog::OnEnable", [&] {
        if (!enabled)
            m_Preview.HoldFrames(kPreviewHoldWaitMs);
        else
            PostMessageA(m_Window, kReleasePreviewMessage, 0, 0);
    });
}

void CConfigDialog::OnVScroll(WPARAM wParam, LPARAM lParam) {
    XGuard("CConfigDialog::OnVScroll", [&] {
        if (m_Speed.Apply(wParam, lParam)) m_Form.SpeedChanged(SpeedPosition());
    });
}

void CConfigDialog::OnNotify(WPARAM, NMHDR* header) {
    XGuard("CConfigDialog::OnNotify", [&] {
        if (header && header->code == static_cast<UINT>(TCN_SELCHANGE)) m_Tab.ShowPage(m_Tab.Selection());
    });
}

void CConfigDialog::OnCommand(WPARAM wParam, LPARAM) {
    XGuard("CConfigDialog::OnCommand", [&] {
        switch (LOWORD(wParam)) {
            case IDC_EXIT:
            case IDCANCEL:
                Exit();
                break;
            case IDC_SAVEEXIT: {
                const CMainForm::ExitResult result = m_Form.SaveAndExit(SpeedPosition());
                if (result == CMainForm::ExitResult::Close)
                    CloseDialog();
                else
                    ShowExitFailure(result);
                break;
            }
            case IDC_SAVE:
                SaveCommand();
                break;
            case IDC_ABOUT:
                MessageBoxA(m_Window, AboutText().c_str(), "About", MB_OK | MB_ICONINFORMATION);
                break;
            case IDC_DEFAULT:
                DefaultCommand();
                break;
            case IDC_HELPBUTTON:
                m_HelpPage.RunModal(m_Window);
                break;
            case IDC_UPDATES:
                CheckForUpdates();
                break;
            case IDC_REFRESH:
                m_Saver.Save();
                m_Form.RefreshPreview();
                break;
            case IDC_OPTIONS:
                if (HIWORD(wParam) == CBN_SELCHANGE) OpenOption();
                break;
            default:
                break;
        }
    });
}

void CConfigDialog::OnClose() {
    XGuard("CConfigDialog::OnClose", [&] { Exit(); });
}

void CConfigDialog::OnDestroy() {
    XGuard("CConfigDialog::OnDestroy", [&] { m_Form.Closing(); });
}

void CConfigDialog::Exit() {
    const CMainForm::ExitResult result = m_Form.Exit(SpeedPosition(), [this] {
        switch (MessageBoxA(m_Window, kSaveChangesText, kSaveChangesTitle, MB_YESNOCANCEL | MB_ICONQUESTION)) {
            case IDYES:
                return Answer::Yes;
            case IDNO:
                return Answer::No;
            default:
                return Answer::Cancel;
        }
    });
    if (result == CMainForm::ExitResult::Close)
        CloseDialog();
    else
        ShowExitFailure(result);
}

void CConfigDialog::ShowExitFailure(CMainForm::ExitResult result) {
    if (result == CMainForm::ExitResult::SaveFailed)
        MessageBoxA(m_Window, kSaveFailedText, "Error", MB_OK | MB_ICONERROR);
    else if (result == CMainForm::ExitResult::RestoreFailed)
        MessageBoxA(m_Window, m_Saver.ErrorText().c_str(), "Error", MB_OK | MB_ICONERROR);
}

void CConfigDialog::SaveCommand() {
    if (!m_Form.Save(SpeedPosition())) MessageBoxA(m_Window, kSaveFailedText, "Error", MB_OK | MB_ICONERROR);
}

void CConfigDialog::DefaultCommand() {
    Answer answer = Answer::Cancel;
    switch (MessageBoxA(m_Window, kDefaultText, kDefaultTitle, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            answer = Answer::Yes;
            break;
        case IDNO:
            answer = Answer::No;
            break;
        default:
            break;
    }
    // The critter tab shows settings that may have just been reset too.
    if (m_Form.Default(answer, [this] { InitControls(); })) m_CritterPage.Refill();
}

void CConfigDialog::CheckForUpdates() {
    const std::string name = kProductName;
    std::string reply;
    if (!DownloadVendorText(UpdatePath(name, false), reply)) {
        MessageBoxA(m_Window, kUpdateErrorText, kUpdateErrorTitle, MB_OK | MB_ICONERROR);
        return;
    }
    if (UpdateReplySaysYes(reply)) {
        const std::string url = VendorUrl(UpdatePath(name, true));
        OpenWebPage(m_Window, url);
        return;
    }
    MessageBoxA(m_Window, kNoUpdatesText, kNoUpdatesTitle, MB_OK | MB_ICONINFORMATION);
}

void CConfigDialog::OpenOption() {
    CPageDialog* page = nullptr;
    switch (OptionPageForText(m_Options.SelectedText())) {
        case OptionPage::Background:
            page = &m_BackgroundPage;
            break;
        case OptionPage::Rendering:
            page = &m_RenderingPage;
            break;
        case OptionPage::Effects:
            page = &m_EffectsPage;
            break;
        case OptionPage::DateTime:
            page = &m_DateTimePage;
            break;
        case OptionPage::Reminders:
            page = &m_RemindersPage;
            break;
        case OptionPage::VideoMode:
            page = &m_VideoModePage;
            break;
        case OptionPage::Sound:
            page = &m_SoundPage;
            break;
        case OptionPage::Wallpaper:
            page = &m_WallpaperPage;
            break;
        case OptionPage::Email:
            page = &m_EmailPage;
            break;
        case OptionPage::Internet:
            page = &m_InternetPage;
            break;
        case OptionPage::Weather:
            page = &m_WeatherPage;
            break;
        default:
            // The prompt, and the service pages that are not built yet.
            break;
    }
    if (page) page->RunModal(m_Window);
    m_Options.Select(0);
}

void CConfigDialog::CloseDialog() {
    m_Tab.RemoveAll();
    m_Form.Closing();
    // The preview draws into a control of this window: end it first.
    m_Preview.Stop();
    EndDialog(0);
}
