// Checks one mailbox the way the saver's mail module does (XEmail with an
// account's server text), so that an end-to-end test can try TLS and its
// refusals against a real server.
//   mg_mailcheck SERVER_TEXT TRUST_PEM|- USER PASSWORD [STOP_MS]
// Prints "count N" (exit 0) or "error: TEXT" (exit 1). With STOP_MS another
// thread cancels after that many milliseconds, as the saver's shutdown does,
// and the tool prints "stopped in N ms: TEXT" (exit 3), N measured from the
// cancel to the end of the connect.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "xlib/XEmail.h"

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    if (argc < 5) {
        std::fprintf(stderr, "usage: mg_mailcheck SERVER_TEXT TRUST_PEM|- USER PASSWORD [STOP_MS]\n");
        return 2;
    }
    XString error;
    if (!XEmail::Init(error)) {
        std::printf("error: %s\n", error.c_str());
        return 1;
    }
    XEmail mail;
    if (std::strcmp(argv[2], "-") != 0) mail.SetTrustFile(argv[2]);
    std::atomic<bool> cancelled{false};
    Clock::time_point cancelledAt{};
    std::thread canceller;
    if (argc > 5) {
        const int ms = std::atoi(argv[5]);
        canceller = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            cancelledAt = Clock::now();
            cancelled = true;
            mail.Cancel();
        });
    }
    const bool connected = mail.Pop3ConnectServer(argv[1], argv[3], argv[4]);
    const Clock::time_point endedAt = Clock::now();
    const int count = connected ? mail.GetMsgCount() : -1;
    const XString text = mail.GetErrorText();
    mail.Pop3Disconnect();
    if (canceller.joinable()) canceller.join();
    if (!connected && cancelled) {
        std::printf("stopped in %lld ms: %s\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(endedAt - cancelledAt).count()),
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
