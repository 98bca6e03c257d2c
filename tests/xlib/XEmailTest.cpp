// The POP3 client against servers written here on loopback: plain ones and
// hostile ones (wrong answers, split replies, silence, endless garbage).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

#include "tests/LoopbackServer.h"
#include "xlib/XEmail.h"

namespace {
constexpr const char* kAuth = "Error: in Pop3Connect, AuthUserSetup failed. Msg=";

struct XEmailTest : ::testing::Test {
    void SetUp() override {
        XString error;
        ASSERT_TRUE(XEmail::Init(error));
    }
    void TearDown() override {
        XString error;
        XEmail::UnInit(error);
    }
};

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

TEST_F(XEmailTest, LogInCountAndSayGoodbye) {
    LoopbackServer server([](LoopbackConnection& c) {
        c.Send("+OK ready\r\n");
        c.Send(c.RecvLine() == "USER alice" ? "+OK\r\n" : "-ERR\r\n");
        c.Send(c.RecvLine() == "PASS s3cret" ? "+OK\r\n" : "-ERR\r\n");
        c.RecvLine();
        c.Send("+OK 3 4567\r\n");
        c.RecvLine();
        c.Send("+OK bye\r\n");
    });
    ASSERT_TRUE(server.IsReady());
    XEmail mail;
    ASSERT_TRUE(mail.Pop3Connect("127.0.0.1", server.Port(), "alice", "s3cret")) << mail.GetErrorText().c_str();
    EXPECT_TRUE(mail.IsConnected());
    int total = 0;
    EXPECT_EQ(mail.GetMsgCount(&total), 3);
    EXPECT_EQ(total, 4567);
    EXPECT_TRUE(mail.Pop3Disconnect());
    EXPECT_FALSE(mail.IsConnected());
    EXPECT_FLOAT_EQ(mail.GetProgress(), 100.0f);
}

// Every answer of a server to STAT, and what the client makes of it.
TEST_F(XEmailTest, StatAnswers) {
    struct Case {
        const char* answer;
        int count, total;
        const char* error;
    } cases[] = {
        {"+OK 3 4567\r\n", 3, 4567, ""},
        {"+OK 3\r\n", 3, -1, ""},
        {"+OK 0 0\r\n", 0, 0, ""},
        {"-ERR busy\r\n", 0, 0, "Error: in GetMsgCount, server response=-ERR busy\r\n"},
        {"+OK\r\n", 0, 0, "Error: in GetMsgCount, invalid server response=+OK\r\n"},
        {"+OK many\r\n", 0, -1, ""},
    };
    for (const Case& k : cases) {
        const std::string answer = k.answer;
        LoopbackServer server([answer](LoopbackConnection& c) {
            c.Send("+OK\r\n");
            c.RecvLine();
            c.Send("+OK\r\n");
            c.RecvLine();
            c.Send("+OK\r\n");
            if (c.RecvLine() == "STAT") c.Send(answer);
            c.HoldSilently();
        });
        XEmail mail;
        ASSERT_TRUE(mail.Pop3Connect("127.0.0.1", server.Port(), "u", "p"));
        int total = 12345;
        EXPECT_EQ(mail.GetMsgCount(&total), k.count) << k.answer;
        if (k.count > 0 || *k.error == 0) {
            EXPECT_EQ(total, k.total) << k.answer;
        }
        EXPECT_STREQ(mail.GetErrorText().c_str(), k.error) << k.answer;
    }
}

// Servers that refuse, close, split their replies or flood: each log-in ends
// with the right text, or succeeds where the reply is merely slow.
TEST_F(XEmailTest, HostileServers) {
    struct Case {
        const char* name;
        LoopbackServer::Script script;
        bool connects;
        std::string error;
    } cases[] = {
        {"greeting -ERR", [](LoopbackConnection& c) { c.Send("-ERR go away\r\n"); }, false,
         std::string(kAuth) + "Error: in AuthUserSetup, the connection failed with an invalid response."},
        {"closes at once", [](LoopbackConnection&) {}, false,
         std::string(kAuth) + "Error: in AuthUserSetup, the connection failed with an invalid response."},
        {"refuses the user",
         [](LoopbackConnection& c) {
             c.Send("+OK\r\n");
             c.RecvLine();
             c.Send("-ERR no such user\r\n");
         },
         false, std::string(kAuth) + "Error: in AuthUserSetup, user authorization failed for invalid user."},
        {"refuses the password",
         [](LoopbackConnection& c) {
             c.Send("+OK\r\n");
             c.RecvLine();
             c.Send("+OK\r\n");
             c.RecvLine();
             c.Send("-ERR wrong\r\n");
         },
         false, std::string(kAuth) + "Error: in AuthUserSetup, user authorization failed for invalid password."},
        {"replies split in two segments",
         [](LoopbackConnection& c) {
             c.Send("+OK rea");
             Pause(60);
             c.Send("dy\r\n");
             for (int i = 0; i < 2; ++i) {
                 c.RecvLine();
                 c.Send("+");
                 Pause(60);
                 c.Send("OK\r\n");
             }
             c.HoldSilently();
         },
         true, ""},
        {"a megabyte without a line end",
         [](LoopbackConnection& c) {
             const std::string junk(64 * 1024, 'x');
             for (int i = 0; i < 16 && c.Send(junk); ++i) {
             }
         },
         false, std::string(kAuth) + "Error: in AuthUserSetup, Recv failed. Msg=Error: in recv, the response reached "
                                     "4096 bytes without a line end."},
    };
    for (Case& k : cases) {
        LoopbackServer server(k.script);
        ASSERT_TRUE(server.IsReady());
        XEmail mail;
        EXPECT_EQ(mail.Pop3Connect("127.0.0.1", server.Port(), "u", "p"), k.connects) << k.name;
        EXPECT_EQ(mail.IsConnected(), k.connects) << k.name;
        EXPECT_EQ(std::string(mail.GetErrorText().c_str()), k.error) << k.name;
        EXPECT_LE(mail.GetResponse().GetLength(), XEmail::kRecvSize) << k.name;
    }
}

TEST_F(XEmailTest, SplitStatReplyIsReadWhole) {
    LoopbackServer server([](LoopbackConnection& c) {
        c.Send("+OK\r\n");
        c.RecvLine();
        c.Send("+OK\r\n");
        c.RecvLine();
        c.Send("+OK\r\n");
        c.RecvLine();
        c.Send("+OK 12");
        Pause(60);
        c.Send(" 999\r\n");
        c.HoldSilently();
    });
    XEmail mail;
    ASSERT_TRUE(mail.Pop3Connect("127.0.0.1", server.Port(), "u", "p"));
    int total = 0;
    EXPECT_EQ(mail.GetMsgCount(&total), 12);
    EXPECT_EQ(total, 999);
}

TEST_F(XEmailTest, NoConnectionNoTraffic) {
    LoopbackServer server(Pop3Script(1));
    XEmail mail;
    EXPECT_TRUE(mail.Pop3Disconnect());
    EXPECT_STREQ(mail.GetErrorText().c_str(), "");
    Pause(50);
    EXPECT_EQ(server.Connections(), 0);

    // A port nobody listens on: the connect text names host and port.
    int port = server.Port();
    { LoopbackServer gone(Pop3Script(1)); port = gone.Port(); }
    EXPECT_FALSE(mail.Connect("127.0.0.1", port));
    EXPECT_EQ(std::string(mail.GetErrorText().c_str()),
              "Error: in Connect, failed to connect to host name=127.0.0.1 on port=" + std::to_string(port));
}

// A server that accepts and then says nothing: cancelling from another thread
// ends the wait at once, with the receive's "terminated" text.
TEST_F(XEmailTest, CancelEndsAWaitForASilentServer) {
    LoopbackServer server([](LoopbackConnection& c) { c.HoldSilently(); });
    XEmail mail;
    auto result = std::async(std::launch::async, [&] { return mail.Pop3Connect("127.0.0.1", server.Port(), "u", "p"); });
    for (int i = 0; i < 500 && server.Connections() == 0; ++i) Pause(2);
    Pause(50);
    const auto start = std::chrono::steady_clock::now();
    mail.Cancel();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ figure   ] XEmail cancel of a silent server returned after %.2f ms\n", ms);
    EXPECT_LT(ms, 1000.0);  // generous: the figure above is what counts
    EXPECT_FALSE(result.get());
    EXPECT_EQ(std::string(mail.GetErrorText().c_str()),
              std::string(kAuth) + "Error: in AuthUserSetup, Recv failed. Msg=Error: in recv, the transfer has been "
                                   "terminated by the user.");
    // Cancelled stays cancelled until the owner resumes.
    EXPECT_FALSE(mail.Pop3Connect("127.0.0.1", server.Port(), "u", "p"));
    mail.Resume();
    LoopbackServer plain(Pop3Script(4));
    EXPECT_TRUE(mail.Pop3Connect("127.0.0.1", plain.Port(), "u", "p"));
    EXPECT_EQ(mail.GetMsgCount(), 4);
    EXPECT_TRUE(mail.Pop3Disconnect());
}
