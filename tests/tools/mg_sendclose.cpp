// Test tool for the end-to-end scripts: posts WM_CLOSE to the full-screen
// saver's window, as another program might. Prints "sent" and exits 0 when the
// window existed, prints "no window" and exits 1 otherwise.
#include "platform/win32/WinInclude.h"

#include <cstdio>

int main() {
    HWND hwnd = FindWindowA("WindowsScreenSaverClass", "Screensaver");
    if (!hwnd || !IsWindow(hwnd)) {
        std::printf("no window\n");
        return 1;
    }
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    std::printf("sent\n");
    return 0;
}
