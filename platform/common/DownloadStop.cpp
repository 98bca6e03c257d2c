// The stop both web clients share, the no-progress limit and the limits on
// a whole download.
#include "platform/Download.h"

#include <chrono>
#include <cstdio>

namespace {
thread_local DownloadStop* t_CurrentStop = nullptr;
thread_local DownloadLimitScope* t_CurrentLimits = nullptr;
std::atomic<unsigned> g_StallLimitMs{30000};
std::atomic<unsigned> g_OverallLimitMs{60000};

long long SteadyNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::string Seconds(unsigned ms) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%g", ms / 1000.0);
    return seconds;
}
}  // namespace

DownloadLimitScope::DownloadLimitScope(size_t maxBytes, unsigned withinMs) : m_Previous(t_CurrentLimits) {
    const size_t outerBytes = m_Previous ? m_Previous->m_MaxBytes : kDefaultDownloadMaxBytes;
    m_MaxBytes = maxBytes == 0 || maxBytes > outerBytes ? outerBytes : maxBytes;
    const long long outerEnd = m_Previous ? m_Previous->m_EndMs : 0;
    const long long ownEnd = withinMs == 0 ? 0 : SteadyNowMs() + withinMs;
    m_EndMs = outerEnd == 0 ? ownEnd : ownEnd == 0 || outerEnd < ownEnd ? outerEnd : ownEnd;
    t_CurrentLimits = this;
}

DownloadLimitScope::~DownloadLimitScope() { t_CurrentLimits = m_Previous; }

DownloadLimits CurrentDownloadLimits() {
    DownloadLimits limits{kDefaultDownloadMaxBytes, DownloadOverallLimitMs()};
    if (const DownloadLimitScope* scope = t_CurrentLimits) {
        limits.maxBytes = scope->MaxBytes();
        if (scope->EndMs() != 0) {
            const long long left = scope->EndMs() - SteadyNowMs();
            if (left < static_cast<long long>(limits.overallMs))
                limits.overallMs = left < 1 ? 1 : static_cast<unsigned>(left);
        }
    }
    return limits;
}

void SetDownloadOverallLimitMs(unsigned ms) { g_OverallLimitMs = ms ? ms : 60000; }

unsigned DownloadOverallLimitMs() { return g_OverallLimitMs; }

std::string DownloadTooLargeText(size_t maxBytes) {
    return std::string(DownloadText::kTooLarge) + std::to_string(maxBytes) + " bytes.";
}

std::string DownloadTooLongText(unsigned overallMs) {
    return std::string(DownloadText::kTooLong) + Seconds(overallMs) + " seconds.";
}

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
    return std::string(DownloadText::kStalled) + Seconds(DownloadStallLimitMs()) + " seconds.";
}
