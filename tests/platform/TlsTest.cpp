// The TLS session's promises that hold without a TLS server: a trust file
// that cannot serve fails before a byte goes out, a plain-text server is
// refused rather than waited on, and a dead session sends nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "platform/Tls.h"
#include "tests/LoopbackServer.h"
#include "tests/TestSupport.h"

namespace {
void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

TEST(PlatformTlsTest, RefusalsSendNothingAndNeverWaitOnPlainText) {
    TempDir dir;
    WriteWholeFile(dir.File("garbage.pem"), "no certificate here\n");
    struct Case {
        const char* name;
        std::string trust;
        const char* greeting;   // what the server says at once; nullptr: nothing
        const char* errorPart;  // found in LastError
        bool clientHelloSent;
    } cases[] = {
        {"missing trust file", dir.File("missing.pem"), nullptr, "missing.pem", false},
        {"trust file without a certificate", dir.File("garbage.pem"), nullptr, "no certificate could be read", false},
        {"plain-text server", "", "+OK plain POP3 here\r\n", "", true},
    };
    ASSERT_TRUE(PlatformSocketsStart());
    uint32_t address = 0;
    ASSERT_TRUE(PlatformSocket::ResolveIPv4("127.0.0.1", address));
    for (const Case& k : cases) {
        std::string received;
        std::atomic<bool> done{false};
        LoopbackServer server([&](LoopbackConnection& c) {
            if (k.greeting) c.Send(k.greeting);
            c.HoldSilently();
            received = c.Received();
            done = true;
        });
        PlatformSocket socket;
        SocketStop stop;
        ASSERT_TRUE(socket.Open()) << k.name;
        ASSERT_EQ(socket.Connect(address, static_cast<uint16_t>(server.Port()), stop), PlatformSocket::kOk) << k.name;
        // Only a safety net: a session that waited for the rest of a
        // "record" would read as stopped here instead of failed.
        auto net = std::async(std::launch::async, [&] {
            for (int i = 0; i < 500 && !done; ++i) Pause(10);
            stop.Raise();
        });
        PlatformTls tls;
        EXPECT_EQ(tls.Handshake(socket, "localhost", k.trust, stop), PlatformSocket::kFailed) << k.name;
        EXPECT_NE(tls.LastError().find(k.errorPart), std::string::npos) << k.name << ": " << tls.LastError();
        EXPECT_FALSE(tls.IsEstablished()) << k.name;
        size_t moved = 0;
        char buffer[16];
        EXPECT_EQ(tls.Send("USER alice\r\n", 12, moved, stop), PlatformSocket::kFailed) << k.name;
        EXPECT_EQ(tls.Recv(buffer, sizeof buffer, moved, stop), PlatformSocket::kFailed) << k.name;
        tls.Close(stop);
        socket.Close();
        for (int i = 0; i < 500 && !done; ++i) Pause(2);
        ASSERT_TRUE(done) << k.name;
        net.get();
        EXPECT_EQ(!received.empty(), k.clientHelloSent) << k.name;
        EXPECT_EQ(received.find("USER"), std::string::npos) << k.name;
    }
    PlatformSocketsStop();
}
