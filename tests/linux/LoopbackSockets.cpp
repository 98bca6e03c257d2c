#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/LoopbackServer.h"

namespace testsock {
intptr_t ListenLoopback(int& port) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0) return -1;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, 8) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(s);
        return -1;
    }
    port = ntohs(a.sin_port);
    return s;
}

int WaitReadable(intptr_t s, int ms) {
    pollfd p{static_cast<int>(s), POLLIN, 0};
    const int n = poll(&p, 1, ms);
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

intptr_t Accept(intptr_t listener) {
    const int s = accept(static_cast<int>(listener), nullptr, nullptr);
    return s < 0 ? -1 : s;
}

int Send(intptr_t s, const char* data, int n) { return static_cast<int>(send(static_cast<int>(s), data, n, MSG_NOSIGNAL)); }

int Recv(intptr_t s, char* buffer, int n) { return static_cast<int>(recv(static_cast<int>(s), buffer, n, 0)); }

void Close(intptr_t s) { close(static_cast<int>(s)); }
}  // namespace testsock
