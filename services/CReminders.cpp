#include "services/CReminders.h"

#include "xlib/SettingsTable.h"

#include <algorithm>
#include <vector>

#include "xlib/ConfigSection.h"

namespace {
void PadTo(std::string& s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
}

}  // namespace

CReminder::CReminder() : Type("None") { Date.SetToNow(); }

std::string CReminder::Summary() const {
    std::string line;
    XGuard("CReminder::Summary", [&] {
        std::string title(RemTitle.View());
        if (title.size() > 40) title = title.substr(0, 40) + " ...";
        PadTo(title, 43);

        std::string date;
        Date.Format(date, "MMM DD, YYYY");
        PadTo(date, 15);

        std::string type(Type.View());
        PadTo(type, 30);

        std::string msg(RemMsg.View());
        if (msg.size() > 40) {
            std::string flat;
            for (size_t i = 0; i < msg.size(); ++i) {
                if (msg[i] == '\r' && i + 1 < msg.size() && msg[i + 1] == '\n') {
                    flat += ' ';
                    ++i;
                } else {
                    flat += msg[i];
                }
            }
            while (!flat.empty() && flat.back() == ' ') flat.pop_back();
            msg = flat.substr(0, 40) + " ...";
        }
        line = title + date + type + msg;
    });
    return line;
}

namespace {
constexpr Setting<CReminders> kRows[] = {
    SettingOf("Enabled", &CReminders::Enabled, false).Exact(),
    SettingOf("ShowOnClose", &CReminders::ShowOnClose, true).Exact(),
    SettingOf("ShowWhileRun", &CReminders::ShowWhileRun, false).Exact(),
    SettingOf("AutoCleanUp", &CReminders::AutoCleanUp, true).Exact(),
};
constexpr SettingsTable<CReminders> kTable("Reminders", kRows);
}  // namespace

const SettingsTable<CReminders>& CReminders::Settings() { return kTable; }

template class TabledModule<CReminders>;

void CReminders::Default() {
    XGuard("CReminders::Default", [&] {
        kTable.Default(*this);
        m_List.Clear();
        m_Count = 0;
    });
}

void CReminders::Read(const XString* mainText, const XString* sharedText) {
    XGuard("CReminders::Read", [&] {
        if (mainText && !kTable.Read(*this, *mainText)) Default();
        if (sharedText) ReadList(*sharedText);
        m_Count = m_List.GetCount();
    });
}

void CReminders::ReadList(const XString& shared) {
    const XString section = ConfigSectionText(shared, "Reminders");
    const int32_t count = ConfigReadInt(section, "NumReminders");
    XDateTime today;
    today.SetToNow();
    for (const ConfigListEntry& listed : ConfigReadList(section, "Rem", count > 0 ? static_cast<uint64_t>(count) : 0)) {
        const XString& entry = listed.value;
        if (entry.IsEmpty()) continue;
        CReminder rem;
        rem.Date.Parse(ConfigReadText(entry, "Date").c_str(), "YYYYMMDD");
        rem.Type = ConfigReadText(entry, "Type");
        rem.RemTitle = ConfigReadText(entry, "RemTitle");
        rem.RemMsg = ConfigReadText(entry, "RemMsg");
        if (AutoCleanUp && rem.Date.CompareDate(today) < 0) continue;
        m_List.Add(rem);
    }
    m_Count = m_List.GetCount();
}

void CReminders::Write(XString& out) const {
    XGuard("CReminders::Write", [&] { kTable.WriteSection(*this, out); });
}

void CReminders::Write(XString* mainText, XString* sharedText) {
    XGuard("CReminders::Write", [&] {
        if (mainText) Write(*mainText);
        if (sharedText) {
            m_Count = m_List.GetCount();
            ConfigSectionWriter w(*sharedText, "Reminders");
            w.UInt("NumReminders", m_Count);
            for (unsigned i = 0; i < m_Count; ++i) {
                const CReminder& rem = m_List.Get(i);
                std::string date;
                rem.Date.Format(date, "YYYYMMDD");
                w.Open("Rem_" + std::to_string(i));
                w.Text("Date", date);
                w.Text("Type", rem.Type.View());
                w.Text("RemTitle", rem.RemTitle.View());
                w.Text("RemMsg", rem.RemMsg.View());
                w.Close();
            }
            w.Close();
        }
    });
}
