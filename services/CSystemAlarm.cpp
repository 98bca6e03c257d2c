#include "services/CSystemAlarm.h"

#include "platform/Sound.h"
#include "xlib/ConfigSection.h"
#include "xlib/UserFile.h"
#include "xlib/XException.h"

namespace {
// 1 January 2000, 06:00:00: the alarm's date plays no part, only its clock time.
void ResetAlarmTime(XDateTime& t) { t.Parse("20000101060000", "YYYYMMDDHHmmss"); }
}  // namespace

CSystemAlarm::~CSystemAlarm() {
    XGuard("CSystemAlarm destructor", [&] {
        if (m_AlarmSounding || m_ChimeDone) Sound().Stop();
    });
}

void CSystemAlarm::Default() {
    XGuard("CSystemAlarm::Default", [&] {
        ChimeType = kNone;
        ChimeFileName = "";
        EnableAlarm = false;
        ResetAlarmTime(AlarmTime);
        AlarmType = kBeep;
        AlarmFileName = "";
    });
}

void CSystemAlarm::Read(const XString& whole) {
    XGuard("CSystemAlarm::Read", [&] {
        const XString section = ConfigSectionText(whole, "Sound");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        ChimeType = ConfigReadInt(section, "ChimeType");
        ChimeFileName = ConfigReadText(section, "ChimeFileName");
        EnableAlarm = ConfigReadBoolExact(section, "EnableAlarm");
        ResetAlarmTime(AlarmTime);
        // An hour or minute out of range leaves that part of 06:00.
        AlarmTime.SetHour(ConfigReadInt(section, "AlarmHour"));
        AlarmTime.SetMinute(ConfigReadInt(section, "AlarmMinute"));
        AlarmType = ConfigReadInt(section, "AlarmType");
        AlarmFileName = ConfigReadText(section, "AlarmFileName");
    });
}

void CSystemAlarm::Write(XString& out) {
    XGuard("CSystemAlarm::Write", [&] {
        ConfigSectionWriter w(out, "Sound");
        w.Int("ChimeType", ChimeType);
        w.Text("ChimeFileName", ChimeFileName.View());
        w.Bool("EnableAlarm", EnableAlarm);
        w.Int("AlarmHour", AlarmTime.GetHour());
        w.Int("AlarmMinute", AlarmTime.GetMinute());
        w.Int("AlarmType", AlarmType);
        w.Text("AlarmFileName", AlarmFileName.View());
    });
}

void CSystemAlarm::Process(XDateTime now) {
    XGuard("CSystemAlarm::Process", [&] {
        const int minute = now.GetMinute();
        if (ChimeType != kNone) {
            if (m_ChimeDone) {
                if (minute == 59) m_ChimeDone = false;
            } else if (minute == 0) {
                m_ChimeDone = true;
                if (ChimeType == kBeep)
                    Sound().Beep();
                else if (ChimeType == kWave && !UserFileRefused(ChimeFileName, kMaxWaveFileBytes, "The chime's wave file"))
                    Sound().PlayWave(ChimeFileName.c_str(), false);
            }
        }
        if (!EnableAlarm) return;
        const bool alarmMinute = now.GetHour() == AlarmTime.GetHour() && minute == AlarmTime.GetMinute();
        if (alarmMinute && !m_AlarmSounding) {
            m_AlarmSounding = true;
            if (AlarmType == kBeep)
                Sound().Beep();
            else if (AlarmType == kWave && !UserFileRefused(AlarmFileName, kMaxWaveFileBytes, "The alarm's wave file"))
                Sound().PlayWave(AlarmFileName.c_str(), true);
        } else if (m_AlarmSounding && AlarmType == kBeep) {
            // A beep alarm beeps on every frame from its minute on.
            Sound().Beep();
        }
    });
}
