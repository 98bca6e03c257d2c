// Change tracking shared by the main form and every page. Each change is saved
// to the files at once (the preview reloads them) and counted for the preview
// watcher; the main form's save buttons say whether anything is unsaved.
#pragma once

#include <atomic>
#include <functional>

class CScreenSaver;
class CPreviewWatcher;

// The main form's state that the pages touch: its two save buttons ("&Save"
// and "Save && &exit" always move together) and "Refresh preview". The view
// mirrors the flags onto the real buttons through the observer.
class CMainFormState {
public:
    CMainFormState(CScreenSaver& saver, CPreviewWatcher& watcher) : m_Saver(saver), m_Watcher(watcher) {}

    bool SaveEnabled() const { return m_SaveEnabled; }
    bool RefreshEnabled() const { return m_RefreshEnabled; }
    void EnableSave(bool enable);
    void EnableRefresh(bool enable);
    void SetObserver(std::function<void()> observer) { m_Observer = std::move(observer); }

    CScreenSaver& Saver() { return m_Saver; }
    CPreviewWatcher& Watcher() { return m_Watcher; }

private:
    void Notify() {
        if (m_Observer) m_Observer();
    }

    CScreenSaver& m_Saver;
    CPreviewWatcher& m_Watcher;
    // The preview watcher's thread clears the refresh state; the rest is the
    // dialog thread's.
    std::atomic<bool> m_SaveEnabled{false};
    std::atomic<bool> m_RefreshEnabled{false};
    std::function<void()> m_Observer;
};

class CChangeTracker {
public:
    explicit CChangeTracker(CMainFormState& form) : m_Form(form) {}

    // Keeps the main form's save state as it is when a page opens.
    void Remember() { m_MainSaveState = m_Form.SaveEnabled(); }
    // A setting changed: unsaved on the main form, saved to the files for the
    // preview, and counted for the watcher.
    void SetModified();
    void RestoreMainState() { m_Form.EnableSave(m_MainSaveState); }
    bool IsModified() const { return m_Modified; }
    void Clear() { m_Modified = false; }

private:
    CMainFormState& m_Form;
    bool m_Modified = false;
    bool m_MainSaveState = false;
};
