// Talks POP3 over a TLS session straight on the platform layer, so that an
// end-to-end test can try the session against a real server without the mail
// client around it.
//   mg_tlsprobe HOST PORT tls|stls TRUST_PEM|- USER PASSWORD [STOP_MS]
// Prints "count N" (exit 0) or "error: TEXT" (exit 1). With STOP_MS another
// thread raises the stop after that many milliseconds and the probe prints
// "stopped in N ms" (exit 3) when the wait it was in ended.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/Socket.h"
#include "platform/Tls.h"

namespace {
using Clock = std::chrono::steady_clock;

struct Probe {
    PlatformSocket socket;
    PlatformTls tls;
    SocketStop stop;
    bool secure = false;
    std::string error;
    bool stopped = false;

    bool Check(PlatformSocket::Result r, const std::string& what) {
        if (r == PlatformSocket::kOk) return true;
        stopped = r == PlatformSocket::kStopped;
        error = what + ": " + (secure || what.rfind("TLS", 0) == 0 ? tls.LastError() : socket.LastError());
        return false;
    }

    bool Line(const std::string& command, std::string& reply) {
        size_t at = 0;
        while (at < command.size()) {
            size_t sent = 0;
            const auto r = secure ? tls.Send(command.data() + at, command.size() - at, sent, stop)
                                  : socket.Send(command.data() + at, command.size() - at, sent, stop);
            if (!Check(r, "send")) return false;
            at += sent;
        }
        reply.clear();
        while (reply.find("\r\n") == std::string::npos) {
            char buffer[4096];
            size_t got = 0;
            const auto r = secure ? tls.Recv(buffer, sizeof buffer, got, stop) : socket.Recv(buffer, sizeof buffer, got, stop);
            if (!Check(r, "receive")) return false;
            if (got == 0) {
                error = "the server closed the connection";
                return false;
            }
            reply.append(buffer, got);
        }
        if (reply[0] != '+') {
            error = "server said " + reply.substr(0, reply.find("\r\n"));
            return false;
        }
        return true;
    }

    bool Run(const char* host, int port, bool implicit, const std::string& trust, const char* user, const char* password,
             int& count) {
        uint32_t address = 0;
        if (!PlatformSocket::ResolveIPv4(host, address)) {
            error = std::string("cannot resolve ") + host;
            return false;
        }
        if (!socket.Open() || !Check(socket.Connect(address, static_cast<uint16_t>(port), stop), "connect")) return false;
        std::string reply;
        if (implicit) {
            if (!Check(tls.Handshake(socket, host, trust, stop), "TLS")) return false;
            secure = true;
            if (!Line("", reply)) return false;
        } else {
            if (!Line("", reply)) return false;
            if (!Line("STLS\r\n", reply)) {
                error = "no STLS: " + error;
                return false;
            }
            if (!Check(tls.Handshake(socket, host, trust, stop), "TLS")) return false;
            secure = true;
        }
        if (!Line(std::string("USER ") + user + "\r\n", reply) || !Line(std::string("PASS ") + password + "\r\n", reply) ||
            !Line("STAT\r\n", reply))
            return false;
        count = std::atoi(reply.c_str() + 3);
        Line("QUIT\r\n", reply);
        tls.Close(stop);
        return true;
    }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "usage: mg_tlsprobe HOST PORT tls|stls TRUST_PEM|- USER PASSWORD [STOP_MS]\n");
        return 2;
    }
    if (!PlatformSocketsStart()) {
        std::printf("error: no socket library\n");
        return 1;
    }
    Probe probe;
    Clock::time_point raisedAt{};
    std::thread stopper;
    if (argc > 7) {
        const int ms = std::atoi(argv[7]);
        stopper = std::thread([&probe, ms, &raisedAt] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            raisedAt = Clock::now();
            probe.stop.Raise();
        });
    }
    int count = 0;
    const std::string trust = std::strcmp(argv[4], "-") == 0 ? "" : argv[4];
    const bool ok = probe.Run(argv[1], std::atoi(argv[2]), std::strcmp(argv[3], "tls") == 0, trust, argv[5], argv[6], count);
    const Clock::time_point endedAt = Clock::now();
    if (stopper.joinable()) stopper.join();
    if (probe.stopped) {
        std::printf("stopped in %lld ms (%s)\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - raisedAt).count()),
                    probe.error.c_str());
        return 3;
    }
    if (!ok) {
        std::printf("error: %s\n", probe.error.c_str());
        return 1;
    }
    std::printf("count %d\n", count);
    return 0;
}
