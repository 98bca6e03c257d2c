#include "config_dialog/logic/CChangeTracker.h"

#include "app/CScreenSaver.h"
#include "config_dialog/logic/CPreviewWatcher.h"
#include "xlib/RunLog.h"

void CMainFormState::EnableSave(bool enable) {
    m_SaveEnabled = enable;
    Notify();
}

void CMainFormState::EnableRefresh(bool enable) {
    m_RefreshEnabled = enable;
    Notify();
}

void CChangeTracker::SetModified() {
    m_Modified = true;
    m_Form.EnableSave(true);
    m_Form.EnableRefresh(true);
    CScreenSaver& saver = m_Form.Saver();
    // The change stays unsaved on the form; the preview just cannot show it.
    if (!saver.Save()) WriteRunLog("Configuration", saver.ErrorText().c_str(), false);
    m_Form.Watcher().NoteChange();
}
