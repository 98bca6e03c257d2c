// The Linux program: the same saver full screen, as a preview child, inside
// XScreenSaver's window, in a plain window, or as a benchmark.
#include <FreeImage.h>
#include <X11/Xlib.h>
#include <poll.h>
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
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "app/InputGate.h"
#include "app/SceneRect.h"
#include "app/ShippedAssets.h"
#include "app/x11/BenchEmitters.h"
#include "app/x11/Monitors.h"
#include "app/x11/SignalPipe.h"
#include "app/x11/X11Front.h"
#include "app/x11/X11Window.h"
#include "platform/CpuTime.h"
#include "platform/GLInclude.h"
#include "platform/Process.h"
#include "platform/ProgramDir.h"
#include "xlib/CloseTrace.h"
#include "xlib/XPaths.h"

namespace {
constexpr long kInputEvents =
    KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;

// Opens the mode's window, or says why it could not.
bool OpenWindow(GLWindow& window, const GLWindowSpec& spec) {
    std::string error;
    if (window.Open(spec, error)) return true;
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
        GLWindowSpec spec;
        spec.width = w;
        spec.height = h;
        spec.overrideRedirect = true;
        spec.events = kInputEvents;
        spec.name = "Screensaver";
        spec.raised = true;
        spec.cursor = blank;
        if (OpenWindow(own, spec)) {
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
    GLWindowSpec spec;
    spec.parent = parent;
    spec.width = static_cast<unsigned>(attr.width);
    spec.height = static_cast<unsigned>(attr.height);
    spec.events = kInputEvents;
    spec.name = "Preview";
    if (!OpenWindow(own, spec)) return 1;
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
    GLWindowSpec spec;
    spec.width = 1024;
    spec.height = 768;
    spec.events = KeyPressMask | StructureNotifyMask;
    spec.name = "Meadowglow";
    spec.closeButton = true;
    if (!OpenWindow(own, spec)) return 1;
    // Keys close it; the pointer may roam freely over a window one is only trying out.
    InputGate gate(true, 0, 0);
    return RunInWindow(dpy, own.Id(), &gate, own.DeleteAtom());
}

// The start time (field 22, in clock ticks since boot) from the text of a
// /proc/<pid>/stat file; none when the text has no such field.
std::optional<unsigned long long> ProcStatStartTicks(const std::string& stat) {
    // The command name is the only field that may hold spaces or ')': it ends
    // at the last ')', and field 3 starts two characters later.
    const size_t paren = stat.rfind(')');
    if (paren == std::string::npos || paren + 2 > stat.size()) return std::nullopt;
    const char* p = stat.c_str() + paren + 2;
    for (int field = 3; field < 22; ++field) {
        p = std::strchr(p, ' ');
        if (!p) return std::nullopt;
        ++p;
    }
    char* end = nullptr;
    const unsigned long long ticks = std::strtoull(p, &end, 10);
    if (end == p) return std::nullopt;
    return ticks;
}

double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Milliseconds since the system started this process, -1 when /proc does not say.
double MsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::optional<unsigned long long> start = ProcStatStartTicks(content);
    if (!start) return -1;
    // The start time counts from boot, suspended time included.
    struct timespec now;
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double startMs = *start * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6 - startMs;
}

bool SavePng(const std::string& path, unsigned width, unsigned height, std::vector<unsigned char>& bgr) {
    const unsigned pitch = (width * 3 + 3) & ~3u;
    FIBITMAP* bmp = FreeImage_ConvertFromRawBits(bgr.data(), static_cast<int>(width), static_cast<int>(height),
                                                 static_cast<int>(pitch), 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                                 FI_RGBA_BLUE_MASK, FALSE);
    if (!bmp) return false;
    const bool ok = FreeImage_Save(FIF_PNG, bmp, path.c_str(), PNG_DEFAULT) != FALSE;
    FreeImage_Unload(bmp);
    return ok;
}

int RunBench(Display* dpy, const X11Options& o) {
    GLWindow own(dpy);
    GLWindowSpec spec;
    spec.width = o.width;
    spec.height = o.height;
    spec.overrideRedirect = true;
    spec.events = StructureNotifyMask;
    spec.raised = true;
    std::string error;
    if (!own.Open(spec, error)) {
        std::fprintf(stderr, "meadowglow: %s\n", error.c_str());
        return 1;
    }
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
            wallStart = WallMs();
            cpuStart = PlatformProcessCpuMs();
        }
        if (index + 1 == frames) {
            wallEnd = WallMs();
            cpuEnd = PlatformProcessCpuMs();
            if (!o.snapshot.empty() && saver.IsInitialised()) {
                pixels.resize(static_cast<size_t>((o.width * 3 + 3) & ~3u) * o.height);
                glPixelStorei(GL_PACK_ALIGNMENT, 4);
                glReadPixels(0, 0, static_cast<GLsizei>(o.width), static_cast<GLsizei>(o.height), GL_BGR,
                             GL_UNSIGNED_BYTE, pixels.data());
            }
            std::lock_guard<std::mutex> lock(m);
            done = true;
            cv.notify_all();
            WakeSignalPipe();
        }
        framesDrawn = index + 1;
    });
    if (o.unpaced) saver.SetPeriodOverride(0);
    if (o.seed >= 0) saver.SetSeedOverride(o.seed);
    saver.SetWindow(static_cast<NativeWindow>(own.Id()));
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
        if (TerminateRequested()) break;
        const int wake = SignalWakeFd();
        if (wake < 0) {
            std::unique_lock<std::mutex> lock(m);
            cv.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; });
            continue;
        }
        struct pollfd pfd = {wake, POLLIN, 0};
        if (poll(&pfd, 1, 1000) > 0) DrainSignalPipe();
    }
    const double closeStart = WallMs();
    saver.Stop();
    const double closeMs = WallMs() - closeStart;
    saver.SetFrameObserver(nullptr);
    if (!done) {
        // No figures to give: a benchmark cut short is not a result.
        if (TerminateRequested())
            std::fprintf(stderr, "meadowglow: benchmark stopped by a signal after %u of %u frames\n",
                         framesDrawn.load(), frames);
        return 1;
    }

    std::printf("renderer: %s\n", renderer.c_str());
    const double intervals = frames > 1 ? frames - 1 : 1;
    const double wall = wallEnd - wallStart;
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
