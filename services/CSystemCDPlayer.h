// Starts the audio CD from track 1 when the screen saver starts, optionally
// stops it after a number of minutes, and stops it when the saver ends.
// Settings in the "<CDPlayer>" section.
#pragma once

#include <cstdint>

#include "platform/CdAudio.h"
#include "xlib/StopWatch.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

class CSystemCDPlayer {
public:
    // `watch` is the clock auto-off reads; the process's stopwatch by default.
    explicit CSystemCDPlayer(StopWatch* watch = nullptr);
    // Stops the CD when it is still enabled, then lets go of the drive.
    ~CSystemCDPlayer();
    CSystemCDPlayer(const CSystemCDPlayer&) = delete;
    CSystemCDPlayer& operator=(const CSystemCDPlayer&) = delete;

    void Default();
    void Read(const XString& whole);
    void Write(XString& out);
    // At instance set-up: starts the disc when enabled and notes the time.
    void Setup();
    // Every frame of a full-size window.
    void Process(XDateTime now);

private:
    uint32_t m_StartTime = 0;  // stopwatch reading at Setup
    CCdAudio m_Cd;

public:
    bool Enabled;  // also cleared in memory when auto-off has stopped the disc
    bool AutoOff;
    int32_t AutoOffMinutes;

private:
    StopWatch* m_Watch;
};
