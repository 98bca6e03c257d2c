// One background thread of a module (the render thread, the mail checker, the
// weather worker) and the one rule for its end: a stop waits a bounded time
// for the thread, and a thread still running then is let go. Such a thread
// keeps its module's state to itself: no later start runs beside it until it
// has ended, so two threads never share one module's client or records.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class BoundedWorker {
public:
    // How long a stop waits for any of the saver's threads.
    static constexpr unsigned kStopLimitMs = 10000;

    enum class StartResult {
        Started,
        // The thread of an earlier start is still running (it outlived its
        // stop); nothing was started.
        StillRunning,
        // No thread could be created.
        Failed,
    };
    enum class EndResult {
        Ended,   // the thread has ended and is joined
        Enough,  // the caller's condition held first; the thread runs on
        LetGo,   // the limit passed; the thread runs on, detached
    };

    BoundedWorker();
    // A thread still running is let go; its bookkeeping outlives this object.
    ~BoundedWorker();
    BoundedWorker(const BoundedWorker&) = delete;
    BoundedWorker& operator=(const BoundedWorker&) = delete;

    // Runs `body` on a thread of its own; an earlier thread that has ended is
    // joined first.
    StartResult Start(std::function<void()> body);
    // Waits up to `limitMs` for the thread to end, or for `enough` to hold.
    // `enough` is checked under the worker's lock, first at once and then at
    // each NotifyAll, and only while the thread still runs; it may change
    // state under that lock when it returns true. Without a thread: Ended.
    EndResult AwaitEnd(unsigned limitMs, const std::function<bool()>& enough = nullptr);
    // True from a Start until its thread's body has returned.
    bool IsRunning() const;

    // The worker's lock and wake-up, for state that an `enough` reads.
    std::unique_lock<std::mutex> Lock() const { return std::unique_lock<std::mutex>(m_State->mutex); }
    void Wait(std::unique_lock<std::mutex>& lock) const { m_State->ended.wait(lock); }
    void NotifyAll() const { m_State->ended.notify_all(); }

private:
    // Shared with the thread, so that a thread let go can still record its end.
    struct State {
        std::mutex mutex;
        std::condition_variable ended;
        bool running = false;
    };
    std::shared_ptr<State> m_State;
    std::thread m_Thread;
};
