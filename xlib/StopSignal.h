// A flag one thread raises to end another thread's waits at once, instead of
// that thread polling it in fixed sleeps.
#pragma once

#include <condition_variable>
#include <mutex>

class StopSignal {
public:
    void Raise();
    // Lowered again for the next run of the thread that waits on it.
    void Reset();
    bool Raised() const;
    // Waits up to `ms` milliseconds; returns at once, true, when raised.
    bool WaitFor(unsigned ms) const;

private:
    mutable std::mutex m_Mutex;
    mutable std::condition_variable m_Changed;
    bool m_Raised = false;
};
