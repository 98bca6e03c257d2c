#include "xlib/CloseTrace.h"

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
std::atomic<bool> g_On{false};
std::atomic<int64_t> g_BeginNs{0};
FILE* g_Out = nullptr;

int64_t MonotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

void CloseTraceInit() {
    const char* where = std::getenv("MEADOWGLOW_TRACE_CLOSE");
    if (!where || !*where) return;
    if (std::strcmp(where, "1") == 0 || std::strcmp(where, "-") == 0) {
        g_Out = stderr;
    } else {
        g_Out = std::fopen(where, "a");
        if (!g_Out) return;
    }
    // One write per line, so lines from different threads never mix.
    std::setvbuf(g_Out, nullptr, _IONBF, 0);
    g_On = true;
}

bool CloseTraceOn() { return g_On.load(std::memory_order_relaxed); }

void CloseTraceBegin() {
    if (!CloseTraceOn()) return;
    int64_t unset = 0;
    g_BeginNs.compare_exchange_strong(unset, MonotonicNs());
}

void CloseTraceMark(const char* step) {
    if (!CloseTraceOn()) return;
    const int64_t begin = g_BeginNs.load();
    if (begin == 0) return;
    const double ms = static_cast<double>(MonotonicNs() - begin) / 1e6;
    const int64_t epochUs =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    char line[200];
    const int n = std::snprintf(line, sizeof line, "meadowglow close: +%.3f ms %s (epoch_us %" PRId64 ")\n", ms,
                                step, epochUs);
    if (n > 0) std::fwrite(line, 1, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1, g_Out);
}
