// The process-wide millisecond stopwatch over the platform's wrapping
// millisecond counter, and the frame pacing built on it.
#pragma once

#include <atomic>
#include <cstdint>

class StopSignal;

class StopWatch {
public:
    using TimeSource = uint32_t (*)();
    using Sleeper = void (*)(unsigned ms);

    // Real time by default; tests hand in a clock of their own.
    explicit StopWatch(TimeSource time = nullptr, Sleeper sleep = nullptr);

    // Asks for 1 ms sleep resolution for as long as the watch runs.
    void Start();
    void Stop();
    // Milliseconds since Start, as unsigned 32-bit; notes a wrap of the timer.
    uint32_t Elapsed();
    bool Wrapped() const { return m_Wrapped; }
    void Sleep(unsigned ms) const { m_Sleep(ms); }

    // The one watch both instances share.
    static StopWatch& Process();

private:
    TimeSource m_Time;
    Sleeper m_Sleep;
    // Both render threads read the shared watch.
    std::atomic<uint32_t> m_Start{0};
    uint32_t m_Stop = 0;
    std::atomic<bool> m_Wrapped{false};
    std::atomic<bool> m_Running{false};
};

// Waits until `period` ms have passed since `lastFrameTime` (always at least 1 ms),
// then stores the new frame time there. A timer wrap restarts the watch.
// With `stop`, each 1 ms step is a wait that the signal ends at once: the
// function then returns false without taking a new frame time, so however
// long the period, a close is never held up by it.
bool PaceFrame(StopWatch& watch, uint32_t& lastFrameTime, uint32_t period, const StopSignal* stop = nullptr);
