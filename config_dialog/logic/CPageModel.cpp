#include "config_dialog/logic/CPageModel.h"

#include "app/CScreenSaver.h"
#include "config_dialog/logic/CPreviewWatcher.h"
#include "xlib/RunLog.h"

void CPageModel::Open() {
    m_Tracker.Remember();
    m_Tracker.Clear();
}

void CPageModel::Changed() {
    if (m_Live && !*m_Live) return;
    m_Tracker.SetModified();
}

bool CPageModel::Ok() {
    if (!m_Tracker.IsModified()) return false;
    CScreenSaver& saver = m_Form.Saver();
    if (!saver.Save()) WriteRunLog("Configuration", saver.ErrorText().c_str(), false);
    return true;
}

void CPageModel::Cancel(const XString& mainBackup) {
    if (!m_Tracker.IsModified()) return;
    for (Module& module : m_Modules) module.read(mainBackup);
    CScreenSaver& saver = m_Form.Saver();
    if (!saver.Save()) WriteRunLog("Configuration", saver.ErrorText().c_str(), false);
    // The preview should show the settings as they are again.
    m_Form.Watcher().NoteChange();
    m_Tracker.RestoreMainState();
    m_Tracker.Clear();
}

void CPageModel::Default() {
    for (Module& module : m_Modules) module.defaults();
    Changed();
}

std::vector<CPageModel::Module> ScenePageModules(ScenePage page, CScreenSaver& saver) {
    CScreenSaver* s = &saver;
    switch (page) {
        case ScenePage::Critters:
            return {{[s] { s->Critters().Default(); }, [s](const XString& t) { s->Critters().Read(t); }}};
        case ScenePage::Background:
            return {{[s] { s->Stars().Default(); }, [s](const XString& t) { s->Stars().Read(t); }},
                    {[s] { s->BgBitmap().Default(); }, [s](const XString& t) { s->BgBitmap().Read(t); }}};
        case ScenePage::Rendering:
            // The speed belongs to the main form: reverting this page keeps it.
            return {{[s] { s->General().Default(); },
                     [s](const XString& t) {
                         const uint32_t speed = s->General().SaverSpeed;
                         s->General().Read(t);
                         s->General().SaverSpeed = speed;
                     }}};
        case ScenePage::Effects:
            return {{[s] { s->Effects().Default(); }, [s](const XString& t) { s->Effects().Read(t); }}};
    }
    return {};
}

void AddPictures(XStringArray& list, uint32_t& count, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) list.Add(path.c_str());
    count = list.GetCount();
}

bool RemovePicture(XStringArray& list, uint32_t& count, int selected) {
    if (selected < 0 || static_cast<unsigned>(selected) >= list.GetCount()) return false;
    list.Remove(static_cast<unsigned>(selected));
    count = list.GetCount();
    return true;
}

void AddPictures(CBgBitmap& pictures, const std::vector<std::string>& paths) {
    AddPictures(pictures.Pictures, pictures.NumPictures, paths);
}

bool RemovePicture(CBgBitmap& pictures, int selected) {
    return RemovePicture(pictures.Pictures, pictures.NumPictures, selected);
}
