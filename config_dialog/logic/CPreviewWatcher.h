// Restarts the settings dialog's preview once a burst of changes has settled:
// 1500 ms after the last change, never in the middle of a burst. The pending
// counter is written by the dialog thread and read by the watcher thread, so it
// is atomic, and the watcher sleeps on a condition variable instead of polling.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

class CPreviewWatcher {
public:
    static constexpr uint32_t kQuietMs = 1500;

    CPreviewWatcher() = default;
    ~CPreviewWatcher();
    CPreviewWatcher(const CPreviewWatcher&) = delete;
    CPreviewWatcher& operator=(const CPreviewWatcher&) = delete;

    // Starts the thread; `refresh` runs on it once per settled burst and is
    // expected to call ClearPending. False when the thread could not start
    // (the preview is then left to the "Refresh preview" button).
    bool Start(std::function<void()> refresh, uint32_t quietMs = kQuietMs);
    // Ends the thread and waits for it; safe to call twice.
    void Stop();
    bool Running() const { return m_Running.load(); }

    // One more change awaits a refresh.
    void NoteChange();
    // Nothing awaits a refresh any more (the preview has just been restarted).
    void ClearPending();
    uint32_t Pending() const { return m_Pending.load(); }

private:
    void Run();

    std::atomic<uint32_t> m_Pending{0};
    std::atomic<bool> m_Running{false};
    uint64_t m_Generation = 0;  // counts every change, never cleared; under m_Mutex
    bool m_StopRequested = false;
    std::mutex m_Mutex;
    std::condition_variable m_Wake;
    std::function<void()> m_Refresh;
    uint32_t m_QuietMs = kQuietMs;
    std::thread m_Thread;
};
