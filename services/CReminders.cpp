#include "services/CReminders.h"

#include <algorithm>
#include <vector>

#include "xlib/ConfigSection.h"

namespace {
void PadTo(std::string& s, size_t width) {
    if (s.size() < width) s.append(width - s.size(), ' ');
}

// The indices i of the "<Rem_i>" tags in the section that are below `count`,
// each once, ascending. Scanning the tags that are there, rather than trying
// every index up to the stored count, keeps a damaged count from costing
// billions of searches.
std::vector<unsigned> EntryIndices(std::string_view section, int32_t count) {
    std::vector<unsigned> indices;
    if (count <= 0) return indices;
    static constexpr std::string_view kOpen = "<Rem_";
    for (size_t at = section.find(kOpen); at != std::string_view::npos; at = section.find(kOpen, at + 1)) {
        size_t p = at + kOpen.size();
        const size_t digits = p;
        uint64_t value = 0;
        while (p < section.size() && section[p] >= '0' && section[p] <= '9' && p - digits < 10)
            value = value * 10 + static_cast<unsigned>(section[p++] - '0');
        // Only the canonical spelling "<Rem_" i ">" names entry i.
        if (p == digits || p >= section.size() || section[p] != '>') continue;
        if (section[digits] == '0' && p - digits > 1) continue;
        if (value < static_cast<uint64_t>(count)) indices.push_back(static_cast<unsigned>(value));
    }
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    return indices;
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

void CReminders::Default() {
    XGuard("CReminders::Default", [&] {
        Enabled = false;
        ShowOnClose = true;
        ShowWhileRun = false;
        AutoCleanUp = true;
        m_List.Clear();
        m_Count = 0;
    });
}

void CReminders::Read(const XString* mainText, const XString* sharedText) {
    XGuard("CReminders::Read", [&] {
        if (mainText) {
            const XString section = ConfigSectionText(*mainText, "Reminders");
            if (section.IsEmpty()) {
                Default();
            } else {
                Enabled = ConfigReadBoolExact(section, "Enabled");
                ShowOnClose = ConfigReadBoolExact(section, "ShowOnClose");
                ShowWhileRun = ConfigReadBoolExact(section, "ShowWhileRun");
                AutoCleanUp = ConfigReadBoolExact(section, "AutoCleanUp");
            }
        }
        if (sharedText) ReadList(*sharedText);
        m_Count = m_List.GetCount();
    });
}

void CReminders::ReadList(const XString& shared) {
    const XString section = ConfigSectionText(shared, "Reminders");
    const int32_t count = ConfigReadInt(section, "NumReminders");
    XDateTime today;
    today.SetToNow();
    for (unsigned i : EntryIndices(section.View(), count)) {
        const std::string index = std::to_string(i);
        const XString entry = ConfigBetween(section, "<Rem_" + index + ">", "</Rem_" + index + ">");
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

void CReminders::Write(XString* mainText, XString* sharedText) {
    XGuard("CReminders::Write", [&] {
        if (mainText) {
            ConfigSectionWriter w(*mainText, "Reminders");
            w.Bool("Enabled", Enabled);
            w.Bool("ShowOnClose", ShowOnClose);
            w.Bool("ShowWhileRun", ShowWhileRun);
            w.Bool("AutoCleanUp", AutoCleanUp);
            w.Close();
        }
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
