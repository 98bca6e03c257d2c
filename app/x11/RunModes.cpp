#include "app/x11/RunModes.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "app/CScreenSaver.h"
#include "app/InputGate.h"
#include "app/SceneRect.h"
#include "app/x11/Monitors.h"
#include "app/x11/X11Window.h"
#include "platform/ProgramDir.h"
#include "xlib/CloseTrace.h"

namespace {
constexpr long kInputEvents =
    KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;

// Opens the mode's window, or says why it could not.
bool OpenWindow(GLWindow& window, const GLWindowShape& shape) {
    std::string error;
    if (window.Open(shape, error)) return true;
    std::fprintf(stderr, "meadowglow: %s\n", error.c_str());
    return false;
}

// Runs the saver in `window` until input (per `gate`) or a signal ends it,
// then ends the process, after `lastWork` (see StopAndEndProcess). Returns
// only when the saver could not start.
int RunInWindow(Display* dpy, Window window, InputGate* gate, Atom deleteAtom,
                const std::function<void()>& lastWork = {}) {
    CScreenSaver& saver = gate && gate->Preview() ? PreviewSaver() : FullScreenSaver();
    saver.SetWindow(static_cast<NativeWindow>(window));
    // Every mode that comes here ends the process once the saver stops.
    saver.SetProcessEndsAfterStop(true);
    if (!saver.Start()) {
        std::fprintf(stderr, "meadowglow: Fatal Error: could not start thread.\n");
        return 1;
    }
    XEvent ev;
    bool closing = false;
    while (!closing && NextEvent(dpy, ev)) {
        bool closeMessage = false;
        switch (ev.type) {
            case MotionNotify:
                if (gate) closeMessage = gate->OnMouseMove(ev.xmotion.x_root, ev.xmotion.y_root);
                break;
            case KeyPress:
            case KeyRelease:
            case ButtonPress:
            case ButtonRelease:
                CloseTraceBegin();
                if (gate) {
                    gate->RequestClose();
                    closeMessage = true;
                }
                break;
            case ClientMessage:
                if (static_cast<Atom>(ev.xclient.data.l[0]) == deleteAtom) closeMessage = true;
                break;
            case DestroyNotify:
                if (ev.xdestroywindow.window == window) closing = true;  // the host took our window away
                break;
            case ConfigureNotify:
                // Moves and restacking come here too; the render thread
                // acts only on a changed size.
                if (ev.xconfigure.window == window) saver.NoteWindowResized();
                break;
            default:
                break;
        }
        if (closeMessage) {
            if (!gate || gate->OnClose() == InputGate::CloseDecision::Stop) closing = true;
        }
    }
    saver.StopAndEndProcess(0, lastWork);
}
}  // namespace

int RunSettingsNote() {
    CScreenSaver& saver = FullScreenSaver();
    if (!saver.BackupConfig() || !saver.Load()) {
        std::fprintf(stderr, "meadowglow: %s\n", saver.ErrorText().c_str());
        return 1;
    }
    std::printf(
        "The settings are kept in:\n  %s\n  %s (the reminder list)\n"
        "Edit them with a text editor; run 'meadowglow -window' to see the result.\n",
        saver.MakeConfigFileName(false).c_str(), saver.MakeConfigFileName(true).c_str());
    return 0;
}

int RunSettings() {
    const char* display = std::getenv("DISPLAY");
    if (display && *display) {
        const std::string candidates[] = {PlatformProgramDir() + "/meadowglow-settings",
                                          PlatformProgramDir() + "/" MG_HACK_TO_BINDIR "/meadowglow-settings"};
        for (const std::string& program : candidates) {
            if (access(program.c_str(), X_OK) != 0) continue;
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            std::fprintf(stderr, "meadowglow: cannot start %s: %s\n", program.c_str(), std::strerror(errno));
            break;
        }
    }
    return RunSettingsNote();
}

int RunFullScreen(Display* dpy) {
    const int screen = DefaultScreen(dpy);
    const unsigned w = static_cast<unsigned>(DisplayWidth(dpy, screen));
    const unsigned h = static_cast<unsigned>(DisplayHeight(dpy, screen));
    // The window covers every monitor; the scene goes on the primary one.
    FullScreenSaver().SetSceneRect(
        SceneRectInWindow(Monitors(dpy), ScreenRect{0, 0, static_cast<int>(w), static_cast<int>(h), true}));
    int px, py;
    PointerPosition(dpy, px, py);
    InputGate gate(false, px, py);
    const Cursor blank = BlankCursor(dpy);
    int rc = 1;
    {
        GLWindow own(dpy);
        GLWindowShape shape;
        shape.width = w;
        shape.height = h;
        shape.overrideRedirect = true;
        shape.events = kInputEvents;
        shape.name = "Screensaver";
        shape.raised = true;
        shape.cursor = blank;
        if (OpenWindow(own, shape)) {
            GrabInput(dpy, own.Id(), blank);
            XSync(dpy, False);
            // The exit tasks may open a page: the window goes out of its way
            // first. Hidden, not destroyed: the render thread may still be
            // finishing a frame in it, and the process's end destroys it anyway.
            rc = RunInWindow(dpy, own.Id(), &gate, None, [&] {
                CScreenSaver& saver = FullScreenSaver();
                if (!saver.HasExitTasks()) return;
                UngrabInput(dpy);
                XUnmapWindow(dpy, own.Id());
                XSync(dpy, False);
                CloseTraceMark("main: window hidden");
                saver.DoExitTasks();
                CloseTraceMark("main: exit tasks done");
            });
            UngrabInput(dpy);
        }
    }
    XFreeCursor(dpy, blank);
    XSync(dpy, False);
    return rc;
}

int RunPreviewChild(Display* dpy, Window parent) {
    XWindowAttributes attr;
    if (!WindowExists(dpy, parent) || !XGetWindowAttributes(dpy, parent, &attr)) return -1;
    GLWindow own(dpy);
    GLWindowShape shape;
    shape.parent = parent;
    shape.width = static_cast<unsigned>(attr.width);
    shape.height = static_cast<unsigned>(attr.height);
    shape.events = kInputEvents;
    shape.name = "Preview";
    if (!OpenWindow(own, shape)) return 1;
    int px, py;
    PointerPosition(dpy, px, py);
    InputGate gate(true, px, py);
    return RunInWindow(dpy, own.Id(), &gate, None);
}

int RunHostWindow(Display* dpy, const X11Options& o) {
    Window target = o.windowGiven ? static_cast<Window>(o.window) : DefaultRootWindow(dpy);
    if (!WindowExists(dpy, target)) {
        std::fprintf(stderr, "meadowglow: window 0x%lx does not exist\n", static_cast<unsigned long>(target));
        return 1;
    }
    // Only to learn when the host destroys the window; input is the host's business.
    XSelectInput(dpy, target, StructureNotifyMask);
    return RunInWindow(dpy, target, nullptr, None);
}

int RunPlainWindow(Display* dpy) {
    GLWindow own(dpy);
    GLWindowShape shape;
    shape.width = 1024;
    shape.height = 768;
    shape.events = KeyPressMask | StructureNotifyMask;
    shape.name = "Meadowglow";
    shape.closeButton = true;
    if (!OpenWindow(own, shape)) return 1;
    // Keys close it; the pointer may roam freely over a window one is only trying out.
    InputGate gate(true, 0, 0);
    return RunInWindow(dpy, own.Id(), &gate, own.DeleteAtom());
}
