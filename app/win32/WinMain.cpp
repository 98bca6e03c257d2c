// The Windows program: switches, the screen-saver window and its messages.
#include "platform/win32/WinInclude.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>

#include <memory>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "app/CommandLine.h"
#include "app/InputGate.h"
#include "app/SceneRect.h"
#include "app/ShippedAssets.h"
#include "app/win32/ShellWin32.h"
#include "app/win32/resource.h"
#include "platform/ProgramDir.h"
#include "xlib/CloseTrace.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

namespace {
const char kClassName[] = "WindowsScreenSaverClass";
const char kFullScreenCaption[] = "Screensaver";
const char kVendorSite[] = "www.tallowfen.com";

HINSTANCE g_Module = nullptr;
HWND g_MainWindow = nullptr;
bool g_PreviewMode = false;
std::unique_ptr<InputGate> g_Gate;

POINT CursorPos() {
    POINT p{};
    GetCursorPos(&p);
    return p;
}

// Wine ends a process through the host's exit(), which runs the host GL
// driver's exit handlers and static destructors (Mesa's, LLVM's) while this
// process's other threads are still wherever they were. A render thread left
// inside its frame, compiling a shader say, then brings the host process down
// with a SIGSEGV (status 139) instead of the clean end. Windows itself ends
// every thread at once and keeps the quicker end.
bool RunsUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

CScreenSaver& Instance() { return g_PreviewMode ? PreviewSaver() : FullScreenSaver(); }

void RequestClose(HWND hwnd) {
    CloseTraceBegin();
    if (g_Gate) g_Gate->RequestClose();
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

LRESULT OnCreate(HWND hwnd) {
    XGuard("main ScreenSaverProc, WM_CREATE", [&] {
        ReadRegistry();
        // A saver run straight from its build or unpack folder brings its art along.
        InstallShippedAssets(PlatformProgramDir(), InstallDir());
        POINT p = CursorPos();
        g_Gate = std::make_unique<InputGate>(g_PreviewMode, p.x, p.y);
        if (!g_PreviewMode) SetCursor(nullptr);
        CScreenSaver& saver = Instance();
        saver.SetWindow(reinterpret_cast<NativeWindow>(hwnd));
        // A full-screen run ends the process when the saver stops
        // (EndFullScreenRun); under Wine only once the render thread has
        // ended, its frame and its GL clean-up done.
        if (!g_PreviewMode) saver.SetProcessEndsAfterStop(!RunsUnderWine());
        if (!saver.Start()) {
            std::string text = std::string("Fatal Error: could not start thread. Please contact Tallow Fen Software at ") +
                               kVendorSite + " to report this error message.";
            MessageBoxA(hwnd, text.c_str(), "Fatal Error", MB_OK | MB_ICONERROR);
            SendMessageA(hwnd, WM_DESTROY, 0, 0);
        }
    });
    return 0;
}

// The end of a full-screen run, however it comes: the saver stops, the
// display mode and the exit tasks are seen to, and the process ends here
// (see StopAndEndProcess) with `code`. The window is only hidden: the render
// thread may still be finishing a frame in it.
[[noreturn]] void EndFullScreenRun(HWND hwnd, int code) {
    CScreenSaver& saver = FullScreenSaver();
    saver.StopAndEndProcess(code, [&] {
        const bool restoreMode = saver.GetReadOnlyVideoMode() > 0;
        const bool tasks = saver.HasExitTasks();
        if ((restoreMode || tasks) && hwnd && IsWindow(hwnd)) ShowWindow(hwnd, SW_HIDE);
        if (restoreMode) ChangeDisplaySettingsA(nullptr, 0);
        if (tasks) saver.DoExitTasks();
    });
}

// Returns true when the message should go on to the default procedure.
bool OnClose(HWND hwnd) {
    bool passOn = false;
    XGuard("ScreenSaverProc, WM_CLOSE", [&] {
        if (g_PreviewMode) {
            PreviewSaver().Stop();
            passOn = true;
            return;
        }
        if (!g_Gate || g_Gate->OnClose() == InputGate::CloseDecision::Ignore) return;
        if (!CheckPassword(hwnd)) {
            POINT p = CursorPos();
            g_Gate->ResetReference(p.x, p.y);
            return;
        }
        EndFullScreenRun(hwnd, 0);
    });
    return passOn;
}
}  // namespace

LRESULT CALLBACK ScreenSaverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (g_PasswordDialogOpen && msg != WM_CLOSE) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
        case WM_CREATE:
            return OnCreate(hwnd);
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            CloseTraceBegin();
            if (OnClose(hwnd) && IsWindow(hwnd)) return DefWindowProcA(hwnd, msg, wParam, lParam);
            return 0;
        case WM_SETCURSOR:
            SetCursor(nullptr);
            return 1;
        case WM_SHOWWINDOW:
            if (wParam) SetCursor(nullptr);
            break;
        case WM_SIZE:
            // A resized window (a preview host's, a windowed run): the render
            // thread sets the scene up for the new size before its next frame.
            (g_PreviewMode ? PreviewSaver() : FullScreenSaver()).NoteWindowResized();
            break;
        case WM_ACTIVATEAPP:
            if (wParam == 0) RequestClose(hwnd);
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            RequestClose(hwnd);
            break;
        case WM_MOUSEMOVE:
            if (g_Gate) {
                POINT p = CursorPos();
                if (g_Gate->OnMouseMove(p.x, p.y)) PostMessageA(hwnd, WM_CLOSE, 0, 0);
            }
            break;
        case WM_SYSCOMMAND:
            if (!g_PreviewMode && (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE))
                return 0;
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int RunSaverWindow(HWND parent) {
    WNDCLASSA wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    wc.lpfnWndProc = ScreenSaverProc;
    wc.hInstance = g_Module;
    wc.hIcon = LoadIconA(g_Module, MAKEINTRESOURCEA(IDI_MEADOWGLOW));
    wc.hCursor = nullptr;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;

    int x = 0, y = 0, width, height;
    const char* caption;
    DWORD exStyle, style;
    if (parent) {
        RECT rc{};
        GetClientRect(parent, &rc);
        width = rc.right - rc.left;
        height = rc.bottom - rc.top;
        g_PreviewMode = true;
        caption = "Preview";
        exStyle = 0;
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    } else {
        ApplyVideoMode(FullScreenSaver().GetReadOnlyVideoMode());
        // One window over the whole virtual screen, so that no monitor shows
        // the desktop; the scene goes on the primary monitor, at (0, 0).
        x = GetSystemMetrics(SM_XVIRTUALSCREEN);
        y = GetSystemMetrics(SM_YVIRTUALSCREEN);
        width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        if (width <= 0 || height <= 0) {
            x = y = 0;
            width = GetSystemMetrics(SM_CXSCREEN);
            height = GetSystemMetrics(SM_CYSCREEN);
        }
        ScreenRect primary{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), true};
        FullScreenSaver().SetSceneRect(SceneRectInWindow({primary}, ScreenRect{x, y, width, height, true}));
        HWND existing = FindWindowA(kClassName, kFullScreenCaption);
        if (existing && IsWindow(existing)) {
            SetForegroundWindow(existing);
            return 0;
        }
        caption = kFullScreenCaption;
        exStyle = WS_EX_TOPMOST;
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    }

