#include "xlib/HoldGate.h"

#include <chrono>

#include "xlib/StopSignal.h"

bool HoldGate::Close(unsigned ms, const std::function<bool()>& running) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    m_Closed = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    // A thread that ends while we wait says so to nobody here: look again
    // every few milliseconds.
    while (!m_Held && running()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        m_Changed.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
}

void HoldGate::Open() {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Closed = false;
    }
    m_Changed.notify_all();
}

bool HoldGate::IsClosed() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Closed;
}

void HoldGate::Pass(const StopSignal& stop) {
    std::unique_lock<std::mutex> lock(m_Mutex);
    if (!m_Closed) return;
    m_Held = true;
    m_Changed.notify_all();
    m_Changed.wait(lock, [&] { return !m_Closed || stop.Raised(); });
    m_Held = false;
}

void HoldGate::Wake() {
    { std::lock_guard<std::mutex> lock(m_Mutex); }
    m_Changed.notify_all();
}
