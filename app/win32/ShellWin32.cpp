#include "platform/win32/WinInclude.h"

#include "app/win32/ShellWin32.h"

#include <string>

#include "app/CScreenSaver.h"
#include "app/ShippedAssets.h"
#include "config_dialog/win32/CConfigDialog.h"
#include "platform/ProgramDir.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

namespace {
extern "C" {
typedef BOOL(WINAPI* VerifyPwdFn)(HWND);
typedef DWORD(WINAPI* ChangePwdFn)(LPCSTR, HWND, DWORD, LPVOID);
}

// Only the Windows 95 family leaves password checks to the screen saver.
bool IsWindows95Family() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&info)) return false;
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}
}  // namespace

bool g_PasswordDialogOpen = false;

bool CheckPassword(HWND window) {
    if (!IsWindows95Family()) return true;
    HMODULE lib = LoadLibraryA("PASSWORD.CPL");
    if (!lib) return true;
    auto verify = reinterpret_cast<VerifyPwdFn>(reinterpret_cast<void*>(GetProcAddress(lib, "VerifyScreenSavePwd")));
    if (!verify) {
        FreeLibrary(lib);
        return true;
    }
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 1, nullptr, 0);
    g_PasswordDialogOpen = true;
    BOOL ok = verify(window);
    g_PasswordDialogOpen = false;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, 0, nullptr, 0);
    FreeLibrary(lib);
    return ok != FALSE;
}

void ChangePassword(HWND window) {
    if (!IsWindows95Family()) return;
    HMODULE lib = LoadLibraryA("MPR.DLL");
    if (!lib) return;
    auto change = reinterpret_cast<ChangePwdFn>(reinterpret_cast<void*>(GetProcAddress(lib, "PwdChangePasswordA")));
    if (change) change("SCRSAVE", window, 0, nullptr);
    FreeLibrary(lib);
}

void FillVideoModeList(HWND dialog, int listBoxId, int position) {
    XGuard("main FillVideoModeList", [&] {
        SendDlgItemMessageA(dialog, listBoxId, LB_RESETCONTENT, 0, 0);
        for (const std::string& text : VideoModeListTexts())
            SendDlgItemMessageA(dialog, listBoxId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendDlgItemMessageA(dialog, listBoxId, LB_SETCURSEL, static_cast<WPARAM>(position), 0);
    });
}

int RunConfigDialog(HWND parent) {
    XGuard("main RunConfigDialog", [&] {
        ReadRegistry();
        // The preview needs the sprites and pictures as much as a full-screen run.
        InstallShippedAssets(PlatformProgramDir(), InstallDir());
        CScreenSaver& saver = FullScreenSaver();
        saver.SetWindow(reinterpret_cast<NativeWindow>(parent));
        saver.BackupConfig();
        saver.Load();
        saver.SetWindow(reinterpret_cast<NativeWindow>(parent));
        CConfigDialog dialog(saver, PreviewSaver());
        dialog.RunModal(parent);
    });
    return 0;
}
