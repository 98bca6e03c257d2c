#include "config_dialog/win32/EmailPage.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <thread>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/ServicePageRules.h"
#include "config_dialog/win32/DialogIds.h"
#include "config_dialog/win32/WaveButtons.h"
#include "services/CEmail.h"
#include "xlib/XEmail.h"

CEmailPage::CEmailPage(CMainFormState& form)
    : CPageDialog(IDD_EMAIL, IDC_MAIL_OK, IDC_MAIL_CANCEL, IDC_MAIL_DEFAULT, {PageModule(form.Saver().Email())},
                  form) {}

std::vector<CheckSetting> CEmailPage::Boxes() {
    CEmail& e = m_Saver.Email();
    return {{&m_Notify, &e.Notify},
            {&m_Text, &e.DisplayText},
            {&m_Streamers, &e.DisplayStreamers},
            {&m_CycleStreamers, &e.CycleStreamers},
            {&m_RandStreamers, &e.RandStreamers},
            {&m_Red, &e.CycleRed},
            {&m_Green, &e.CycleGreen},
            {&m_Blue, &e.CycleBlue}};
}

void CEmailPage::AttachControls() {
    m_Notify.Attach(m_Window, IDC_MAIL_NOTIFY);
    m_Text.Attach(m_Window, IDC_MAIL_TEXT);
    m_Streamers.Attach(m_Window, IDC_MAIL_STREAMERS);
    m_CycleStreamers.Attach(m_Window, IDC_MAIL_CYCLESTREAMERS);
    m_RandStreamers.Attach(m_Window, IDC_MAIL_RANDSTREAMERS);
    m_Red.Attach(m_Window, IDC_MAIL_RED);
    m_Green.Attach(m_Window, IDC_MAIL_GREEN);
    m_Blue.Attach(m_Window, IDC_MAIL_BLUE);
    m_Sound.Attach(m_Window, {IDC_MAIL_NOSOUND, IDC_MAIL_BEEP, IDC_MAIL_WAV});
    m_Server.Attach(m_Window, IDC_MAIL_SERVER);
    m_User.Attach(m_Window, IDC_MAIL_USER);
    m_Password.Attach(m_Window, IDC_MAIL_PASSWORD);
    m_WaveName.Attach(m_Window, IDC_MAIL_WAVNAME);
    m_Minutes.Attach(m_Window, IDC_MAIL_MINUTES);
    m_Accounts.Attach(m_Window, IDC_MAIL_ACCOUNTS);
    m_Minutes.Clear();
    for (int minutes : CheckIntervals()) m_Minutes.Add(std::to_string(minutes));
    // Long enough for any server, user name or password a real account has.
    for (CTextControl* field : {&m_Server, &m_User, &m_Password})
        SendMessageA(field->Handle(), EM_LIMITTEXT, 255, 0);
}

void CEmailPage::Fill() {
    CEmail& e = m_Saver.Email();
    ShowCheckSettings(Boxes());
    m_Sound.Select(IDC_MAIL_NOSOUND + static_cast<int>(std::min<uint32_t>(e.NewMailSoundType, 2)));
    ShowWaveName();
    m_Server.SetText("");
    m_User.SetText("");
    m_Password.SetText("");
    m_Minutes.Select(CheckIntervalIndex(10));
    FillAccounts();
}

void CEmailPage::ShowWaveName() {
    const XString& file = m_Saver.Email().SoundFileName;
    m_WaveName.SetText(file.IsEmpty() ? "(no wav file)" : file.c_str());
}

void CEmailPage::FillAccounts() {
    const CEmail& e = m_Saver.Email();
    m_Accounts.SetLines(e.Accounts.GetCount(), [&](unsigned i) { return AccountListLine(e.Accounts.Get(i)); });
}

// A chosen account comes back into the fields, ready for "Update".
void CEmailPage::ShowAccount(int index) {
    const CEmail& e = m_Saver.Email();
    if (index < 0 || static_cast<unsigned>(index) >= e.Accounts.GetCount()) return;
    const CEmailAccount& a = e.Accounts.Get(static_cast<unsigned>(index));
    m_Server.SetText(a.Pop3.c_str());
    m_User.SetText(a.UserName.c_str());
    m_Password.SetText(a.Password.c_str());
    m_Minutes.Select(CheckIntervalIndex(a.Minutes));
}

int CEmailPage::SelectedAccount() {
    const int index = m_Accounts.Selection();
    if (index >= 0 && static_cast<unsigned>(index) < m_Saver.Email().Accounts.GetCount()) return index;
    Error(kAccountSelectText);
    return -1;
}

void CEmailPage::Error(const char* text) { MessageBoxA(m_Window, text, "Error", MB_OK | MB_ICONERROR); }

