#include "services/CSystemCDPlayer.h"

#include "xlib/ConfigSection.h"
#include "xlib/XException.h"

CSystemCDPlayer::CSystemCDPlayer(StopWatch* watch) : m_Watch(watch ? watch : &StopWatch::Process()) { Default(); }

CSystemCDPlayer::~CSystemCDPlayer() { Finish(); }

void CSystemCDPlayer::Finish() {
    XGuard("CSystemCDPlayer::Finish", [&] {
        if (m_Finished) return;
        m_Finished = true;
        if (Enabled && m_Started) m_Cd.Stop();
        m_Started = false;
        m_Cd.Close();
    });
}

void CSystemCDPlayer::Default() {
    XGuard("CSystemCDPlayer::Default", [&] {
        Enabled = false;
        AutoOff = false;
        AutoOffMinutes = 60;
    });
}

void CSystemCDPlayer::Read(const XString& whole) {
    XGuard("CSystemCDPlayer::Read", [&] {
        const XString section = ConfigSectionText(whole, "CDPlayer");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        Enabled = ConfigReadBoolExact(section, "Enabled");
        AutoOff = ConfigReadBoolExact(section, "AutoOff");
        AutoOffMinutes = ConfigReadInt(section, "AutoOffMinutes");
    });
}

void CSystemCDPlayer::Write(XString& out) {
    XGuard("CSystemCDPlayer::Write", [&] {
        ConfigSectionWriter w(out, "CDPlayer");
        w.Bool("Enabled", Enabled);
        w.Bool("AutoOff", AutoOff);
        w.Int("AutoOffMinutes", AutoOffMinutes);
    });
}

void CSystemCDPlayer::Setup(bool smallWindow) {
    XGuard("CSystemCDPlayer::Setup", [&] {
        m_Finished = false;
        if (Enabled && !smallWindow) {
            m_Cd.Play(1);  // no drive or no disc: the saver runs on
            m_Started = true;
        }
        m_StartTime = m_Watch->Elapsed();
    });
}

void CSystemCDPlayer::Process(XDateTime) {
    XGuard("CSystemCDPlayer::Process", [&] {
        if (!AutoOff || !Enabled) return;
        // In 64 bits: a large minute count must not wrap into an early stop.
        const int64_t limit = static_cast<int64_t>(AutoOffMinutes) * 60000;
        const int64_t running = static_cast<uint32_t>(m_Watch->Elapsed() - m_StartTime);
        if (limit < running) {
            m_Cd.Stop();
            Enabled = false;  // in memory only; the file keeps its value
        }
    });
}