    if (RegisterClassA(&wc))
        g_MainWindow = CreateWindowExA(exStyle, kClassName, caption, style, x, y, width, height, parent, nullptr,
                                       g_Module, nullptr);
    HWND hwnd = g_MainWindow;
    if (!hwnd) return 0;
    if (!parent) SetForegroundWindow(hwnd);

    MSG msg{};
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            Sleep(1);
            Sleep(0);
            continue;
        }
        if (!GetMessageA(&msg, nullptr, 0, 0)) break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int RunPreview(const std::string& text) {
    uint64_t handle = ParsePreviewHandle(text);
    HWND parent = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
    if (handle == 0 || !IsWindow(parent)) return -1;
    int code = RunSaverWindow(parent);
    // When the host destroys its window the preview never sees WM_CLOSE, and
    // its render thread would still be drawing while the process winds down.
    PreviewSaver().Stop();
    return code;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    int exitCode = -1;
    CloseTraceInit();
    XGuard("WinMain", [&] {
        INITCOMMONCONTROLSEX icc{};
        icc.dwSize = 8;
        icc.dwICC = ICC_TAB_CLASSES;
        InitCommonControlsEx(&icc);
        g_Module = instance;

        // The benchmark's options are words, not a screen-saver switch.
        std::vector<std::string> args;
        for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
        BenchOptions bench;
        std::string benchError;
        if (ParseBenchCommandLine(args, bench, benchError)) {
            if (!benchError.empty()) {
                std::fprintf(stderr, "meadowglow: %s\n", benchError.c_str());
                exitCode = 2;
            } else {
                exitCode = RunBenchWindow(instance, bench);
            }
            return;
        }

        SaverSwitch sw = ParseSaverSwitch(commandLine ? commandLine : "");
        switch (sw.action) {
            case SaverAction::NoSwitch:
                exitCode = RunConfigDialog(nullptr);
                break;
            case SaverAction::Configure:
                exitCode = RunConfigDialog(GetForegroundWindow());
                break;
            case SaverAction::ChangePassword:
                ChangePassword(g_MainWindow);
                exitCode = -1;
                break;
            case SaverAction::Preview:
                exitCode = RunPreview(sw.rest);
                break;
            case SaverAction::FullScreen:
                // Reached when the window went without a close (or another run
                // had the screen): still no teardown under a running render thread.
                EndFullScreenRun(g_MainWindow, RunSaverWindow(nullptr));
            case SaverAction::Unknown:
                exitCode = -1;
                break;
        }
    });
    return exitCode;
}
