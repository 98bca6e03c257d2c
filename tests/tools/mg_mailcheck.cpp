// Checks one mailbox the way the saver's mail module does (XEmail with an
// account's server text), so that an end-to-end test can try TLS and its
// refusals against a real server.
//   mg_mailcheck SERVER_TEXT TRUST_PEM|- USER PASSWORD [STOP_MS]
//   mg_mailcheck --lines     the same four fields a line, "|" between them,
//                            on standard input (one process for many checks)
// Prints "count N" (exit 0) or "error: TEXT" (exit 1). With STOP_MS another
// thread cancels after that many milliseconds, as the saver's shutdown does,
// and the tool prints "stopped in N ms: TEXT" (exit 3), N measured from the
// cancel to the end of the connect.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "xlib/XEmail.h"

namespace {
int Check(const char* server, const char* trust, const char* user, const char* password, int stopMs) {
    using Clock = std::chrono::steady_clock;
    XEmail mail;
    if (std::strcmp(trust, "-") != 0) mail.SetTrustFile(trust);
    std::atomic<bool> cancelled{false};
    Clock::time_point cancelledAt{};
    std::thread canceller;
    if (stopMs > 0) {
        canceller = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(stopMs));
            cancelledAt = Clock::now();
            cancelled = true;
            mail.Cancel();
        });
    }
    const bool connected = mail.Pop3ConnectServer(server, user, password);
    const Clock::time_point endedAt = Clock::now();
    const int count = connected ? mail.GetMsgCount() : -1;
    const XString text = mail.GetErrorText();
    mail.Pop3Disconnect();
    if (canceller.joinable()) canceller.join();
    if (!connected && cancelled) {
        std::printf("stopped in %lld ms: %s\n",
                    static_cast<long long>(
                        std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - cancelledAt).count()),
                    text.c_str());
        return 3;
    }
    if (!connected || count < 0) {
        std::printf("error: %s\n", text.c_str());
        return 1;
    }
    std::printf("count %d\n", count);
    return 0;
}
}  // namespace

int main(int argc, char** argv) {
    const bool lines = argc == 2 && std::strcmp(argv[1], "--lines") == 0;
    if (!lines && argc < 5) {
        std::fprintf(stderr, "usage: mg_mailcheck SERVER_TEXT TRUST_PEM|- USER PASSWORD [STOP_MS] | --lines\n");
        return 2;
    }
    XString error;
    if (!XEmail::Init(error)) {
        std::printf("error: %s\n", error.c_str());
        return 1;
    }
    if (!lines) return Check(argv[1], argv[2], argv[3], argv[4], argc > 5 ? std::atoi(argv[5]) : 0);
    std::string line;
    int worst = 0;
    for (int c; (c = std::getchar()) != EOF;) {
        if (c != '\n') {
            if (c != '\r') line += static_cast<char>(c);
            continue;
        }
        std::string fields[4];
        size_t at = 0;
        for (int i = 0; i < 4; ++i) {
            const size_t bar = i < 3 ? line.find('|', at) : std::string::npos;
            fields[i] = line.substr(at, bar == std::string::npos ? std::string::npos : bar - at);
            at = bar == std::string::npos ? line.size() : bar + 1;
        }
        line.clear();
        const int r = Check(fields[0].c_str(), fields[1].c_str(), fields[2].c_str(), fields[3].c_str(), 0);
        std::fflush(stdout);
        if (r > worst) worst = r;
    }
    return worst;
}
