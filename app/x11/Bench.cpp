#include "app/x11/Bench.h"

#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "app/BenchRun.h"
#include "app/CScreenSaver.h"
#include "app/x11/SignalPipe.h"
#include "app/x11/X11Window.h"

int RunBench(Display* dpy, const X11Options& o) {
    GLWindow own(dpy);
    GLWindowShape shape;
    shape.width = o.bench.width;
    shape.height = o.bench.height;
    shape.overrideRedirect = true;
    shape.events = StructureNotifyMask;
    shape.raised = true;
    std::string error;
    if (!own.Open(shape, error)) {
        std::fprintf(stderr, "meadowglow: %s\n", error.c_str());
        return 1;
    }
    XSync(dpy, False);

    std::mutex m;
    std::condition_variable cv;
    BenchRun run(FullScreenSaver(), o.bench, [&] {
        std::lock_guard<std::mutex> lock(m);
        cv.notify_all();
        WakeSignalPipe();
    });
    if (!run.Start(static_cast<NativeWindow>(own.Id()))) {
        std::fprintf(stderr, "meadowglow: Fatal Error: could not start thread.\n");
        return 1;
    }
    // A signal only writes to the wake-up pipe (a condition variable cannot be
    // notified from a handler), so the wait is a poll on that pipe; the last
    // frame writes to it too.
    while (!run.Done() && !TerminateRequested()) {
        const int wake = SignalWakeFd();
        if (wake < 0) {
            std::unique_lock<std::mutex> lock(m);
            cv.wait_for(lock, std::chrono::milliseconds(100), [&] { return run.Done(); });
            continue;
        }
        struct pollfd pfd = {wake, POLLIN, 0};
        if (poll(&pfd, 1, 1000) > 0) DrainSignalPipe();
    }
    run.Stop();
    if (!run.Done() && TerminateRequested())
        std::fprintf(stderr, "meadowglow: benchmark stopped by a signal after %u of %u frames\n", run.FramesDrawn(),
                     o.bench.frames);
    return run.Report();
}
