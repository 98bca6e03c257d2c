// The POP3 client against servers written here on loopback: plain ones and
// hostile ones (wrong answers, split replies, silence, endless garbage).
#include <gtest/gtest.h>

#include <atomic>
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
        {"+OK 2147483647 5\r\n", 2147483647, 5, ""},
        // Not a count: a malformed answer, never a number taken from it.
        {"+OK many\r\n", 0, 0, "Error: in GetMsgCount, invalid server response=+OK many\r\n"},
        {"+OK -1 0\r\n", 0, 0, "Error: in GetMsgCount, invalid server response=+OK -1 0\r\n"},
        {"+OK 2147483648 0\r\n", 0, 0, "Error: in GetMsgCount, invalid server response=+OK 2147483648 0\r\n"},
        {"+OK 99999999999999999999\r\n", 0, 0,
         "Error: in GetMsgCount, invalid server response=+OK 99999999999999999999\r\n"},
        {"+OK 12abc 3\r\n", 0, 0, "Error: in GetMsgCount, invalid server response=+OK 12abc 3\r\n"},
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
        int total = k.error[0] == 0 ? 12345 : 0;
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

// Every form an account's server text may take, and clear words for the rest.
TEST(XPop3ServerTest, ServerTextForms) {
    using S = XPop3Server;
    struct Case {
        const char* text;
        const char* host;  // nullptr: refused with `error`
        int port;
        S::Security mode;
        const char* error;
    } cases[] = {
        {"pop.example.com", "pop.example.com", 110, S::kPlain, ""},
        {"  127.0.0.1:2110\t", "127.0.0.1", 2110, S::kPlain, ""},
        {"pop3://mail.example.com", "mail.example.com", 110, S::kPlain, ""},
        {"POP3://mail.example.com:1110", "mail.example.com", 1110, S::kPlain, ""},
        {"pop3s://mail.example.com", "mail.example.com", 995, S::kImplicitTls, ""},
        {"Pop3S://mail.example.com:65535", "mail.example.com", 65535, S::kImplicitTls, ""},
        {"pop3://mail.example.com+stls", "mail.example.com", 110, S::kStartTls, ""},
        {"pop3://mail.example.com+STLS:1110", "mail.example.com", 1110, S::kStartTls, ""},
        {"pop3://mail.example.com:1110+stls", "mail.example.com", 1110, S::kStartTls, ""},
        {"", nullptr, 0, S::kPlain, "the server text \"\" is empty: give the mail server's host name"},
        {"pop3s://", nullptr, 0, S::kPlain, "the server text \"pop3s://\" has no host name"},
        {"host:0", nullptr, 0, S::kPlain, "the server text \"host:0\" has the port \"0\": a port is a number from 1 to 65535"},
        {"host:99999", nullptr, 0, S::kPlain,
         "the server text \"host:99999\" has the port \"99999\": a port is a number from 1 to 65535"},
        {"host:12a", nullptr, 0, S::kPlain,
         "the server text \"host:12a\" has the port \"12a\": a port is a number from 1 to 65535"},
        {"host:", nullptr, 0, S::kPlain, "the server text \"host:\" has no port number after the colon"},
        {":25", nullptr, 0, S::kPlain, "the server text \":25\" has no host name"},
        {"ftp://x", nullptr, 0, S::kPlain, "the server text \"ftp://x\" has the unknown scheme \"ftp\": use pop3:// or pop3s://"},
        {"pop3s://x+stls", nullptr, 0, S::kPlain,
         "the server text \"pop3s://x+stls\" asks for STLS on a pop3s:// connection, which is TLS from the first byte"},
        {"mail.example.com+stls", nullptr, 0, S::kPlain,
         "the server text \"mail.example.com+stls\" has \"mail.example.com+stls\" as host name, which no host name can be"},
        {"mail example.com", nullptr, 0, S::kPlain,
         "the server text \"mail example.com\" has \"mail example.com\" as host name, which no host name can be"},
        {"pop3://x/inbox", nullptr, 0, S::kPlain,
         "the server text \"pop3://x/inbox\" has \"x/inbox\" as host name, which no host name can be"},
    };
    for (const Case& c : cases) {
        XPop3Server server;
        XString error;
        const bool ok = XPop3Server::Parse(XString(c.text), server, error);
        EXPECT_EQ(ok, c.host != nullptr) << c.text;
        EXPECT_STREQ(error.c_str(), c.error) << c.text;
        if (!ok) {
            // The client refuses the same text before any connection, with the same reason.
            XEmail mail;
            EXPECT_FALSE(mail.Pop3ConnectServer(XString(c.text), "u", "p"));
            EXPECT_EQ(std::string(mail.GetErrorText().c_str()), "Error: in Pop3Connect, " + std::string(c.error) + ".");
            continue;
        }
        EXPECT_STREQ(server.Host.c_str(), c.host) << c.text;
        EXPECT_EQ(server.Port, c.port) << c.text;
        EXPECT_EQ(server.Mode, c.mode) << c.text;
    }
}

