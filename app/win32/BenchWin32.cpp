// --bench on Windows: the benchmark (app/BenchRun) in a popup window of
// exactly the asked size. The window is shown, because OpenGL under Wine draws
// only into a mapped window, and it ignores input: nothing but the last frame
// ends the run.
#include "platform/win32/WinInclude.h"

#include <cstdio>

#include "app/BenchRun.h"
#include "app/CScreenSaver.h"
#include "app/ShippedAssets.h"
#include "app/win32/ShellWin32.h"
#include "platform/ProgramDir.h"
#include "xlib/XPaths.h"

namespace {
const char kBenchClassName[] = "MeadowglowBenchClass";

LRESULT CALLBACK BenchProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE:
            return 0;  // the run ends with its last frame
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return 1;
        default:
            return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}
}  // namespace

int RunBenchWindow(HINSTANCE instance, const BenchOptions& o) {
    ReadRegistry();
    InstallShippedAssets(PlatformProgramDir(), InstallDir());

    WNDCLASSA wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = BenchProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kBenchClassName;
    if (!RegisterClassA(&wc)) {
        std::fprintf(stderr, "meadowglow: cannot register the benchmark's window class\n");
        return 1;
    }
    HWND hwnd = CreateWindowExA(WS_EX_TOPMOST, kBenchClassName, "Meadowglow benchmark",
                                WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                                static_cast<int>(o.width), static_cast<int>(o.height), nullptr, nullptr, instance,
                                nullptr);
    if (!hwnd) {
        std::fprintf(stderr, "meadowglow: cannot open a %ux%u window\n", o.width, o.height);
        return 1;
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);

    HANDLE lastFrame = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int status = 1;
    {
        BenchRun run(FullScreenSaver(), o, [lastFrame] { SetEvent(lastFrame); });
        if (!run.Start(reinterpret_cast<NativeWindow>(hwnd))) {
            std::fprintf(stderr, "meadowglow: Fatal Error: could not start thread.\n");
        } else {
            // The window's messages are served while the render thread draws:
            // Wine's GL driver talks to the window from that thread.
            while (!run.Done()) {
                MsgWaitForMultipleObjects(1, &lastFrame, FALSE, 1000, QS_ALLINPUT);
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
            run.Stop();
            status = run.Report();
        }
    }
    CloseHandle(lastFrame);
    DestroyWindow(hwnd);
    return status;
}
