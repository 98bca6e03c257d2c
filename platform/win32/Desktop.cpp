#include "platform/win32/WinInclude.h"

#include <wininet.h>  // before shlobj.h: the Active Desktop interface depends on it

#include <shlobj.h>

#include "platform/Desktop.h"

namespace {
// Active Desktop first, as the shell of that era keeps its own wallpaper.
bool SetThroughActiveDesktop(const std::string& path, int style) {
    wchar_t wide[520];
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, 520) == 0) return false;
    IActiveDesktop* desktop = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IActiveDesktop),
                                reinterpret_cast<void**>(&desktop))) ||
        !desktop)
        return false;
    desktop->SetWallpaper(wide, 0);
    WALLPAPEROPT options{};
    options.dwSize = sizeof(options);
    options.dwStyle = static_cast<DWORD>(style);
    desktop->SetWallpaperOptions(&options, 0);
    desktop->ApplyChanges(AD_APPLY_ALL);
    desktop->Release();
    return true;
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

bool PlatformSetDesktopWallpaper(const std::string& path, int style, std::string&) {
    const HRESULT init = CoInitialize(nullptr);
    const bool done = SetThroughActiveDesktop(path, style);
    if (SUCCEEDED(init)) CoUninitialize();
    if (done) return true;
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 2, const_cast<char*>(path.c_str()),
                          SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
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
