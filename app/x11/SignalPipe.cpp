#include "app/x11/SignalPipe.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "xlib/CloseTrace.h"

namespace {
std::atomic<bool> g_Terminate{false};
int g_WakePipe[2] = {-1, -1};

void OnTerminate(int) {
    CloseTraceBegin();
    g_Terminate = true;
    WakeSignalPipe();
}
}  // namespace

void InstallTerminationSignals() {
    if (pipe(g_WakePipe) == 0) {
        for (int fd : g_WakePipe) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    struct sigaction sa{};
    sa.sa_handler = OnTerminate;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

bool TerminateRequested() { return g_Terminate; }

int SignalWakeFd() { return g_WakePipe[0]; }

void WakeSignalPipe() {
    if (g_WakePipe[1] < 0) return;
    const char byte = 1;
    ssize_t ignored = write(g_WakePipe[1], &byte, 1);
    (void)ignored;
}

void DrainSignalPipe() {
    if (g_WakePipe[0] < 0) return;
    char drain[16];
    while (read(g_WakePipe[0], drain, sizeof drain) > 0) {
    }
}
