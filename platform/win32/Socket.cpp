#include "platform/win32/WinInclude.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <chrono>

#include "platform/Socket.h"

// Winsock has no eventfd: the wake-up is a loopback datagram socket connected
// to itself. Raising it sends one byte, which stays queued, so every select
// that includes it returns at once until Reset drains it.
struct SocketStop::Impl {
    SOCKET wake = INVALID_SOCKET;
    bool started = false;
    std::atomic<bool> raised{false};
};

bool PlatformSocketsStart() {
    WSADATA data;
    return WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

void PlatformSocketsStop() { WSACleanup(); }

SocketStop::SocketStop() : m_Impl(new Impl) {
    WSADATA data;
    m_Impl->started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) return;
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof self;
    u_long nonBlocking = 1;
    if (bind(s, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&self), &len) != 0 ||
        connect(s, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0 || ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        closesocket(s);
        return;
    }
    m_Impl->wake = s;
}

SocketStop::~SocketStop() {
    if (m_Impl->wake != INVALID_SOCKET) closesocket(m_Impl->wake);
    if (m_Impl->started) WSACleanup();
    delete m_Impl;
}

void SocketStop::Raise() {
    m_Impl->raised = true;
    const char one = 1;
    if (m_Impl->wake != INVALID_SOCKET) send(m_Impl->wake, &one, 1, 0);
}

void SocketStop::Reset() {
    m_Impl->raised = false;
    char buffer[16];
    if (m_Impl->wake != INVALID_SOCKET)
        while (recv(m_Impl->wake, buffer, sizeof buffer, 0) > 0) {
        }
}

bool SocketStop::IsRaised() const { return m_Impl->raised; }

namespace {
std::string WsaText(const char* what, int err) { return std::string(what) + " error " + std::to_string(err); }

// Waits until the socket can be written (connect, send) or read, or the signal
// is raised, for at most `limitMs` (negative: no limit). 1 ready, 0 stopped,
// -1 failed, -2 the limit passed.
int WaitSocket(SOCKET s, bool forWrite, const SocketStop& stop, int64_t limitMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(limitMs < 0 ? 0 : limitMs);
    const SOCKET wake = stop.GetImpl()->wake;
    for (;;) {
        if (stop.IsRaised()) return 0;
        fd_set readSet, writeSet, errorSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        FD_ZERO(&errorSet);
        if (forWrite) {
            FD_SET(s, &writeSet);
            FD_SET(s, &errorSet);  // a failed connect shows here
        } else {
            FD_SET(s, &readSet);
        }
        if (wake != INVALID_SOCKET) FD_SET(wake, &readSet);
        // The tick only matters when the wake-up socket could not be made.
        timeval limit{0, 10000};
        timeval* wait = wake != INVALID_SOCKET ? nullptr : &limit;
        if (limitMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) return -2;
            if (!wait || left < 10) {
                const long capped = left > 60000 ? 60000 : static_cast<long>(left);
                limit.tv_sec = capped / 1000;
                limit.tv_usec = (capped % 1000) * 1000;
                wait = &limit;
            }
        }
        const int n = select(0, &readSet, &writeSet, &errorSet, wait);
        if (n == SOCKET_ERROR) return -1;
        if (stop.IsRaised()) return 0;
        if (FD_ISSET(s, &readSet) || FD_ISSET(s, &writeSet) || FD_ISSET(s, &errorSet)) return 1;
    }
}
}  // namespace

PlatformSocket::PlatformSocket() : m_Handle(static_cast<intptr_t>(INVALID_SOCKET)) {}

PlatformSocket::~PlatformSocket() { Close(); }

bool PlatformSocket::ResolveIPv4(const char* host, uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (!host || getaddrinfo(host, nullptr, &hints, &list) != 0 || !list) return false;
    address = reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(list);
    return true;
}

bool PlatformSocket::Open() {
    Close();
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        m_LastError = WsaText("socket", WSAGetLastError());
        return false;
    }
    u_long nonBlocking = 1;
    if (ioctlsocket(s, FIONBIO, &nonBlocking) != 0) {
        m_LastError = WsaText("ioctlsocket", WSAGetLastError());
        closesocket(s);
        return false;
    }
    m_Handle = static_cast<intptr_t>(s);
    return true;
}

bool PlatformSocket::IsOpen() const { return static_cast<SOCKET>(m_Handle) != INVALID_SOCKET; }

PlatformSocket::Result PlatformSocket::WaitReady(bool forWrite, const SocketStop& stop) {
    const int ready = WaitSocket(static_cast<SOCKET>(m_Handle), forWrite, stop, RemainingMs());
    if (ready > 0) return kOk;
    if (ready == 0) return kStopped;
    if (ready == -2) return DeadlinePassed();
    m_LastError = WsaText("select", WSAGetLastError());
    return kFailed;
}

PlatformSocket::Result PlatformSocket::Connect(uint32_t address, uint16_t port, const SocketStop& stop) {
    const SOCKET s = static_cast<SOCKET>(m_Handle);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) return kOk;
    int err = WSAGetLastError();
    if (err != WSAEWOULDBLOCK && err != WSAEINPROGRESS) {
        m_LastError = WsaText("connect", err);
        return kFailed;
    }
    const int ready = WaitSocket(s, true, stop, RemainingMs());
    if (ready == 0) return kStopped;
    if (ready == -2) return DeadlinePassed();
    err = WSAGetLastError();
    if (ready > 0) {
        int len = sizeof err;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0) err = WSAGetLastError();
        if (err == 0) return kOk;
    }
    m_LastError = WsaText("connect", err);
    return kFailed;
}

PlatformSocket::Result PlatformSocket::Send(const char* data, size_t length, size_t& sent, const SocketStop& stop) {
    sent = 0;
    const SOCKET s = static_cast<SOCKET>(m_Handle);
    const int piece = length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(length);
    for (;;) {
        const int n = send(s, data, piece, 0);
        if (n != SOCKET_ERROR) {
            sent = static_cast<size_t>(n);
            return kOk;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK) break;
        const int ready = WaitSocket(s, true, stop, RemainingMs());
        if (ready == 0) return kStopped;
        if (ready == -2) return DeadlinePassed();
        if (ready < 0) break;
    }
    m_LastError = WsaText("send", WSAGetLastError());
    return kFailed;
}

PlatformSocket::Result PlatformSocket::Recv(char* buffer, size_t capacity, size_t& received, const SocketStop& stop) {
    received = 0;
    const SOCKET s = static_cast<SOCKET>(m_Handle);
    const int room = capacity > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(capacity);
    for (;;) {
        const int n = recv(s, buffer, room, 0);
        if (n != SOCKET_ERROR) {
            received = static_cast<size_t>(n);
            return kOk;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK) break;
        const int ready = WaitSocket(s, false, stop, RemainingMs());
        if (ready == 0) return kStopped;
        if (ready == -2) return DeadlinePassed();
        if (ready < 0) break;
    }
    m_LastError = WsaText("recv", WSAGetLastError());
    return kFailed;
}

void PlatformSocket::Close() {
    if (IsOpen()) closesocket(static_cast<SOCKET>(m_Handle));
    m_Handle = static_cast<intptr_t>(INVALID_SOCKET);
}
