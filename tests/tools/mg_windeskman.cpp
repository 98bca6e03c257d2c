// Test tool for the end-to-end scripts: a stand-in for the maker's desktop
// manager, a top-level window whose class and title are both "ZEZUZizo".
// Prints "ready", then one line "command N" for every WM_USER + 1 it is
// posted (N = wParam, lParam must be 0), until it is killed.
#include "platform/win32/WinInclude.h"

#include <cstdio>

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER + 1) {
        std::printf("command %llu lparam %lld\n", static_cast<unsigned long long>(wParam),
                    static_cast<long long>(lParam));
        std::fflush(stdout);
        return 0;
    }
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

int main() {
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.lpszClassName = "ZEZUZizo";
    if (!RegisterClassA(&wc)) return 2;
    HWND hwnd = CreateWindowExA(0, "ZEZUZizo", "ZEZUZizo", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                inst, nullptr);
    if (!hwnd) return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
