// The Linux program: the same saver full screen, as a preview child, inside
// XScreenSaver's window, in a plain window, or as a benchmark. This file only
// picks the mode; RunModes.cpp and Bench.cpp run them.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "app/ShippedAssets.h"
#include "app/x11/Bench.h"
#include "app/x11/RunModes.h"
#include "app/x11/SignalPipe.h"
#include "app/x11/X11Front.h"
#include "app/x11/X11Window.h"
#include "platform/Process.h"
#include "platform/ProgramDir.h"
#include "platform/x11/X11GLVisual.h"
#include "xlib/CloseTrace.h"
#include "xlib/XPaths.h"

int main(int argc, char** argv) {
    CloseTraceInit();
    XInitThreads();
    XSetErrorHandler(IgnoreXError);
    std::vector<std::string> args(argv + 1, argv + argc);
    X11Options o = ParseX11Options(args, std::getenv("XSCREENSAVER_WINDOW"));
    if (!o.error.empty()) {
        std::fprintf(stderr, "meadowglow: %s\n", o.error.c_str());
        return 2;
    }
    switch (o.mode) {
        case X11Mode::Settings:
            if (!o.display.empty()) setenv("DISPLAY", o.display.c_str(), 1);
            return RunSettings();
        case X11Mode::ChangePassword:
        case X11Mode::Unknown:
            return -1;
        case X11Mode::Usage:
            std::fprintf(stderr, "meadowglow: unknown option %s\n%s", o.unknownOption.c_str(), X11UsageText());
            return 1;
        default:
            break;
    }
    if (o.mode == X11Mode::Preview && o.window == 0) return -1;
    // Until a saver's render thread runs (CScreenSaver::Start).
    CSystemDateTime::HoldTimeServerListRefresh();
    FullScreenSaver().SetOverrides(o.overrides);
    PreviewSaver().SetOverrides(o.overrides);
    // The render thread opens its own connection: both must reach the same display.
    if (!o.display.empty()) setenv("DISPLAY", o.display.c_str(), 1);
    PrewarmGLConnection();
    // First start: the sprites, pictures and help page the modules look for in
    // the installation directory come from beside the program.
    InstallShippedAssets(FindShippedAssetDir(PlatformProgramDir()), InstallDir());
    InstallTerminationSignals();

    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "meadowglow: cannot open the X display (is DISPLAY set?)\n");
        return o.mode == X11Mode::Preview ? -1 : 1;
    }
    int rc = 0;
    switch (o.mode) {
        case X11Mode::FullScreen:
            rc = RunFullScreen(dpy);
            break;
        case X11Mode::Preview:
            rc = RunPreviewChild(dpy, static_cast<Window>(o.window));
            break;
        case X11Mode::HostWindow:
            rc = RunHostWindow(dpy, o);
            break;
        case X11Mode::PlainWindow:
            rc = RunPlainWindow(dpy);
            break;
        case X11Mode::Bench:
            rc = RunBench(dpy, o);
            break;
        default:
            break;
    }
    XCloseDisplay(dpy);
    if (o.mode == X11Mode::Bench) return rc;
    // A saver that ran ended the process itself (StopAndEndProcess); here no
    // saver could start. Static destruction has nothing worth its time.
    PlatformQuickExit(rc);
}
