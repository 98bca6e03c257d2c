// The Linux program: the same saver full screen, as a preview child, inside
// XScreenSaver's window, in a plain window, or as a benchmark.
#include <FreeImage.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "app/InputGate.h"
#include "app/x11/BenchEmitters.h"
#include "app/SceneRect.h"
#include "app/ShippedAssets.h"
#include "app/x11/X11Front.h"
#include "platform/GLInclude.h"
#include "platform/Process.h"
#include "platform/ProgramDir.h"
#include "platform/posix/X11GLVisual.h"
#include "xlib/CloseTrace.h"
#include "xlib/XPaths.h"

namespace {
std::atomic<bool> g_Terminate{false};
// The signal may land on any thread; this pipe wakes the event loop's poll at
// once rather than at its next timeout.
int g_WakePipe[2] = {-1, -1};

void OnTerminate(int) {
    CloseTraceBegin();
    g_Terminate = true;
    if (g_WakePipe[1] >= 0) {
        const char byte = 1;
        ssize_t ignored = write(g_WakePipe[1], &byte, 1);
        (void)ignored;
    }
}

double NowMs(clockid_t clock) {
    struct timespec ts;
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

// Milliseconds since this process was started by the system.
double MsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t paren = content.rfind(')');
    if (paren == std::string::npos) return -1;
    // Field 22 (starttime) counted from the field after the command name (field 3).
    const char* p = content.c_str() + paren + 2;
    unsigned long long start = 0;
    for (int field = 3; field <= 22 && *p; ++field) {
        if (field == 22) start = std::strtoull(p, nullptr, 10);
        p = std::strchr(p, ' ');
        if (!p) break;
        ++p;
    }
    double startMs = start * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return NowMs(CLOCK_BOOTTIME) - startMs;
}

int g_LastXError = 0;
int RecordXError(Display*, XErrorEvent* e) {
    g_LastXError = e->error_code;
    return 0;
}

// The host may destroy the window we draw into at any moment (the preview's
// parent closing, a screen-saver daemon tearing its window down); the render
// thread's next swap then fails with BadDrawable. Xlib's default handler would
// end the process on the spot with status 1, skipping the orderly stop, so X
// errors are left to the code that checks for them.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

bool WindowExists(Display* dpy, Window w) {
    XErrorHandler old = XSetErrorHandler(RecordXError);
    g_LastXError = 0;
    XWindowAttributes attr;
    Status ok = XGetWindowAttributes(dpy, w, &attr);
    XSync(dpy, False);
    XSetErrorHandler(old);
    return ok && g_LastXError == 0;
}

Cursor BlankCursor(Display* dpy, Window w) {
    static char bits[1] = {0};
    Pixmap pix = XCreateBitmapFromData(dpy, w, bits, 1, 1);
    XColor black{};
    Cursor c = XCreatePixmapCursor(dpy, pix, pix, &black, &black, 0, 0);
    XFreePixmap(dpy, pix);
    return c;
}

struct OwnWindow {
    Window window = 0;
    Colormap colormap = 0;
};

OwnWindow CreateGLWindow(Display* dpy, Window parent, int x, int y, unsigned w, unsigned h, bool overrideRedirect,
                         long events, std::string& error) {
    OwnWindow out;
    int screen = DefaultScreen(dpy);
    XVisualInfo* vi = ChooseGLVisual(dpy, screen);
    if (!vi) {
        error = "no double-buffered RGBA OpenGL visual on this display";
        return out;
    }
    XSetWindowAttributes swa{};
    out.colormap = XCreateColormap(dpy, RootWindow(dpy, screen), vi->visual, AllocNone);
    swa.colormap = out.colormap;
    swa.background_pixel = 0;
    swa.border_pixel = 0;
    swa.override_redirect = overrideRedirect ? True : False;
    swa.event_mask = events;
    out.window = XCreateWindow(dpy, parent, x, y, w, h, 0, vi->depth, InputOutput, vi->visual,
                               CWColormap | CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWEventMask, &swa);
    XFree(vi);
    return out;
}

void WaitForMap(Display* dpy, Window w) {
    XEvent ev;
    for (int i = 0; i < 200; ++i) {
        if (XCheckTypedWindowEvent(dpy, w, MapNotify, &ev)) return;
        usleep(5000);
    }
}

void GrabInput(Display* dpy, Window w, Cursor cursor) {
    // The grab fails until the window is viewable and any earlier grab is gone; retry briefly.
    for (int i = 0; i < 100; ++i) {
        if (XGrabKeyboard(dpy, w, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess) break;
        usleep(10000);
    }
    for (int i = 0; i < 100; ++i) {
        if (XGrabPointer(dpy, w, True, PointerMotionMask | ButtonPressMask | ButtonReleaseMask, GrabModeAsync,
                         GrabModeAsync, None, cursor, CurrentTime) == GrabSuccess)
            break;
        usleep(10000);
    }
}

void PointerPosition(Display* dpy, int& x, int& y) {
    Window rootRet, childRet;
    int wx, wy;
    unsigned mask;
    x = y = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &rootRet, &childRet, &x, &y, &wx, &wy, &mask);
}

// Waits for the next X event or a termination signal.
bool NextEvent(Display* dpy, XEvent& ev) {
    while (!g_Terminate) {
        if (XPending(dpy)) {
            XNextEvent(dpy, &ev);
            return true;
        }
        struct pollfd pfd[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {g_WakePipe[0], POLLIN, 0}};
        poll(pfd, g_WakePipe[0] >= 0 ? 2 : 1, 1000);
    }
    return false;
}

// The settings window belongs to the Windows program for now. Until Linux has
// one, "/c" does what opening it does to the files (a first run creates them
// with the defaults) and says where they are.
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

// The monitors that make up the X screen: XRandR's list (which marks the
// primary one), else Xinerama's (its first screen is the primary); empty when
// the display knows neither, and the screen is then one monitor.
std::vector<ScreenRect> Monitors(Display* dpy) {
    std::vector<ScreenRect> out;
    int eventBase = 0, errorBase = 0, count = 0;
    if (XRRQueryExtension(dpy, &eventBase, &errorBase)) {
        if (XRRMonitorInfo* m = XRRGetMonitors(dpy, DefaultRootWindow(dpy), True, &count)) {
            for (int i = 0; i < count; ++i)
                out.push_back(ScreenRect{m[i].x, m[i].y, m[i].width, m[i].height, m[i].primary != 0});
            XRRFreeMonitors(m);
        }
    }
    // Xinerama splits the screen where XRandR sees one monitor (Xvfb +xinerama).
    if (out.size() <= 1 && XineramaIsActive(dpy)) {
        if (XineramaScreenInfo* xs = XineramaQueryScreens(dpy, &count)) {
            if (count > 1) {
                out.clear();
                for (int i = 0; i < count; ++i)
                    out.push_back(ScreenRect{xs[i].x_org, xs[i].y_org, xs[i].width, xs[i].height, i == 0});
            }
            XFree(xs);
        }
    }
    return out;
}

int RunFullScreen(Display* dpy) {
    int screen = DefaultScreen(dpy);
    unsigned w = static_cast<unsigned>(DisplayWidth(dpy, screen));
    unsigned h = static_cast<unsigned>(DisplayHeight(dpy, screen));
    std::string error;
    OwnWindow own = CreateGLWindow(dpy, RootWindow(dpy, screen), 0, 0, w, h, true,
                                   KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                       PointerMotionMask | StructureNotifyMask,
                                   error);
    if (!own.window) {
        std::fprintf(stderr, "meadowglow: %s\n", error.c_str());
        return 1;
    }
    XStoreName(dpy, own.window, "Screensaver");
    // The window covers every monitor; the scene goes on the primary one.
    FullScreenSaver().SetSceneRect(
        SceneRectInWindow(Monitors(dpy), ScreenRect{0, 0, static_cast<int>(w), static_cast<int>(h), true}));
    Cursor blank = BlankCursor(dpy, own.window);
    XDefineCursor(dpy, own.window, blank);
    int px, py;
    PointerPosition(dpy, px, py);
    InputGate gate(false, px, py);
    XMapRaised(dpy, own.window);
    WaitForMap(dpy, own.window);
    GrabInput(dpy, own.window, blank);
    XSync(dpy, False);
    // The exit tasks may open a page: the window goes out of its way first.
    // Hidden, not destroyed: the render thread may still be finishing a frame
    // in it, and the process's end destroys it anyway.
    int rc = RunInWindow(dpy, own.window, &gate, None, [&] {
        CScreenSaver& saver = FullScreenSaver();
        if (!saver.HasExitTasks()) return;
        XUngrabPointer(dpy, CurrentTime);
        XUngrabKeyboard(dpy, CurrentTime);
        XUnmapWindow(dpy, own.window);
        XSync(dpy, False);
        CloseTraceMark("main: window hidden");
        saver.DoExitTasks();
        CloseTraceMark("main: exit tasks done");
    });
    XUngrabPointer(dpy, CurrentTime);
    XUngrabKeyboard(dpy, CurrentTime);
    XDestroyWindow(dpy, own.window);
    XFreeCursor(dpy, blank);
    XFreeColormap(dpy, own.colormap);
    XSync(dpy, False);
    return rc;
}

int RunPreviewChild(Display* dpy, Window parent) {
    XWindowAttributes attr;
    if (!WindowExists(dpy, parent) || !XGetWindowAttributes(dpy, parent, &attr)) return -1;
    std::string error;
    OwnWindow own = CreateGLWindow(dpy, parent, 0, 0, static_cast<unsigned>(attr.width),
                                   static_cast<unsigned>(attr.height), false,
                                   KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                                       PointerMotionMask | StructureNotifyMask,
                                   error);
    if (!own.window) {
        std::fprintf(stderr, "meadowglow: %s\n", error.c_str());
        return 1;
    }
    XStoreName(dpy, own.window, "Preview");
    XMapWindow(dpy, own.window);
    WaitForMap(dpy, own.window);
    int px, py;
    PointerPosition(dpy, px, py);
    InputGate gate(true, px, py);
    int rc = RunInWindow(dpy, own.window, &gate, None);
    if (WindowExists(dpy, own.window)) XDestroyWindow(dpy, own.window);
    XFreeColormap(dpy, own.colormap);
    XSync(dpy, False);
    return rc;
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
    std::string error;
    OwnWindow own = CreateGLWindow(dpy, DefaultRootWindow(dpy), 0, 0, 1024, 768, false,
                                   KeyPressMask | StructureNotifyMask, error);
    if (!own.window) {
        std::fprintf(stderr, "meadowglow: %s\n", error.c_str());
        return 1;
    }
    XStoreName(dpy, own.window, "Meadowglow");
    Atom deleteAtom = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(dpy, own.window, &deleteAtom, 1);
    XMapWindow(dpy, own.window);
    WaitForMap(dpy, own.window);
    // Keys close it; the pointer may roam freely over a window one is only trying out.
    InputGate gate(true, 0, 0);
    int rc = RunInWindow(dpy, own.window, &gate, deleteAtom);
    XDestroyWindow(dpy, own.window);
    XFreeColormap(dpy, own.colormap);
    XSync(dpy, False);
    return rc;
}

bool SavePng(const std::string& path, unsigned w, unsigned h, std::vector<unsigned char>& bgr) {
    unsigned pitch = (w * 3 + 3) & ~3u;
    FIBITMAP* bmp = FreeImage_ConvertFromRawBits(bgr.data(), static_cast<int>(w), static_cast<int>(h),
                                                 static_cast<int>(pitch), 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                                 FI_RGBA_BLUE_MASK, FALSE);
    if (!bmp) return false;
    bool ok = FreeImage_Save(FIF_PNG, bmp, path.c_str(), PNG_DEFAULT) != FALSE;
    FreeImage_Unload(bmp);
    return ok;
}

int RunBench(Display* dpy, const X11Options& o) {
    std::string error;
    OwnWindow own = CreateGLWindow(dpy, DefaultRootWindow(dpy), 0, 0, o.width, o.height, true, StructureNotifyMask,
                                   error);
    if (!own.window) {
        std::fprintf(stderr, "meadowglow: %s\n", error.c_str());
        return 1;
    }
    XMapRaised(dpy, own.window);
    WaitForMap(dpy, own.window);
    XSync(dpy, False);

    CScreenSaver& saver = FullScreenSaver();
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    double firstFrameMs = -1, wallStart = 0, cpuStart = 0, wallEnd = 0, cpuEnd = 0;
    std::vector<unsigned char> pixels;
    std::string renderer = "none";
    const unsigned frames = o.frames;
    std::unique_ptr<BenchEmitters> emitters;
    std::atomic<unsigned> framesDrawn{0};
    // The population the scene was set up with, so that a run shows which
    // count (file or command line) reached it.
    std::atomic<unsigned> critters{0};
    saver.SetFrameObserver([&](unsigned index) {
        if (index == 0) critters = saver.Critters().GetPopulationSize();
        if (o.benchEmitters && saver.IsInitialised()) {
            if (!emitters) emitters = std::make_unique<BenchEmitters>(o.benchEmitters, 300);
            emitters->Frame(index);
        }
        if (index == 0) {
            if (saver.IsInitialised()) {
                const GLubyte* r = glGetString(GL_RENDERER);
                const GLubyte* v = glGetString(GL_VERSION);
                renderer = std::string(r ? reinterpret_cast<const char*>(r) : "?") + ", OpenGL " +
                           (v ? reinterpret_cast<const char*>(v) : "?");
            }
            firstFrameMs = MsSinceProcessStart();
            wallStart = NowMs(CLOCK_MONOTONIC);
            cpuStart = NowMs(CLOCK_PROCESS_CPUTIME_ID);
        }
        if (index + 1 == frames) {
            wallEnd = NowMs(CLOCK_MONOTONIC);
            cpuEnd = NowMs(CLOCK_PROCESS_CPUTIME_ID);
            if (!o.snapshot.empty() && saver.IsInitialised()) {
                pixels.resize(static_cast<size_t>((o.width * 3 + 3) & ~3u) * o.height);
                glPixelStorei(GL_PACK_ALIGNMENT, 4);
                glReadPixels(0, 0, static_cast<GLsizei>(o.width), static_cast<GLsizei>(o.height), GL_BGR,
                             GL_UNSIGNED_BYTE, pixels.data());
            }
            std::lock_guard<std::mutex> lock(m);
            done = true;
            cv.notify_all();
            if (g_WakePipe[1] >= 0) {
                const char byte = 1;
                ssize_t ignored = write(g_WakePipe[1], &byte, 1);
                (void)ignored;
            }
        }
        framesDrawn = index + 1;
    });
    if (o.unpaced) saver.SetPeriodOverride(0);
    if (o.seed >= 0) saver.SetSeedOverride(o.seed);
    saver.SetWindow(static_cast<NativeWindow>(own.window));
    if (!saver.Start()) {
        std::fprintf(stderr, "meadowglow: Fatal Error: could not start thread.\n");
        return 1;
    }
    // A signal only writes to the wake-up pipe (a condition variable cannot be
    // notified from a handler), so the wait is a poll on that pipe; the last
    // frame writes to it too.
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m);
            if (done) break;
        }
        if (g_Terminate) break;
        struct pollfd pfd = {g_WakePipe[0], POLLIN, 0};
        if (g_WakePipe[0] < 0) {
            std::unique_lock<std::mutex> lock(m);
            cv.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; });
            continue;
        }
        if (poll(&pfd, 1, 1000) > 0) {
            char drain[16];
            while (read(g_WakePipe[0], drain, sizeof drain) > 0) {
            }
        }
    }
    double closeStart = NowMs(CLOCK_MONOTONIC);
    saver.Stop();
    double closeMs = NowMs(CLOCK_MONOTONIC) - closeStart;
    saver.SetFrameObserver(nullptr);
    if (!done) {
        // No figures to give: a benchmark cut short is not a result.
        if (g_Terminate) std::fprintf(stderr, "meadowglow: benchmark stopped by a signal after %u of %u frames\n",
                                      framesDrawn.load(), frames);
        return 1;
    }

    std::printf("renderer: %s\n", renderer.c_str());
    double intervals = frames > 1 ? frames - 1 : 1;
    double wall = wallEnd - wallStart;
    std::printf("frames: %u\nsize: %ux%u\n", frames, o.width, o.height);
    std::printf("critters: %u\n", critters.load());
    std::printf("fps: %.1f\n", wall > 0 ? intervals * 1000.0 / wall : 0.0);
    std::printf("cpu_ms_per_frame: %.3f\n", (cpuEnd - cpuStart) / intervals);
    std::printf("first_frame_ms: %.1f\n", firstFrameMs);
    std::printf("close_ms: %.1f\n", closeMs);
    if (emitters) std::printf("emitters: %u, live particles: %d\n", o.benchEmitters, emitters->LiveParticles());
    if (!o.snapshot.empty()) {
        if (pixels.empty() || !SavePng(o.snapshot, o.width, o.height, pixels)) {
            std::fprintf(stderr, "meadowglow: could not save %s\n", o.snapshot.c_str());
            return 1;
        }
        std::printf("snapshot: %s\n", o.snapshot.c_str());
    }
    XDestroyWindow(dpy, own.window);
    XFreeColormap(dpy, own.colormap);
    XSync(dpy, False);
    return 0;
}
}  // namespace

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
            return RunSettingsNote();
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
    FullScreenSaver().SetOverrides(o.overrides);
    PreviewSaver().SetOverrides(o.overrides);
    // The render thread opens its own connection: both must reach the same display.
    if (!o.display.empty()) setenv("DISPLAY", o.display.c_str(), 1);
    // First start: the sprites, pictures and help page the modules look for in
    // the installation directory come from beside the program.
    InstallShippedAssets(FindShippedAssetDir(PlatformProgramDir()), InstallDir());

    if (pipe(g_WakePipe) == 0) {
        for (int fd : g_WakePipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    struct sigaction sa{};
    sa.sa_handler = OnTerminate;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);

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