// A TLS account never lets its user name or password out unprotected: not
// when the server refuses STLS, and not when the handshake fails.
TEST_F(XEmailTest, NoPasswordWithoutTheTlsSession) {
    struct Case {
        const char* name;
        const char* form;  // %d: the server's port
        LoopbackServer::Script script;
        std::string error;  // the start of the error text
    } cases[] = {
        {"STLS refused", "pop3://127.0.0.1:%d+stls",
         [](LoopbackConnection& c) {
             c.Send("+OK ready\r\n");
             if (c.RecvLine() == "STLS") c.Send("-ERR unknown command\r\n");
             c.HoldSilently();
         },
         std::string(kAuth) + "Error: in AuthUserSetup, the server does not offer STLS. Response=-ERR unknown command"},
        {"STLS accepted, then no TLS", "pop3://127.0.0.1:%d+stls",
         [](LoopbackConnection& c) {
             c.Send("+OK ready\r\n");
             if (c.RecvLine() == "STLS") c.Send("+OK begin\r\n");
             Pause(50);
             c.Send("+OK this is not TLS\r\n");
             c.HoldSilently();
         },
         std::string(kAuth) + "Error: in AuthUserSetup, TLS handshake failed. Msg="},
        {"pop3s to a plain server", "pop3s://127.0.0.1:%d",
         [](LoopbackConnection& c) {
             c.Send("+OK ready\r\n");
             c.HoldSilently();
         },
         std::string(kAuth) + "Error: in AuthUserSetup, TLS handshake failed. Msg="},
    };
    for (Case& k : cases) {
        std::string received;
        std::atomic<bool> done{false};
        LoopbackServer server([&](LoopbackConnection& c) {
            k.script(c);
            received = c.Received();
            done = true;
        });
        char text[64];
        std::snprintf(text, sizeof text, k.form, server.Port());
        XEmail mail;
        EXPECT_FALSE(mail.Pop3ConnectServer(XString(text), "alice", "s3cret")) << k.name;
        EXPECT_EQ(std::string(mail.GetErrorText().c_str()).substr(0, k.error.size()), k.error) << k.name;
        EXPECT_FALSE(mail.IsConnected()) << k.name;
        EXPECT_TRUE(mail.Pop3Disconnect()) << k.name;  // nothing left to say goodbye on
        for (int i = 0; i < 500 && !done; ++i) Pause(2);
        ASSERT_TRUE(done) << k.name;
        EXPECT_EQ(received.find("alice"), std::string::npos) << k.name;
        EXPECT_EQ(received.find("s3cret"), std::string::npos) << k.name;
        EXPECT_EQ(received.find("QUIT"), std::string::npos) << k.name;
    }
}

// The socket's own wait, which the TLS sessions use: ready when the server
// speaks, stopped at once when the stop is raised meanwhile.
TEST_F(XEmailTest, SocketWaitSeesDataOrTheStop) {
    std::atomic<bool> speak{false};
    LoopbackServer server([&](LoopbackConnection& c) {
        while (!speak) Pause(2);
        c.Send("+OK\r\n");
        c.HoldSilently();
    });
    uint32_t address = 0;
    ASSERT_TRUE(PlatformSocket::ResolveIPv4("127.0.0.1", address));
    PlatformSocket socket;
    SocketStop stop;
    ASSERT_TRUE(socket.Open());
    ASSERT_EQ(socket.Connect(address, static_cast<uint16_t>(server.Port()), stop), PlatformSocket::kOk);
    EXPECT_EQ(socket.WaitReady(true, stop), PlatformSocket::kOk);  // room to write at once
    auto raiser = std::async(std::launch::async, [&] {
        Pause(50);
        stop.Raise();
    });
    EXPECT_EQ(socket.WaitReady(false, stop), PlatformSocket::kStopped);
    raiser.get();
    stop.Reset();
    speak = true;
    EXPECT_EQ(socket.WaitReady(false, stop), PlatformSocket::kOk);
}

