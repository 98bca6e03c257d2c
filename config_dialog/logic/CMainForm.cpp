#include "config_dialog/logic/CMainForm.h"

#include "app/CScreenSaver.h"
#include "xlib/RunLog.h"

CMainForm::CMainForm(CScreenSaver& saver, std::function<void()> refresh)
    : m_Saver(saver), m_Refresh(std::move(refresh)), m_State(saver, m_Watcher), m_Tracker(m_State) {}

CMainForm::~CMainForm() { m_Watcher.Stop(); }

void CMainForm::Opened() {
    RefreshPreview();
    if (!m_Watcher.Start([this] { RefreshPreview(); }))
        WriteRunLog("Screen saver", "The preview watcher could not be started; use Refresh preview.", false);
    m_State.EnableSave(false);
    m_Tracker.Clear();
}

void CMainForm::SpeedChanged(uint32_t position) {
    m_Saver.General().SaverSpeed = position;
    m_Tracker.SetModified();
}

bool CMainForm::Save(uint32_t speed) {
    m_Saver.General().SaverSpeed = speed;
    if (!m_Saver.Save()) {
        WriteRunLog("Configuration", m_Saver.ErrorText().c_str(), false);
        return false;
    }
    m_State.EnableSave(false);
    return true;
}

CMainForm::ExitResult CMainForm::Exit(uint32_t speed, const std::function<Answer()>& ask) {
    if (!m_State.SaveEnabled()) return ExitResult::Close;
    switch (ask()) {
        case Answer::Yes:
            return Save(speed) ? ExitResult::Close : ExitResult::SaveFailed;
        case Answer::No:
            if (!m_Saver.Restore()) {
                WriteRunLog("Configuration", m_Saver.ErrorText().c_str(), false);
                return ExitResult::RestoreFailed;
            }
            return ExitResult::Close;
        case Answer::Cancel:
            break;
    }
    return ExitResult::Stay;
}

CMainForm::ExitResult CMainForm::SaveAndExit(uint32_t speed) {
    if (m_State.SaveEnabled() && !Save(speed)) return ExitResult::SaveFailed;
    return ExitResult::Close;
}

bool CMainForm::Default(Answer answer, const std::function<void()>& reinit) {
    if (answer == Answer::Cancel) return false;
    if (answer == Answer::Yes) {
        m_Saver.DefaultAll();
        reinit();
    } else {
        m_Saver.General().Default();
        reinit();
        m_Saver.Critters().Default();
    }
    m_Tracker.SetModified();
    m_State.EnableSave(true);
    return true;
}

void CMainForm::RefreshPreview() {
    std::lock_guard<std::mutex> lock(m_RefreshMutex);
    if (m_Refresh) m_Refresh();
    ClearPendingPreview();
}

void CMainForm::ClearPendingPreview() {
    m_State.EnableRefresh(false);
    m_Watcher.ClearPending();
}
