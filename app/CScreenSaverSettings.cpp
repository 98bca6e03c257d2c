// The settings store of CScreenSaver: the main file (one section per module,
// in the registry's order) and the family's shared file; load, save, the
// backup and its restore, all under g_Lock.
#include "app/CScreenSaverModules.h"

#include "app/ConfigFile.h"
#include "services/InstallationId.h"
#include "xlib/ConfigSection.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"
#include "xlib/XString.h"

void CScreenSaver::DefaultAll() {
    XGuard("CScreenSaver::DefaultAll", [&] {
        // The overrides keep the values they were given, not the ones
        // overwritten here.
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        PutOverridesAside();
        m_ConfigName = "Meadowglow";
        for (const ModuleRow& row : Registry()) row.of(*this).Default();
    });
}

void CScreenSaver::WriteMainText(XString& out) {
    ConfigFileBegin(out, m_ConfigName);
    for (const ModuleRow& row : Registry()) row.of(*this).Write(out);
    ConfigFileEnd(out);
}

void CScreenSaver::ReadMainText(const XString& whole) {
    for (const ModuleRow& row : Registry()) row.of(*this).Read(whole);
}

namespace {
bool ReadWhole(XString& text, const std::string& path, std::string& error) {
    if (text.ReadFile(path.c_str())) return true;
    error = "Error: failed to read " + path + ". Msg=" + text.GetErrorMessage();
    return false;
}

bool Exists(const std::string& path) { return XString(path.c_str()).FileExists(); }
}  // namespace

bool CScreenSaver::WriteBoth(XString& mainText, XString& sharedText) {
    const std::string paths[2] = {MakeConfigFileName(false), MakeConfigFileName(true)};
    XString* texts[2] = {&mainText, &sharedText};
    // Neither file is written while the other may not be: no half-saved pair.
    for (const std::string& path : paths) {
        std::string why;
        if (!ConfigMayReplace(path, why)) {
            m_ErrorText = "Error: failed to write " + path + ". Msg=" + why;
            return false;
        }
    }
    for (int i = 0; i < 2; ++i) {
        std::string why;
        if (!ConfigWriteWhole(*texts[i], paths[i], why)) {
            m_ErrorText = "Error: failed to write " + paths[i] + ". Msg=" + why;
            return false;
        }
    }
    return true;
}

bool CScreenSaver::Save() {
    bool ok = false;
    XGuard("CScreenSaver::Save", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        m_ErrorText.clear();
        XString mainText, sharedText;
        // The file keeps its own values of what this run overrides.
        const bool overridden = m_OverridesApplied;
        PutOverridesAside();
        // A time-server list that has come since the load is saved and kept.
        m_DateTime.TakeRefreshedList();
        WriteMainText(mainText);
        if (overridden) ApplyOverrides();
        ConfigFileBegin(sharedText, "Shared");
        m_Reminders.Write(nullptr, &sharedText);
        ConfigFileEnd(sharedText);
        ok = WriteBoth(mainText, sharedText);
        if (ok) m_MainTextOnDisk = std::string(mainText.c_str(), mainText.GetLength());
    });
    return ok;
}

void CScreenSaver::SaveArrivedTimeServers() {
    // Every frame: the lock only once a list has come.
    if (!m_DateTime.HasArrivedList()) return;
    XGuard("CScreenSaver::SaveArrivedTimeServers", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        if (!m_DateTime.TakeRefreshedList()) return;
        // Only over the file as this instance last read or wrote it: a file
        // someone has changed since (the settings dialog) keeps their change,
        // and gets the list at its own next load.
        XString now;
        if (m_MainTextOnDisk.empty() || !now.ReadFile(MakeConfigFileName(false).c_str()) ||
            std::string(now.c_str(), now.GetLength()) != m_MainTextOnDisk)
            return;
        if (!Save()) WriteRunLog("Settings", m_ErrorText.c_str(), false);
    });
}

