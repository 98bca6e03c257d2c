#include "xlib/XRandom.h"

#include <atomic>

namespace {
// Several render threads draw from it; an atomic keeps every step whole.
std::atomic<uint32_t> g_State{1};
}  // namespace

void XSeedRandom(uint32_t seed) { g_State.store(seed, std::memory_order_relaxed); }

int XRandom() {
    uint32_t s = g_State.load(std::memory_order_relaxed);
    uint32_t next;
    do {
        next = s * 214013u + 2531011u;
    } while (!g_State.compare_exchange_weak(s, next, std::memory_order_relaxed));
    return static_cast<int>((next >> 16) & 0x7FFF);
}
