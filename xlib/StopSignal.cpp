#include "xlib/StopSignal.h"

#include <chrono>

void StopSignal::Raise() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Raised = true;
    }
    m_Changed.notify_all();
}

void StopSignal::Reset() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Raised = false;
}

bool StopSignal::Raised() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Raised;
}

bool StopSignal::WaitFor(unsigned ms) const {
    std::unique_lock<std::mutex> lock(m_Mutex);
    return m_Changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_Raised; });
}
