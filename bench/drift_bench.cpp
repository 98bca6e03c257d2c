// The background pictures' colour drift on its own: CPU milliseconds per step
// for a 1920 x 1080 picture, the sixteen-byte step against the byte-by-byte
// one, and a check that both leave the same pixels.
// Run: build/linux/drift_bench, or cmake/wine-run.sh build/windows/drift_bench.exe
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/CpuTime.h"
#include "scene/CBgBitmap.h"
#include "xlib/XRandom.h"

namespace {
constexpr uint32_t kW = 1920, kH = 1080, kPitch = kW * 3;
constexpr int kSteps = 200;

struct Run {
    std::vector<uint8_t> pixels;
    CColorDrift drift;
    double ms = 0;
};

void Prepare(Run& r) {
    XSeedRandom(42);
    r.pixels.resize(static_cast<size_t>(kPitch) * kH);
    for (auto& v : r.pixels) v = static_cast<uint8_t>(XRandom() & 255);
    r.drift.Setup(kW, kH);
    // Every direction somewhere, so the folds at both bounds are exercised.
    int8_t* d = r.drift.Directions();
    for (size_t i = 0; i < static_cast<size_t>(kW) * kH * 3; ++i) d[i] = static_cast<int8_t>(XRandom() % 3 - 1);
    r.drift.SetStepSizes(3, -2, 1);
}
}  // namespace

int main() {
    Run fast, bytewise;
    Prepare(fast);
    Prepare(bytewise);
    double start = PlatformThreadCpuMs();
    for (int i = 0; i < kSteps; ++i) fast.drift.Step(fast.pixels.data(), kW, kH, kPitch);
    fast.ms = (PlatformThreadCpuMs() - start) / kSteps;
    start = PlatformThreadCpuMs();
    for (int i = 0; i < kSteps; ++i) bytewise.drift.StepBytewise(bytewise.pixels.data(), kW, kH, kPitch);
    bytewise.ms = (PlatformThreadCpuMs() - start) / kSteps;
    const bool same = fast.pixels == bytewise.pixels &&
                      std::memcmp(fast.drift.Directions(), bytewise.drift.Directions(), size_t(kW) * kH * 3) == 0;
    std::printf("picture: %ux%u, steps: %d\n", kW, kH, kSteps);
    std::printf("drift_cpu_ms_per_step: %.3f\n", fast.ms);
    std::printf("bytewise_cpu_ms_per_step: %.3f\n", bytewise.ms);
    std::printf("same_pixels: %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
