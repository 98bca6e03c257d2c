#include "xlib/StopWatch.h"

#include "platform/Clock.h"

StopWatch::StopWatch(TimeSource time, Sleeper sleep)
    : m_Time(time ? time : &PlatformTimeMs), m_Sleep(sleep ? sleep : &PlatformSleepMs) {}

void StopWatch::Start() {
    m_Wrapped = false;
    if (!m_Running.exchange(true)) PlatformBeginTimerPeriod();
    m_Start = m_Time();
}

void StopWatch::Stop() {
    m_Stop = m_Time();
    if (m_Running.exchange(false)) PlatformEndTimerPeriod();
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

void PaceFrame(StopWatch& watch, uint32_t& lastFrameTime, uint32_t period) {
    watch.Sleep(1);
    uint32_t reading = watch.Elapsed();
    for (;;) {
        if (watch.Wrapped()) {
            watch.Stop();
            watch.Start();
            lastFrameTime = watch.Elapsed();
            return;
        }
        if (reading - lastFrameTime >= period) {
            lastFrameTime = reading;
            return;
        }
        watch.Sleep(1);
        reading = watch.Elapsed();
    }
}
