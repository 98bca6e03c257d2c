#include "xlib/BoundedWorker.h"

#include <chrono>
#include <system_error>

BoundedWorker::BoundedWorker() : m_State(std::make_shared<State>()) {}

BoundedWorker::~BoundedWorker() {
    if (!m_Thread.joinable()) return;
    if (IsRunning())
        m_Thread.detach();
    else
        m_Thread.join();
}

BoundedWorker::StartResult BoundedWorker::Start(std::function<void()> body) {
    {
        std::lock_guard<std::mutex> lock(m_State->mutex);
        if (m_State->running) return StartResult::StillRunning;
        // Marked before the thread exists, so that a stop right after the
        // start waits for it.
        m_State->running = true;
    }
    // Its body has returned: the join is quick.
    if (m_Thread.joinable()) m_Thread.join();
    try {
        m_Thread = std::thread([state = m_State, body = std::move(body)] {
            body();
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                state->running = false;
            }
            state->ended.notify_all();
        });
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> lock(m_State->mutex);
        m_State->running = false;
        return StartResult::Failed;
    }
    return StartResult::Started;
}

BoundedWorker::EndResult BoundedWorker::AwaitEnd(unsigned limitMs, const std::function<bool()>& enough) {
    bool running;
    {
        std::unique_lock<std::mutex> lock(m_State->mutex);
        const bool done = m_State->ended.wait_for(lock, std::chrono::milliseconds(limitMs), [&] {
            return !m_State->running || (enough && enough());
        });
        running = m_State->running;
        if (done && running) return EndResult::Enough;
    }
    if (!m_Thread.joinable()) return running ? EndResult::LetGo : EndResult::Ended;
    if (running) {
        // Stuck outside any wait a stop can cut short. It keeps its state,
        // and Start refuses to run another beside it until it has ended.
        m_Thread.detach();
        return EndResult::LetGo;
    }
    m_Thread.join();
    return EndResult::Ended;
}

bool BoundedWorker::IsRunning() const {
    std::lock_guard<std::mutex> lock(m_State->mutex);
    return m_State->running;
}
