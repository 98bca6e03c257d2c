// Test tool for the end-to-end scripts: a top-level window to host the saver's
// preview, as the display-settings dialog would. Prints the window handle in
// decimal on stdout and pumps messages until the window is closed or killed.
//   mg_winparent [WIDTH HEIGHT [LIFETIME_MS]]
// With a lifetime the tool destroys its window after that long, as the display
// settings do with theirs when they close.
#include "platform/win32/WinInclude.h"

#include <cstdio>
#include <cstdlib>

namespace {
LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PARENTNOTIFY:
            // The real host hands the keyboard to the preview window while it is
            // the active control; do the same so a key press can reach it.
            if (LOWORD(wParam) == WM_CREATE) SetFocus(reinterpret_cast<HWND>(lParam));
            break;
        case WM_TIMER:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
    int w = argc > 2 ? std::atoi(argv[1]) : 320;
    int h = argc > 2 ? std::atoi(argv[2]) : 240;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = inst;
    wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
    wc.lpszClassName = "MgTestParent";
    if (!RegisterClassA(&wc)) return 2;
    HWND hwnd = CreateWindowExA(0, "MgTestParent", "mg_winparent", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 40, 40, w,
                                h, nullptr, nullptr, inst, nullptr);
    if (!hwnd) return 3;
    SetForegroundWindow(hwnd);
    if (argc > 3) SetTimer(hwnd, 1, static_cast<UINT>(std::atoi(argv[3])), nullptr);
    std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
    std::fflush(stdout);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
