// The part of PlatformSocket's deadline that does not depend on the system.
#include <chrono>

#include "platform/Socket.h"

namespace {
int64_t SteadyNowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

void PlatformSocket::SetDeadline(unsigned ms) {
    m_DeadlineMs = ms == 0 ? 0 : SteadyNowMs() + static_cast<int64_t>(ms);
    m_TimedOut = false;
}

int64_t PlatformSocket::RemainingMs() const {
    if (m_DeadlineMs == 0) return -1;
    const int64_t left = m_DeadlineMs - SteadyNowMs();
    return left > 0 ? left : 0;
}

PlatformSocket::Result PlatformSocket::DeadlinePassed() {
    m_TimedOut = true;
    m_LastError = "the time limit for this exchange passed";
    return kFailed;
}
