// The hourly chime and the alarm: a beep or a wave file at the top of every
// hour, and an alarm at a chosen hour and minute that goes on sounding until
// the screen saver ends. Settings in the "<Sound>" section.
#pragma once

#include <cstdint>

#include "xlib/SaverModule.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

class CSystemAlarm : public TabledModule<CSystemAlarm> {
public:
    enum : int32_t { kNone = 0, kBeep = 1, kWave = 2 };

    CSystemAlarm() { Default(); }
    // Stops the sound when the alarm or this hour's chime sounded.
    ~CSystemAlarm();
    CSystemAlarm(const CSystemAlarm&) = delete;
    CSystemAlarm& operator=(const CSystemAlarm&) = delete;

    void Default() override;
    void Read(const XString& whole) override;
    void Write(XString& out) const override;
    static const SettingsTable<CSystemAlarm>& Settings();
    // Every frame of a full-size window, with the frame's local time.
    void Process(const XDateTime& now) override;

    bool IsAlarmSounding() const { return m_AlarmSounding; }
    bool IsChimeDone() const { return m_ChimeDone; }

private:
    bool m_AlarmSounding = false;  // never cleared during a run
    bool m_ChimeDone = false;      // this hour's chime has sounded; re-armed at minute 59

public:
    int32_t ChimeType;
    XString ChimeFileName;
    bool EnableAlarm;
    XDateTime AlarmTime;  // only the hour and the minute matter
    int32_t AlarmType;    // 1 beep, 2 wave; anything else is silent
    XString AlarmFileName;
};
