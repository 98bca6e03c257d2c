// The main settings form's commands apart from its window: save, the exit
// question, defaults, the speed bar and the preview refresh.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "config_dialog/logic/CChangeTracker.h"
#include "config_dialog/logic/CPreviewWatcher.h"

class CScreenSaver;

enum class Answer { Yes, No, Cancel };

class CMainForm {
public:
    // `refresh` restarts the preview instance in the preview control.
    CMainForm(CScreenSaver& saver, std::function<void()> refresh);
    ~CMainForm();

    CMainFormState& State() { return m_State; }
    CChangeTracker& Tracker() { return m_Tracker; }
    CPreviewWatcher& Watcher() { return m_Watcher; }

    // The form has just opened: the preview starts, the watcher with it, and
    // nothing is unsaved.
    void Opened();
    // Stops the watcher (before the window goes).
    void Closing() { m_Watcher.Stop(); }

    // The speed bar moved to `position`.
    void SpeedChanged(uint32_t position);
    // "&Save" with the speed bar at `speed`; false when the files could not be
    // written (the changes then stay marked unsaved).
    bool Save(uint32_t speed);

    enum class ExitResult { Close, Stay, SaveFailed, RestoreFailed };
    // "E&xit" and closing the window: `ask` is called only when something is unsaved.
    ExitResult Exit(uint32_t speed, const std::function<Answer()>& ask);
    // "Save && &exit": saves without asking.
    ExitResult SaveAndExit(uint32_t speed);
    // "&Default" answered `answer`; `reinit` sets the controls from the
    // settings again. True when settings changed.
    bool Default(Answer answer, const std::function<void()>& reinit);

    // Restarts the preview now and clears what awaited it ("Refresh preview",
    // the watcher). Serialised: the watcher and the button may meet.
    void RefreshPreview();
    // Nothing awaits a preview refresh any more.
    void ClearPendingPreview();

private:
    CScreenSaver& m_Saver;
    std::function<void()> m_Refresh;
    CPreviewWatcher m_Watcher;
    CMainFormState m_State;
    CChangeTracker m_Tracker;
    std::mutex m_RefreshMutex;
};
