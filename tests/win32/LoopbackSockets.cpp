#include "platform/win32/WinInclude.h"

#include <winsock2.h>

#include "tests/LoopbackServer.h"

namespace testsock {
intptr_t ListenLoopback(int& port) {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) return -1;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        closesocket(s);
        return -1;
    }
    port = ntohs(a.sin_port);
    return static_cast<intptr_t>(s);
}

int WaitReadable(intptr_t s, int ms) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(static_cast<SOCKET>(s), &set);
    timeval t{ms / 1000, (ms % 1000) * 1000};
    const int n = select(0, &set, nullptr, nullptr, &t);
    return n == SOCKET_ERROR ? -1 : (n > 0 ? 1 : 0);
}

intptr_t Accept(intptr_t listener) {
    SOCKET s = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return s == INVALID_SOCKET ? -1 : static_cast<intptr_t>(s);
}

int Send(intptr_t s, const char* data, int n) { return send(static_cast<SOCKET>(s), data, n, 0); }

int Recv(intptr_t s, char* buffer, int n) { return recv(static_cast<SOCKET>(s), buffer, n, 0); }

void Close(intptr_t s) { closesocket(static_cast<SOCKET>(s)); }
}  // namespace testsock
