#include "services/CSystemCDPlayer.h"

#include "xlib/SettingsTable.h"

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

namespace {
constexpr Setting<CSystemCDPlayer> kRows[] = {
    SettingOf("Enabled", &CSystemCDPlayer::Enabled, false).Exact(),
    SettingOf("AutoOff", &CSystemCDPlayer::AutoOff, false).Exact(),
    SettingOf("AutoOffMinutes", &CSystemCDPlayer::AutoOffMinutes, 60).Signed(),
};
constexpr SettingsTable<CSystemCDPlayer> kTable("CDPlayer", kRows);
}  // namespace

const SettingsTable<CSystemCDPlayer>& CSystemCDPlayer::Settings() { return kTable; }

template class TabledModule<CSystemCDPlayer>;

void CSystemCDPlayer::Default() { kTable.Default(*this); }

void CSystemCDPlayer::Read(const XString& whole) {
    XGuard("CSystemCDPlayer::Read", [&] {
        if (!kTable.Read(*this, whole)) Default();
    });
}

void CSystemCDPlayer::Write(XString& out) const {
    XGuard("CSystemCDPlayer::Write", [&] { kTable.WriteSection(*this, out); });
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

void CSystemCDPlayer::Process(const XDateTime&) {
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
