#include "platform/win32/WinInclude.h"

#include <wininet.h>  // before shlobj.h: the Active Desktop interface depends on it

#include <shlobj.h>

#include <string>

#include "platform/Desktop.h"

namespace {
// The interface's identifier, which the import libraries do not carry.
const IID kIID_IActiveDesktop = {0xf490eb00, 0x1240, 0x11d1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xde, 0xac, 0xf9}};

// Active Desktop first, as the shell of that era keeps its own wallpaper.
bool SetThroughActiveDesktop(const std::string& path, int style) {
    wchar_t wide[520];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 520) == 0) return false;
    IActiveDesktop* desktop = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, kIID_IActiveDesktop,
                                reinterpret_cast<void**>(&desktop))) ||
        !desktop)
        return false;
    // An Active Desktop that refuses (some shells give one whose methods are
    // all unimplemented) has changed nothing: the caller falls back then.
    bool done = SUCCEEDED(desktop->SetWallpaper(wide, 0));
    WALLPAPEROPT options{};
    options.dwSize = sizeof(options);
    options.dwStyle = static_cast<DWORD>(style);
    if (done) desktop->SetWallpaperOptions(&options, 0);
    if (done) done = SUCCEEDED(desktop->ApplyChanges(AD_APPLY_ALL));
    desktop->Release();
    return done;
}

// What SPIF_SENDWININICHANGE would broadcast, sent to every other program's
// windows only. The saver's own window belongs to a thread that is waiting
// for the render thread, which sets the wallpaper: a broadcast would wait on
// it until it counted as hung, seconds on every close.
BOOL CALLBACK NotifyOtherPrograms(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        SendMessageTimeoutA(window, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    return TRUE;
}
}  // namespace

std::string PlatformWallpaperFolder(const std::string&) {
    char dir[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return std::string();
    std::string folder(dir, n);
    if (folder.back() != '\\') folder += '\\';
    return folder;
}

bool PlatformSetDesktopWallpaper(const std::string& path, int style, std::string& error) {
    const HRESULT init = CoInitialize(nullptr);
    const bool done = SetThroughActiveDesktop(path, style);
    if (SUCCEEDED(init)) CoUninitialize();
    if (done) return true;
    if (!SystemParametersInfoA(SPI_SETDESKWALLPAPER, 2, const_cast<char*>(path.c_str()), SPIF_UPDATEINIFILE)) {
        error = "the system refused the wallpaper " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    EnumWindows(NotifyOtherPrograms, 0);
    InvalidateRect(GetDesktopWindow(), nullptr, TRUE);
    return true;
}

bool PlatformPostDesktopManagerCommand(unsigned number) {
    HWND window = FindWindowA(kDesktopManagerName, kDesktopManagerName);
    if (!window) return false;
    SetForegroundWindow(window);
    PostMessageA(window, kDesktopManagerMessage, static_cast<WPARAM>(number), 0);
    return true;
}