void CEmailPage::PageCommand(WPARAM wParam, LPARAM) {
    CEmail& e = m_Saver.Email();
    const int id = LOWORD(wParam);
    if (m_Accounts.Is(wParam)) {
        if (HIWORD(wParam) == LBN_SELCHANGE) ShowAccount(m_Accounts.Selection());
        return;
    }
    if (HIWORD(wParam) != BN_CLICKED) return;
    if (ToggleCheckSetting(wParam, Boxes())) {
        Changed();
        return;
    }
    if (m_Sound.Contains(wParam)) {
        m_Sound.Select(id);
        e.NewMailSoundType = static_cast<uint32_t>(id - IDC_MAIL_NOSOUND);
        Changed();
        return;
    }
    switch (id) {
        case IDC_MAIL_SELECTWAV: {
            std::string path;
            if (!ChooseWaveFile(m_Window, path)) return;
            e.SoundFileName = path.c_str();
            ShowWaveName();
            Changed();
            return;
        }
        case IDC_MAIL_PLAY:
            PlayWaveFile(e.SoundFileName.c_str());
            return;
        case IDC_MAIL_STOP:
            StopWaveFile();
            return;
        case IDC_MAIL_REMOVEWAV:
            StopWaveFile();
            if (e.SoundFileName.IsEmpty()) return;
            e.SoundFileName = "";
            ShowWaveName();
            Changed();
            return;
        case IDC_MAIL_ADD:
            AddAccount();
            return;
        case IDC_MAIL_UPDATE:
            UpdateAccount();
            return;
        case IDC_MAIL_REMOVE:
            RemoveAccount();
            return;
        case IDC_MAIL_TEST:
            TestAccount();
            return;
        default:
            return;
    }
}

void CEmailPage::AddAccount() {
    const std::string server = m_Server.GetText(), user = m_User.GetText(), password = m_Password.GetText();
    if (const char* problem = AccountCheckError(server, user, password)) {
        Error(problem);
        return;
    }
    const CEmailAccount account =
        AccountFromFields(server, user, password, CheckIntervals()[std::max(0, m_Minutes.Selection())]);
    m_Saver.Email().Accounts.Add(account);
    m_Accounts.Add(AccountListLine(account));
    m_Accounts.FitWidth();
    Changed();
}

// The fields replace the selected account as they stand: the check is Add's.
void CEmailPage::UpdateAccount() {
    const int index = SelectedAccount();
    if (index < 0) return;
    const CEmailAccount account = AccountFromFields(m_Server.GetText(), m_User.GetText(), m_Password.GetText(),
                                                    CheckIntervals()[std::max(0, m_Minutes.Selection())]);
    m_Saver.Email().Accounts.Set(account, static_cast<unsigned>(index));
    m_Accounts.Replace(index, AccountListLine(account));
    m_Accounts.Select(index);
    m_Accounts.FitWidth();
    Changed();
}

void CEmailPage::RemoveAccount() {
    const int index = SelectedAccount();
    if (index < 0) return;
    m_Saver.Email().Accounts.Remove(static_cast<unsigned>(index));
    m_Accounts.RemoveSelectedAndFit();
    Changed();
}

namespace {
// Input for the dialog while a test runs: held back, so nothing in it can
// change or start again under the test. Painting, moving the window and
// everything else go on.
bool IsHeldBackInput(const MSG& msg) {
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) return true;
    return msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.message != WM_MOUSEMOVE;
}

// Runs the test on a thread of its own and keeps the dialog answering until
// it ends, with the wait cursor. The client's exchange limit bounds the wait;
// a quit that arrives meanwhile cancels the test and is passed on after it.
bool TestAnswering(XEmail& client, const CEmailAccount& account, std::string& error) {
    bool ok = false;
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread worker;
    if (done) {
        try {
            worker = std::thread([&] {
                ok = TestEmailAccount(client, account, error);
                SetEvent(done);
            });
        } catch (const std::system_error&) {
        }
    }
    if (!worker.joinable()) {
        // No thread to be had: the test runs here, bounded all the same.
        if (done) CloseHandle(done);
        return TestEmailAccount(client, account, error);
    }
    const HCURSOR wait = LoadCursor(nullptr, IDC_WAIT);
    bool quit = false;
    WPARAM quitCode = 0;
    while (MsgWaitForMultipleObjects(1, &done, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                client.Cancel();
                continue;
            }
            if (IsHeldBackInput(msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) SetCursor(wait);
        }
    }
    worker.join();
    CloseHandle(done);
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return ok;
}
}  // namespace

void CEmailPage::TestAccount() {
    const int index = SelectedAccount();
    if (index < 0) return;
    const CEmailAccount account = m_Saver.Email().Accounts.Get(static_cast<unsigned>(index));
    HCURSOR old = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    XEmail client;
    // Tested with the certificates the checking thread will trust.
    client.SetTrustFile(m_Saver.Email().TrustFile);
    std::string error;
    const bool ok = TestAnswering(client, account, error);
    SetCursor(old);
    if (ok)
        MessageBoxA(m_Window, kAccountTestOkText, kAccountTestOkTitle, MB_OK | MB_ICONINFORMATION);
    else
        Error(error.c_str());
}
