#include "config_dialog/logic/CPreviewWatcher.h"

#include <chrono>
#include <system_error>

#include "xlib/XException.h"

CPreviewWatcher::~CPreviewWatcher() { Stop(); }

bool CPreviewWatcher::Start(std::function<void()> refresh, uint32_t quietMs) {
    Stop();
    m_Refresh = std::move(refresh);
    m_QuietMs = quietMs;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_StopRequested = false;
    }
    try {
        m_Thread = std::thread(&CPreviewWatcher::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    m_Running = true;
    return true;
}

void CPreviewWatcher::Stop() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_StopRequested = true;
    }
    m_Wake.notify_all();
    if (m_Thread.joinable()) m_Thread.join();
    m_Running = false;
}

void CPreviewWatcher::NoteChange() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        ++m_Pending;
        ++m_Generation;
    }
    m_Wake.notify_all();
}

void CPreviewWatcher::ClearPending() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Pending = 0;
    }
    m_Wake.notify_all();
}

void CPreviewWatcher::Run() {
    std::unique_lock<std::mutex> lock(m_Mutex);
    uint64_t refreshed = 0;  // the change generation the last refresh covered
    while (!m_StopRequested) {
        m_Wake.wait(lock, [&] { return m_StopRequested || (m_Pending != 0 && m_Generation != refreshed); });
        if (m_StopRequested) break;
        // Every further change restarts the quiet period; a refresh made
        // meanwhile by other means leaves nothing to do.
        const uint64_t seen = m_Generation;
        const bool interrupted = m_Wake.wait_for(lock, std::chrono::milliseconds(m_QuietMs), [&] {
            return m_StopRequested || m_Generation != seen || m_Pending == 0;
        });
        if (interrupted) continue;
        lock.unlock();
        XGuard("CConfigDialog::PreviewWatcher", [&] {
            if (m_Refresh) m_Refresh();
        });
        lock.lock();
        refreshed = seen;
    }
}
