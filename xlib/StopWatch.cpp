#include "xlib/StopWatch.h"

#include "platform/Clock.h"
#include "xlib/StopSignal.h"

StopWatch::StopWatch(TimeSource time, Sleeper sleep)
    : m_Time(time ? time : &PlatformTimeMs), m_Sleep(sleep ? sleep : &PlatformSleepMs) {}

void StopWatch::Start() {
    m_Wrapped = false;
    if (!m_Running.exchange(true)) PlatformBeginFineTimer();
    m_Start = m_Time();
}

void StopWatch::Stop() {
    m_Stop = m_Time();
    if (m_Running.exchange(false)) PlatformEndFineTimer();
}

uint32_t StopWatch::Elapsed() {
    uint32_t now = m_Time();
    if (now < m_Start) m_Wrapped = true;
    return now - m_Start;
}

StopWatch& StopWatch::Process() {
    static StopWatch watch;
    return watch;
}

namespace {
// One step of the wait; false when a stop ended it.
bool Step(StopWatch& watch, const StopSignal* stop) {
    if (stop) return !stop->WaitFor(1);
    watch.Sleep(1);
    return true;
}
}  // namespace

bool PaceFrame(StopWatch& watch, uint32_t& lastFrameTime, uint32_t period, const StopSignal* stop) {
    if (!Step(watch, stop)) return false;
    uint32_t reading = watch.Elapsed();
    for (;;) {
        if (watch.Wrapped()) {
            watch.Stop();
            watch.Start();
            lastFrameTime = watch.Elapsed();
            return true;
        }
        if (reading - lastFrameTime >= period) {
            lastFrameTime = reading;
            return true;
        }
        if (!Step(watch, stop)) return false;
        reading = watch.Elapsed();
    }
}
