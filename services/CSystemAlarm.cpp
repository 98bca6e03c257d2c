#include "services/CSystemAlarm.h"

#include "xlib/SettingsTable.h"

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

namespace {
// An hour or minute out of range leaves that part of 06:00.
int32_t AlarmHour(const CSystemAlarm& a) { return a.AlarmTime.GetHour(); }
void SetAlarmHour(CSystemAlarm& a, int32_t hour) { a.AlarmTime.SetHour(hour); }
int32_t AlarmMinute(const CSystemAlarm& a) { return a.AlarmTime.GetMinute(); }
void SetAlarmMinute(CSystemAlarm& a, int32_t minute) { a.AlarmTime.SetMinute(minute); }

constexpr Setting<CSystemAlarm> kRows[] = {
    SettingOf("ChimeType", &CSystemAlarm::ChimeType, CSystemAlarm::kNone).Signed(),
    SettingOf("ChimeFileName", &CSystemAlarm::ChimeFileName, ""),
    SettingOf("EnableAlarm", &CSystemAlarm::EnableAlarm, false).Exact(),
    SettingOf<CSystemAlarm>("AlarmHour", AlarmHour, SetAlarmHour, 6),
    SettingOf<CSystemAlarm>("AlarmMinute", AlarmMinute, SetAlarmMinute, 0),
    SettingOf("AlarmType", &CSystemAlarm::AlarmType, CSystemAlarm::kBeep).Signed(),
    SettingOf("AlarmFileName", &CSystemAlarm::AlarmFileName, ""),
};
constexpr SettingsTable<CSystemAlarm> kTable("Sound", kRows);
}  // namespace

const SettingsTable<CSystemAlarm>& CSystemAlarm::Settings() { return kTable; }

template class TabledModule<CSystemAlarm>;

void CSystemAlarm::Default() {
    XGuard("CSystemAlarm::Default", [&] {
        ResetAlarmTime(AlarmTime);
        kTable.Default(*this);
    });
}

void CSystemAlarm::Read(const XString& whole) {
    XGuard("CSystemAlarm::Read", [&] {
        const XString section = ConfigSectionText(whole, kTable.Section());
        if (section.IsEmpty()) {
            Default();
            return;
        }
        ResetAlarmTime(AlarmTime);
        kTable.ReadRows(*this, section);
    });
}

void CSystemAlarm::Write(XString& out) const {
    XGuard("CSystemAlarm::Write", [&] { kTable.WriteSection(*this, out); });
}

void CSystemAlarm::Process(const XDateTime& now) {
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