// A server that is silent, or answers a byte at a time, at any step: each
// step ends within the exchange limit with a text that names it, and the
// connection is given up (no QUIT is waited for).
TEST_F(XEmailTest, ExchangeLimitEndsEveryStall) {
    struct Case {
        const char* name;
        const char* form;  // %d: the server's port
        LoopbackServer::Script script;
        bool stallsAtStat;  // logs in, then the count is what stalls
        std::string error;
    } cases[] = {
        {"silent before the greeting", "127.0.0.1:%d", [](LoopbackConnection& c) { c.HoldSilently(); }, false,
         std::string(kAuth) + "Error: in AuthUserSetup, Recv failed. Msg=Error: in recv, no complete answer from the "
                              "server within 1 second."},
        {"greeting a byte at a time", "127.0.0.1:%d",
         [](LoopbackConnection& c) {
             const std::string greeting = "+OK a very slow server greets you\r\n";
             for (char ch : greeting) {
                 if (!c.Send(std::string(1, ch))) return;
                 Pause(150);
             }
         },
         false,
         std::string(kAuth) + "Error: in AuthUserSetup, Recv failed. Msg=Error: in recv, no complete answer from the "
                              "server within 1 second."},
        {"silent after the user name", "127.0.0.1:%d",
         [](LoopbackConnection& c) {
             c.Send("+OK\r\n");
             c.RecvLine();
             c.HoldSilently();
         },
         false,
         std::string(kAuth) + "Error: in AuthUserSetup, Recv(2) failed. Msg=Error: in recv, no complete answer from "
                              "the server within 1 second."},
        {"silent at STAT", "127.0.0.1:%d",
         [](LoopbackConnection& c) {
             c.Send("+OK\r\n");
             c.RecvLine();
             c.Send("+OK\r\n");
             c.RecvLine();
             c.Send("+OK\r\n");
             c.HoldSilently();
         },
         true, "Error: in GetMsgCount, Recv(1) failed. Msg=Error: in recv, no complete answer from the server within "
               "1 second."},
        {"TLS record header, then nothing", "pop3s://127.0.0.1:%d",
         [](LoopbackConnection& c) {
             // The header of a long handshake message, then silence.
             c.Send(std::string("\x16\x03\x03\x40\x00", 5));
             c.HoldSilently();
         },
         false,
         std::string(kAuth) + "Error: in AuthUserSetup, TLS handshake failed. Msg=Error: in TLS handshake, the "
                              "server did not complete it within 1 second."},
        {"STLS accepted, then a header and nothing", "pop3://127.0.0.1:%d+stls",
         [](LoopbackConnection& c) {
             c.Send("+OK ready\r\n");
             if (c.RecvLine() == "STLS") c.Send("+OK begin\r\n");
             c.Send(std::string("\x16\x03\x03\x40\x00", 5));
             c.HoldSilently();
         },
         false,
         std::string(kAuth) + "Error: in AuthUserSetup, TLS handshake failed. Msg=Error: in TLS handshake, the "
                              "server did not complete it within 1 second."},
    };
    XEmail::SetExchangeLimitMs(1000);
    for (Case& k : cases) {
        LoopbackServer server(k.script);
        char text[64];
        std::snprintf(text, sizeof text, k.form, server.Port());
        XEmail mail;
        const auto start = std::chrono::steady_clock::now();
        const bool connected = mail.Pop3ConnectServer(XString(text), "u", "p");
        EXPECT_EQ(connected, k.stallsAtStat) << k.name;
        if (connected) {
            EXPECT_EQ(mail.GetMsgCount(), -1) << k.name;
            EXPECT_EQ(std::string(mail.GetErrorText().c_str()), k.error) << k.name;
            EXPECT_FALSE(mail.IsConnected()) << k.name;
            EXPECT_TRUE(mail.Pop3Disconnect()) << k.name;  // given up: nothing more is said
        } else {
            EXPECT_EQ(std::string(mail.GetErrorText().c_str()), k.error) << k.name;
        }
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ figure   ] XEmail against a server %s gave up after %.2f s (limit 1 s)\n", k.name, s);
        EXPECT_LT(s, 10.0) << k.name;  // generous: the figure above is what counts
    }
    XEmail::SetExchangeLimitMs(XEmail::kDefaultExchangeLimitMs);
    EXPECT_EQ(XEmail::ExchangeLimitMs(), XEmail::kDefaultExchangeLimitMs);
}

// A user name or password holding CR or LF would smuggle commands of its own
// to the server: such a value is refused before any connection is made.
TEST_F(XEmailTest, LineBreakInASecretSendsNothing) {
    struct Case {
        const char* user;
        const char* password;
        const char* error;
    } cases[] = {
        {"alice\r\nDELE 1", "p", "Error: in AuthUserSetup, the user name holds a line break (CR or LF); nothing was sent."},
        {"alice\n", "p", "Error: in AuthUserSetup, the user name holds a line break (CR or LF); nothing was sent."},
        {"alice", "s3cret\r\nDELE 1", "Error: in AuthUserSetup, the password holds a line break (CR or LF); nothing was sent."},
        {"alice", "\rs3cret", "Error: in AuthUserSetup, the password holds a line break (CR or LF); nothing was sent."},
    };
    LoopbackServer server(Pop3Script(1));
    ASSERT_TRUE(server.IsReady());
    for (const Case& k : cases) {
        XEmail mail;
        EXPECT_FALSE(mail.Pop3ConnectServer(XString(server.Address().c_str()), k.user, k.password)) << k.user;
        EXPECT_EQ(std::string(mail.GetErrorText().c_str()), std::string(kAuth) + k.error) << k.user;
    }
    Pause(50);
    EXPECT_EQ(server.Connections(), 0);
    // Blanks and other bytes are the user's to choose.
    XEmail mail;
    EXPECT_TRUE(mail.Pop3ConnectServer(XString(server.Address().c_str()), "a b\t", "p ass"));
    EXPECT_TRUE(mail.Pop3Disconnect());
}
