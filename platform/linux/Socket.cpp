#include "platform/Socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>

struct SocketStop::Impl {
    int eventFd = -1;
    std::atomic<bool> raised{false};
};

bool PlatformSocketsStart() { return true; }
void PlatformSocketsStop() {}

SocketStop::SocketStop() : m_Impl(new Impl) { m_Impl->eventFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

SocketStop::~SocketStop() {
    if (m_Impl->eventFd >= 0) close(m_Impl->eventFd);
    delete m_Impl;
}

void SocketStop::Raise() {
    m_Impl->raised = true;
    const uint64_t one = 1;
    if (m_Impl->eventFd >= 0) (void)!write(m_Impl->eventFd, &one, sizeof one);
}

void SocketStop::Reset() {
    m_Impl->raised = false;
    uint64_t value;
    if (m_Impl->eventFd >= 0) (void)!read(m_Impl->eventFd, &value, sizeof value);
}

bool SocketStop::IsRaised() const { return m_Impl->raised; }

namespace {
std::string ErrnoText(const char* what, int err) {
    return std::string(what) + " error " + std::to_string(err) + " (" + std::strerror(err) + ")";
}

// Waits until the socket is ready for `events` or the signal is raised, for
// at most `limitMs` (negative: no limit). 1 ready, 0 stopped, -1 failed
// (errno kept), -2 the limit passed.
int WaitSocket(int fd, short events, const SocketStop& stop, int64_t limitMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs < 0 ? 0 : limitMs);
    for (;;) {
        if (stop.IsRaised()) return 0;
        int timeout = -1;
        if (limitMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) return -2;
            timeout = left > 60000 ? 60000 : static_cast<int>(left);
        }
        struct pollfd fds[2] = {{fd, events, 0}, {stop.GetImpl()->eventFd, POLLIN, 0}};
        if (fds[1].fd < 0 && (timeout < 0 || timeout > 10)) timeout = 10;
        const int n = poll(fds, fds[1].fd >= 0 ? 2 : 1, timeout);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (stop.IsRaised()) return 0;
        if (n > 0 && fds[0].revents) return 1;
    }
}
}  // namespace

PlatformSocket::PlatformSocket() : m_Handle(-1) {}

PlatformSocket::~PlatformSocket() { Close(); }

bool PlatformSocket::ResolveIPv4(const char* host, uint32_t& address) {
    struct addrinfo hints {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    struct addrinfo* list = nullptr;
    if (!host || getaddrinfo(host, nullptr, &hints, &list) != 0 || !list) return false;
    address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(list);
    return true;
}

bool PlatformSocket::Open() {
    Close();
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_LastError = ErrnoText("socket", errno);
        return false;
    }
    m_Handle = fd;
    return true;
}

bool PlatformSocket::IsOpen() const { return m_Handle >= 0; }

PlatformSocket::Result PlatformSocket::WaitReady(bool forWrite, const SocketStop& stop) {
    const int ready = WaitSocket(static_cast<int>(m_Handle), forWrite ? POLLOUT : POLLIN, stop, RemainingMs());
    if (ready > 0) return kOk;
    if (ready == 0) return kStopped;
    if (ready == -2) return DeadlinePassed();
    m_LastError = ErrnoText("poll", errno);
    return kFailed;
}

PlatformSocket::Result PlatformSocket::Connect(uint32_t address, uint16_t port, const SocketStop& stop) {
    const int fd = static_cast<int>(m_Handle);
    struct sockaddr_in to {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return kOk;
    if (errno != EINPROGRESS && errno != EINTR) {
        m_LastError = ErrnoText("connect", errno);
        return kFailed;
    }
    const int ready = WaitSocket(fd, POLLOUT, stop, RemainingMs());
    if (ready == 0) return kStopped;
    if (ready == -2) return DeadlinePassed();
    int err = errno;
    if (ready > 0) {
        socklen_t len = sizeof err;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        if (err == 0) return kOk;
    }
    m_LastError = ErrnoText("connect", err);
    return kFailed;
}

PlatformSocket::Result PlatformSocket::Send(const char* data, size_t length, size_t& sent, const SocketStop& stop) {
    sent = 0;
    const int fd = static_cast<int>(m_Handle);
    for (;;) {
        const ssize_t n = send(fd, data, length, MSG_NOSIGNAL);
        if (n >= 0) {
            sent = static_cast<size_t>(n);
            return kOk;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
        const int ready = WaitSocket(fd, POLLOUT, stop, RemainingMs());
        if (ready == 0) return kStopped;
        if (ready == -2) return DeadlinePassed();
        if (ready < 0) break;
    }
    m_LastError = ErrnoText("send", errno);
    return kFailed;
}

PlatformSocket::Result PlatformSocket::Recv(char* buffer, size_t capacity, size_t& received, const SocketStop& stop) {
    received = 0;
    const int fd = static_cast<int>(m_Handle);
    for (;;) {
        const ssize_t n = recv(fd, buffer, capacity, 0);
        if (n >= 0) {
            received = static_cast<size_t>(n);
            return kOk;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
        const int ready = WaitSocket(fd, POLLIN, stop, RemainingMs());
        if (ready == 0) return kStopped;
        if (ready == -2) return DeadlinePassed();
        if (ready < 0) break;
    }
    m_LastError = ErrnoText("recv", errno);
    return kFailed;
}

void PlatformSocket::Close() {
    if (m_Handle >= 0) close(static_cast<int>(m_Handle));
    m_Handle = -1;
}
