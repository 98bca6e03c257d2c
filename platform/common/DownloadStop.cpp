// The stop both web clients share, and the no-progress limit.
#include "platform/Download.h"

#include <cstdio>

namespace {
thread_local DownloadStop* t_CurrentStop = nullptr;
std::atomic<unsigned> g_StallLimitMs{30000};
}  // namespace

void DownloadStop::Request() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Requested = true;
    if (m_Abort && !m_Aborted) {
        m_Aborted = true;
        m_Abort();
    }
}

bool DownloadStop::InstallAbort(std::function<void()> abort) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    if (m_Requested) return false;
    m_Abort = std::move(abort);
    m_Aborted = false;
    return true;
}

bool DownloadStop::RemoveAbort() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Abort = nullptr;
    const bool ran = m_Aborted;
    m_Aborted = false;
    return ran;
}

DownloadStopScope::DownloadStopScope(DownloadStop& stop) : m_Previous(t_CurrentStop) { t_CurrentStop = &stop; }

DownloadStopScope::~DownloadStopScope() { t_CurrentStop = m_Previous; }

DownloadStop* CurrentDownloadStop() { return t_CurrentStop; }

void SetDownloadStallLimitMs(unsigned ms) { g_StallLimitMs = ms ? ms : 30000; }

unsigned DownloadStallLimitMs() { return g_StallLimitMs; }

std::string DownloadStalledText() {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", DownloadStallLimitMs() / 1000.0);
    return std::string(DownloadText::kStalled) + seconds + " seconds.";
}
