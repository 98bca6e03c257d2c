#include "app/x11/Bench.h"

#include <FreeImage.h>
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
#include <iterator>
#include <memory>
#include <mutex>

#include "app/CScreenSaver.h"
#include "app/x11/BenchEmitters.h"
#include "app/x11/SignalPipe.h"
#include "app/x11/X11Window.h"
#include "platform/CpuTime.h"
#include "platform/GLInclude.h"

namespace {
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
}  // namespace

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
    GLWindowShape shape;
    shape.width = o.width;
    shape.height = o.height;
    shape.overrideRedirect = true;
    shape.events = StructureNotifyMask;
    shape.raised = true;
    std::string error;
    if (!own.Open(shape, error)) {
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