bool CScreenSaver::Load() {
    bool ok = false;
    XGuard("CScreenSaver::Load", [&] {
        std::unique_lock<std::recursive_mutex> lock(g_Lock);
        DefaultAll();  // puts the overrides aside first
        EnsureInstallationId();
        m_ErrorText.clear();
        const std::string mainPath = MakeConfigFileName(false);
        const std::string sharedPath = MakeConfigFileName(true);
        if (RefuseUnreadable(mainPath)) return;
        const bool sharedExists = Exists(sharedPath);
        XString text;
        if (Exists(mainPath)) {
            if (!ReadWhole(text, mainPath, m_ErrorText)) return;
            m_MainTextOnDisk = std::string(text.c_str(), text.GetLength());
            ReportDamage(text, mainPath, MainSections());
            ReadMainText(text);
        } else {
            // Never create the pair while one of them is there but unreadable.
            if (RefuseUnreadable(sharedPath)) return;
            // First run of this saver. Another saver of the family may already
            // keep reminders in the shared file: take them in before the save
            // that creates the files, so it writes them back instead of an
            // empty list.
            if (sharedExists) {
                XString shared;
                if (!ReadWhole(shared, sharedPath, m_ErrorText)) return;
                ReportDamage(shared, sharedPath, {"Reminders"});
                m_Reminders.Read(nullptr, &shared);
            }
            lock.unlock();
            Save();
            lock.lock();
            if (sharedExists) {
                ok = true;
                return;
            }
        }
        if (RefuseUnreadable(sharedPath)) return;
        if (Exists(sharedPath)) {
            if (!ReadWhole(text, sharedPath, m_ErrorText)) return;
            ReportDamage(text, sharedPath, {"Reminders"});
        }
        m_Reminders.Read(nullptr, &text);
        ok = true;
    });
    // On every way out, a file refused or damaged included: the run uses the
    // overrides whatever the file gave.
    XGuard("CScreenSaver::Load overrides", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        ApplyOverrides();
    });
    return ok;
}

// A settings file that is there but cannot be read (no permission, a FIFO,
// a folder) is reported once and left alone: the run goes on with what it
// has, and nothing is saved over the file.
bool CScreenSaver::RefuseUnreadable(const std::string& path) {
    const std::string refusal = ConfigFileRefusal(path);
    if (refusal.empty()) return false;
    m_ErrorText = "Error: failed to read " + path + ". Msg=The file " + refusal + ".";
    WriteRunLog("Settings", "The settings file " + path + " " + refusal +
                                ". The screen saver runs on its default settings and does not save over it.");
    return true;
}

void CScreenSaver::ReportDamage(const XString& text, const std::string& path,
                                const std::vector<std::string_view>& sections) {
    const std::string damage = ConfigFileDamage(text, sections);
    if (damage.empty()) return;
    WriteRunLog("Settings", "The settings file " + path + " is damaged: " + damage +
                                ". What could be read is used; the rest keeps its defaults.");
}

bool CScreenSaver::BackupConfig() {
    bool ok = false;
    XGuard("CScreenSaver::BackupConfig", [&] {
        DefaultAll();
        m_MainBackup = "";
        m_SharedBackup = "";
        m_ErrorText.clear();
        const std::string mainPath = MakeConfigFileName(false);
        const std::string sharedPath = MakeConfigFileName(true);
        if (Exists(sharedPath) && !ReadWhole(m_SharedBackup, sharedPath, m_ErrorText)) return;
        if (!Exists(mainPath)) {
            // The files are created with the defaults; keep the shared list
            // that is already there rather than overwrite it with an empty one.
            if (!m_SharedBackup.IsEmpty()) m_Reminders.Read(nullptr, &m_SharedBackup);
            ok = Save();
            // What Restore puts back is then the files as just created.
            if (ok) ok = ReadWhole(m_MainBackup, mainPath, m_ErrorText);
            if (ok && m_SharedBackup.IsEmpty()) ok = ReadWhole(m_SharedBackup, sharedPath, m_ErrorText);
            return;
        }
        ok = ReadWhole(m_MainBackup, mainPath, m_ErrorText);
    });
    return ok;
}

bool CScreenSaver::Restore() {
    bool ok = false;
    XGuard("CScreenSaver::Restore", [&] {
        m_ErrorText.clear();
        // Without a backup (BackupConfig failed or never ran) there is nothing
        // to put back; writing the empty texts would wipe both files.
        if (m_MainBackup.IsEmpty()) {
            m_ErrorText = "Error: there is no backup of the settings to restore.";
            return;
        }
        ok = WriteBoth(m_MainBackup, m_SharedBackup);
    });
    return ok;
}

int32_t CScreenSaver::GetReadOnlyVideoMode() {
    XGuard("CScreenSaver::GetReadOnlyVideoMode", [&] {
        if (m_CachedVideoMode != -1) return;
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        XString text;
        if (!text.ReadFile(MakeConfigFileName(false).c_str())) return;
        // From the video-mode section, so that a "<Mode>" key another module
        // might add earlier in the file is never taken for it.
        m_CachedVideoMode = ConfigReadInt(ConfigSectionText(text, "VideoMode"), "Mode");
    });
    return m_CachedVideoMode;
}

