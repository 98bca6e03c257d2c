// Starts the audio CD from track 1 when the screen saver starts, optionally
// stops it after a number of minutes, and stops it when the saver ends.
// Settings in the "<CDPlayer>" section.
#pragma once

#include <cstdint>

#include "platform/CdAudio.h"
#include "xlib/SaverModule.h"
#include "xlib/StopWatch.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

class CSystemCDPlayer : public TabledModule<CSystemCDPlayer> {
public:
    // `watch` is the clock auto-off reads; the process's stopwatch by default.
    explicit CSystemCDPlayer(StopWatch* watch = nullptr);
    // Stops the CD when this player started it and auto-off has not stopped it
    // yet, then lets go of the drive. A player that never started the disc
    // (the settings dialog's instance, a preview) leaves alone a disc that
    // something else is playing.
    ~CSystemCDPlayer();
    // What the destructor does, for a process that ends without running
    // destructors; the destructor then has nothing left to do.
    void Finish();
    // Whether Finish has a disc to stop: this player started it and auto-off
    // has not stopped it yet.
    bool HasDiscToStop() const { return !m_Finished && Enabled && m_Started; }
    CSystemCDPlayer(const CSystemCDPlayer&) = delete;
    CSystemCDPlayer& operator=(const CSystemCDPlayer&) = delete;

    void Default() override;
    void Read(const XString& whole) override;
    void Write(XString& out) const override;
    static const SettingsTable<CSystemCDPlayer>& Settings();
    // At instance set-up: starts the disc when enabled and notes the time. A
    // preview (a small window) never starts it: the settings dialog restarts
    // its preview on every change, which would start the disc over each time,
    // and no auto-off runs there to stop it.
    void Setup(const SceneContext& scene) override { Setup(scene.smallWindow); }
    void Setup(bool smallWindow = false);
    // Every frame of a full-size window.
    void Process(const XDateTime& now) override;

private:
    uint32_t m_StartTime = 0;  // stopwatch reading at Setup
    CCdAudio m_Cd;
    bool m_Started = false;  // Setup asked the drive to play
    bool m_Finished = false; // Finish has run since the last Setup

public:
    bool Enabled;  // also cleared in memory when auto-off has stopped the disc
    bool AutoOff;
    int32_t AutoOffMinutes;

private:
    StopWatch* m_Watch;
};
