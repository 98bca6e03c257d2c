// A gate one thread closes to hold another at its next safe point (between
// frames), waiting until that thread is held there; opening it lets the
// thread go on. A held thread also goes on when its stop signal is raised.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>

class StopSignal;

class HoldGate {
public:
    // Closes the gate and waits up to `ms` until the passing thread is held
    // at it, or until `running` says there is no such thread. False when the
    // thread is still busy at the limit: it is held at its next safe point.
    bool Close(unsigned ms, const std::function<bool()>& running);
    void Open();
    bool IsClosed() const;
    // The passing thread's safe point: returns at once while the gate is
    // open; otherwise waits until it opens or `stop` is raised (Wake).
    void Pass(const StopSignal& stop);
    // Makes a held thread look at its stop signal again.
    void Wake();

private:
    mutable std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_Closed = false;
    bool m_Held = false;
};
