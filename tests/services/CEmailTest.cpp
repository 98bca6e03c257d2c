// The e-mail module: its settings section, its checking thread against POP3
// servers on loopback, and what the render thread makes of new mail.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Sound.h"
#include "services/CEmail.h"
#include "tests/LoopbackServer.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {
void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    for (int i = 0; i < ms / 5; ++i) {
        if (done()) return true;
        Pause(5);
    }
    return done();
}

struct SoundLog : SoundService {
    bool PlayWave(const std::string& path, bool loop) override {
        calls.push_back("play " + path + (loop ? " looped" : ""));
        return true;
    }
    void Stop() override { calls.push_back("stop"); }
    void Beep() override { calls.push_back("beep"); }
    std::vector<std::string> calls;
};

CEmailAccount Account(const char* server, const char* user, const char* password, int minutes) {
    CEmailAccount a;
    a.Pop3 = server;
    a.UserName = user;
    a.Password = password;
    a.Minutes = minutes;
    return a;
}

struct CEmailThreadTest : ::testing::Test {
    void SetUp() override {
        XString error;
        XEmail::Init(error);
        SetSoundServiceForTests(&sound);
        count = 5;
    }
    void TearDown() override {
        StopEmailThread(email);
        SetSoundServiceForTests(nullptr);
        XString error;
        XEmail::UnInit(error);
    }
    // The thread started on one account at `server`, polled on every pass.
    void Start(const LoopbackServer& server) {
        email.Accounts.Clear();
        email.Accounts.Add(Account(server.Address().c_str(), "u", "p", 0));
        StartEmailThread(email);
    }
    // Mail arrives after the first pass: the notice is showing.
    void ShowNotice(LoopbackServer& server) {
        Start(server);
        ASSERT_TRUE(WaitFor([&] { return email.FirstPassDone(); }));
        count = 6;
        ASSERT_TRUE(WaitFor([&] { return email.NewMailCount() == 1; }));
        email.Process(XDateTime());
        ASSERT_TRUE(email.IsShowing());
    }

    SoundLog sound;
    std::atomic<int> count{5};
    CEmail email;
};
}  // namespace

TEST(CEmailConfig, WriteThenReadGivesTheSameAccounts) {
    CEmail out;
    out.Notify = false;
    out.DisplayText = false;
    out.RandStreamers = true;
    out.NewMailSoundType = 2;
    out.SoundFileName = "C:\\Sounds\\ding.wav";
    out.CycleGreen = false;
    out.TrustFile = "/etc/mail/our-ca.pem";
    out.Accounts.Add(Account("pop.example.com", "alice", "Pa55 word!", 10));
    out.Accounts.Add(Account("127.0.0.1:1110", "bob@example.com", "</Y> <X>\x01\xff", 0));
    out.Accounts.Add(Account("pop3s://mail.example.com:2995", "carol", "c", 5));
    out.Accounts.Add(Account("pop3://mail.example.com+stls", "dave", "d", 5));
    out.Accounts.Add(Account("", "", "", 3));
    XString text;
    out.Write(text);

    CEmail in;
    in.Read(text);
    EXPECT_FALSE(in.Notify);
    EXPECT_FALSE(in.DisplayText);
    EXPECT_TRUE(in.DisplayStreamers);
    EXPECT_TRUE(in.RandStreamers);
    EXPECT_EQ(in.NewMailSoundType, 2u);
    EXPECT_STREQ(in.SoundFileName.c_str(), "C:\\Sounds\\ding.wav");
    EXPECT_TRUE(in.CycleRed);
    EXPECT_FALSE(in.CycleGreen);
    EXPECT_STREQ(in.TrustFile.c_str(), "/etc/mail/our-ca.pem");
    ASSERT_EQ(in.Accounts.GetCount(), 5u);
    for (unsigned i = 0; i < 5; ++i) {
        const CEmailAccount& a = out.Accounts.Get(i);
        const CEmailAccount& b = in.Accounts.Get(i);
        EXPECT_EQ(a.Pop3.View(), b.Pop3.View()) << i;
        EXPECT_EQ(a.UserName.View(), b.UserName.View()) << i;
        EXPECT_EQ(a.Password.View(), b.Password.View()) << i;
        EXPECT_EQ(a.Minutes, b.Minutes) << i;
        EXPECT_EQ(b.LastCount, 0);
        EXPECT_EQ(b.LastCheck.GetYear(), 1);
    }
    // Neither user names nor passwords appear in the file as plain text.
    EXPECT_EQ(text.View().find("alice"), std::string_view::npos);
    EXPECT_EQ(text.View().find("Pa55"), std::string_view::npos);
}

// The stored layout, byte for byte: the pass phrases are part of the file
// format, so these values must never change.
TEST(CEmailConfig, WrittenLayout) {
    CEmail out;
    out.Accounts.Add(Account("pop.example.com", "alice", "Pa55 word!", 10));
    XString text;
    out.Write(text);
    EXPECT_EQ(std::string(text.View()),
              "\t<Email>\r\n"
              "\t\t<Notify>true</Notify>\r\n"
              "\t\t<DisplayText>true</DisplayText>\r\n"
              "\t\t<DisplayStreamers>true</DisplayStreamers>\r\n"
              "\t\t<CycleStreamers>true</CycleStreamers>\r\n"
              "\t\t<RandStreamers>false</RandStreamers>\r\n"
              "\t\t<NewMailSoundType>1</NewMailSoundType>\r\n"
              "\t\t<SoundFileName></SoundFileName>\r\n"
              "\t\t<CycleRed>true</CycleRed>\r\n"
              "\t\t<CycleGreen>true</CycleGreen>\r\n"
              "\t\t<CycleBlue>true</CycleBlue>\r\n"
              "\t\t<NumAccounts>1</NumAccounts>\r\n"
              "\t\t<Account_0>\r\n"
              "\t\t\t<Pop3>pop.example.com</Pop3>\r\n"
              "\t\t\t<X>TfLWeVA=</X>\r\n"
              "\t\t\t<Y>TL9SbU3oK+UPKQ==</Y>\r\n"
              "\t\t\t<Minutes>10</Minutes>\r\n"
              "\t\t</Account_0>\r\n"
              "\t</Email>\r\n");
}

TEST(CEmailConfig, MissingPartsReadAsDefaultsOrZero) {
    struct Case {
        const char* text;
        bool notify;
        uint32_t soundType;
        unsigned accounts;
    } cases[] = {
        {"", true, 1, 0},
        {"<Email></Email>", true, 1, 0},
        {"<Email><Notify>TRUEly</Notify></Email>", true, 0, 0},
        {"<Email><Notify>yes</Notify><NumAccounts>2</NumAccounts><Account_0><Pop3>a</Pop3></Account_0></Email>",
         false, 0, 2},
        {"<Email><NumAccounts>2000000000</NumAccounts></Email>", false, 0, CEmail::kMaxAccounts},
        {"<Email><NumAccounts>-4</NumAccounts></Email>", false, 0, 0},
    };
    for (const Case& c : cases) {
        CEmail e;
        e.Accounts.Add(Account("old", "old", "old", 1));
        e.Read(XString(c.text));
        EXPECT_EQ(e.Notify, c.notify) << c.text;
        EXPECT_EQ(e.NewMailSoundType, c.soundType) << c.text;
        EXPECT_EQ(e.Accounts.GetCount(), c.accounts) << c.text;
    }
    // A present account without fields: empty texts and interval 0.
    CEmail e;
    e.Read(XString("<Email><NumAccounts>1</NumAccounts><Account_0></Account_0></Email>"));
    ASSERT_EQ(e.Accounts.GetCount(), 1u);
    EXPECT_TRUE(e.Accounts.Get(0).UserName.IsEmpty());
    EXPECT_EQ(e.Accounts.Get(0).Minutes, 0);
}

TEST(CEmailText, NoticeAndPassPhrases) {
    const std::pair<int, const char*> notices[] = {{-3, "New e-mail: 1 message"}, {0, "New e-mail: 1 message"},
                                                   {1, "New e-mail: 1 message"},  {2, "New e-mail: 2 messages"},
                                                   {17, "New e-mail: 17 messages"}};
    for (const auto& n : notices) EXPECT_STREQ(CEmail::NoticeText(n.first).c_str(), n.second) << n.first;

    // The server texts are taken apart by XPop3Server::Parse (XEmailTest).
    // Each account and field has a pass phrase of its own.
    EXPECT_STREQ(CEmail::PassPhrase(0, false).c_str(), "mEaDoW-8gLoW#71q0U");
    EXPECT_STREQ(CEmail::PassPhrase(12, true).c_str(), "mEaDoW-8gLoW#71q12P");
}

// The first pass only records the counts; growth after it is new mail, and a
// mailbox that shrinks takes the count down again.
TEST_F(CEmailThreadTest, FirstPassThenGrowth) {
    TempDir dir;
    WriteWholeFile(dir.File("ding.wav"), "RIFF");
    email.SoundFileName = dir.File("ding.wav").c_str();  // the beep wants a sound file named
    LoopbackServer server(Pop3Script(count));
    Start(server);
    ASSERT_TRUE(WaitFor([&] { return email.FirstPassDone(); }));
    EXPECT_EQ(email.ThreadCount(), 1);
    email.Process(XDateTime());
    EXPECT_FALSE(email.IsShowing());
    EXPECT_TRUE(sound.calls.empty());

    count = 7;
    ASSERT_TRUE(WaitFor([&] { return email.NewMailCount() == 2; }));
    email.Process(XDateTime());
    EXPECT_TRUE(email.IsShowing());
    EXPECT_STREQ(CEmail::NoticeText(email.NewMailCount()).c_str(), "New e-mail: 2 messages");
    EXPECT_EQ(sound.calls, std::vector<std::string>{"beep"});
    email.Process(XDateTime());  // no change, no second sound
    EXPECT_EQ(sound.calls.size(), 1u);

    count = 4;
    ASSERT_TRUE(WaitFor([&] { return email.NewMailCount() == -1; }));
    email.Process(XDateTime());
    EXPECT_TRUE(email.IsShowing());  // never cleared in a run
    EXPECT_EQ(sound.calls.size(), 2u);
    StopEmailThread(email);
    EXPECT_EQ(email.ThreadCount(), 0);
}

// Which sound new mail makes: either one only when the sound file can be
// opened, so a beep with no file named stays silent.
TEST_F(CEmailThreadTest, SoundForNewMail) {
    TempDir dir;
    const std::string wave = dir.File("ding.wav");
    WriteWholeFile(wave, "RIFF");
    // Past the wave limit: never handed to the sound service to read whole.
    const std::string huge = dir.File("huge.wav");
    WriteWholeFile(huge, "RIFF");
    std::filesystem::resize_file(huge, (64ull << 20) + 1);
    struct Case {
        uint32_t type;
        std::string file;
        std::vector<std::string> calls;
    } cases[] = {
        {2, huge, {}},
        {0, wave, {}},
        {1, "", {}},
        {1, wave, {"beep"}},
        {1, dir.File("missing.wav"), {}},
        {2, wave, {"play " + wave}},
        {2, dir.File("missing.wav"), {}},
        {2, "", {}},
    };
    LoopbackServer server(Pop3Script(count));
    for (const Case& c : cases) {
        sound.calls.clear();
        count = 5;
        email.NewMailSoundType = c.type;
        email.SoundFileName = c.file.c_str();
        ShowNotice(server);
        EXPECT_EQ(sound.calls, c.calls) << c.type << " " << c.file;
        StopEmailThread(email);
        // A wave still playing ends with the run.
        sound.calls.clear();
        email.Release();
        EXPECT_EQ(sound.calls.size(), c.type == 2 ? 1u : 0u);
    }
}

// Nothing to watch: no thread, no polling, no sound, no notice.
TEST_F(CEmailThreadTest, WithoutAMailboxToWatchNoThreadStarts) {
    LoopbackServer server(Pop3Script(count));
    struct Case {
        const char* name;
        bool notify;
        bool account;
    } cases[] = {{"notices off", false, true}, {"no account", true, false}};
    for (const Case& c : cases) {
        email.Notify = c.notify;
        email.Accounts.Clear();
        if (c.account) email.Accounts.Add(Account(server.Address().c_str(), "u", "p", 0));
        StartEmailThread(email);
        EXPECT_EQ(email.ThreadCount(), 0) << c.name;
        Pause(150);
        EXPECT_EQ(server.Connections(), 0) << c.name;
        EXPECT_FALSE(email.FirstPassDone()) << c.name;
        email.Process(XDateTime());
        EXPECT_FALSE(email.IsShowing()) << c.name;
        EXPECT_TRUE(sound.calls.empty()) << c.name;
        StopEmailThread(email);
    }
}

// A server that accepts and never answers must not hold up the stop: not
// before its greeting, not in the middle of a TLS handshake.
TEST_F(CEmailThreadTest, StopDoesNotWaitForASilentServer) {
    struct Case {
        const char* name;
        const char* form;  // %d: the server's port
        LoopbackServer::Script script;
    } cases[] = {
        {"silent before the greeting", "127.0.0.1:%d", [](LoopbackConnection& c) { c.HoldSilently(); }},
        {"silent in the implicit TLS handshake", "pop3s://127.0.0.1:%d", [](LoopbackConnection& c) { c.HoldSilently(); }},
        {"silent in the STLS handshake", "pop3://127.0.0.1:%d+stls",
         [](LoopbackConnection& c) {
             c.Send("+OK ready\r\n");
             if (c.RecvLine() == "STLS") c.Send("+OK begin TLS\r\n");
             c.HoldSilently();
         }},
    };
    for (const Case& k : cases) {
        LoopbackServer server(k.script);
        char text[64];
        std::snprintf(text, sizeof text, k.form, server.Port());
        email.Accounts.Clear();
        email.Accounts.Add(Account(text, "u", "p", 0));
        StartEmailThread(email);
        ASSERT_TRUE(WaitFor([&] { return server.Connections() > 0; })) << k.name;
        Pause(30);
        const auto start = std::chrono::steady_clock::now();
        StopEmailThread(email);
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ figure   ] StopEmailThread with a server %s: %.2f ms\n", k.name, ms);
        EXPECT_LT(ms, 1000.0) << k.name;  // generous: the figure above is what counts
        EXPECT_EQ(email.ThreadCount(), 0) << k.name;
        if (k.form[0] == '1') {
            EXPECT_FALSE(email.FirstPassDone());  // the interrupted poll learnt nothing
        }
    }

    // Nor for a thread resting between passes (its one mailbox not due for an hour).
    LoopbackServer server(Pop3Script(count));
    email.Accounts.Clear();
    email.Accounts.Add(Account(server.Address().c_str(), "u", "p", 60));
    StartEmailThread(email);
    ASSERT_TRUE(WaitFor([&] { return email.FirstPassDone(); }));
    Pause(30);
    const auto idleStart = std::chrono::steady_clock::now();
    StopEmailThread(email);
    const double idleMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - idleStart).count();
    std::printf("[ figure   ] StopEmailThread with the thread between passes: %.2f ms\n", idleMs);
    EXPECT_LT(idleMs, 500.0);
}

TEST_F(CEmailThreadTest, UnreachableMailboxIsLoggedAndSkipped) {
    LoopbackServer good(Pop3Script(count));
    int closedPort;
    { LoopbackServer gone(Pop3Script(1)); closedPort = gone.Port(); }
    const std::string dead = "127.0.0.1:" + std::to_string(closedPort);
    email.Accounts.Add(Account(dead.c_str(), "u", "p", 60));
    email.Accounts.Add(Account(good.Address().c_str(), "u", "p", 0));
    StartEmailThread(email);
    ASSERT_TRUE(WaitFor([&] { return email.FirstPassDone(); }));
    count = 8;
    ASSERT_TRUE(WaitFor([&] { return email.NewMailCount() == 3; }));
    StopEmailThread(email);
    const std::string log = ReadWholeFile(InstallDir() + "RunLog.txt");
    const std::string entry = "Subject = E-mail check failed in InstanceThread - Pop3Connect\r\nMessage = Error: could not "
                              "connect to the pop3 account = " + dead + ". Msg=Error: in Pop3Connect, AuthUserSetup "
                              "failed. Msg=Error: in AuthUserSetup, Connect failed. Msg=Error: in Connect, failed to "
                              "connect to host name=127.0.0.1 on port=" + std::to_string(closedPort) + "\r\n";
    EXPECT_NE(log.find(entry), std::string::npos) << log;
    // Polled once in the hour, however often the other account was.
    size_t entries = 0;
    for (size_t at = log.find(entry); at != std::string::npos; at = log.find(entry, at + 1)) ++entries;
    EXPECT_EQ(entries, 1u);
}

// Streamer colours: red and blue, or random, at the first frame; then only
// channels that sit at 0 or 255 start to move.
TEST_F(CEmailThreadTest, StreamerColours) {
    LoopbackServer server(Pop3Script(count));
    email.CycleStreamers = true;
    ShowNotice(server);
    const std::vector<int32_t> fixed(email.StreamerColours, email.StreamerColours + 6);
    EXPECT_EQ(fixed, (std::vector<int32_t>{255, 0, 0, 0, 0, 255}));
    email.Process(XDateTime());
    EXPECT_EQ(std::vector<int32_t>(email.StreamerColours, email.StreamerColours + 6),
              (std::vector<int32_t>{254, 1, 1, 1, 1, 254}));

    const int32_t start[6] = {0, 255, 100, 37, 0, 255};
    for (bool cycle : {true, false}) {
        for (int c = 0; c < 6; ++c) {
            email.StreamerColours[c] = start[c];
            email.StreamerSteps[c] = 0;
        }
        email.CycleStreamers = cycle;
        email.Process(XDateTime());
        const std::vector<int32_t> expected = cycle ? std::vector<int32_t>{1, 254, 100, 37, 1, 254}
                                                    : std::vector<int32_t>(start, start + 6);
        EXPECT_EQ(std::vector<int32_t>(email.StreamerColours, email.StreamerColours + 6), expected) << cycle;
    }
}

// An account from a settings file of before TLS reaches its server with
// exactly the bytes it always sent; so does the same server named pop3://.
TEST_F(CEmailThreadTest, PlainAccountsSendTheSameBytes) {
    for (const char* form : {"127.0.0.1:%d", "pop3://127.0.0.1:%d"}) {
        std::mutex lock;
        std::string received;
        LoopbackServer server([&](LoopbackConnection& c) {
            Pop3Script(count)(c);
            std::lock_guard<std::mutex> hold(lock);
            if (received.empty()) received = c.Received();
        });
        char pop3[64];
        std::snprintf(pop3, sizeof pop3, form, server.Port());
        // Written by the program before pop3s:// existed (user alice, password "Pa55 word!").
        const std::string file = std::string("<Email><Notify>true</Notify><NumAccounts>1</NumAccounts><Account_0><Pop3>") +
                                 pop3 + "</Pop3><X>TfLWeVA=</X><Y>TL9SbU3oK+UPKQ==</Y><Minutes>10</Minutes>"
                                        "</Account_0></Email>";
        email.Read(XString(file.c_str()));
        StartEmailThread(email);
        ASSERT_TRUE(WaitFor([&] { return email.FirstPassDone(); })) << form;
        StopEmailThread(email);
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard<std::mutex> hold(lock);
            return !received.empty();
        })) << form;
        std::lock_guard<std::mutex> hold(lock);
        EXPECT_EQ(received, "USER alice\r\nPASS Pa55 word!\r\nSTAT\r\nQUIT\r\n") << form;
    }
}

// A mailbox that never answers, drips, or stalls its TLS handshake costs one
// exchange limit per poll: the good account beside it is still checked, and
// the run log says what happened to the bad one.
TEST_F(CEmailThreadTest, HostileMailboxDoesNotHoldTheOthers) {
    struct Case {
        const char* name;
        const char* form;  // %d: the hostile server's port
        LoopbackServer::Script script;
    } cases[] = {
        {"mute", "127.0.0.1:%d", [](LoopbackConnection& c) { c.HoldSilently(); }},
        {"dripping", "127.0.0.1:%d",
         [](LoopbackConnection& c) {
             for (int i = 0; i < 100 && c.Send("+"); ++i) Pause(100);
         }},
        {"TLS header then nothing", "pop3s://127.0.0.1:%d",
         [](LoopbackConnection& c) {
             c.Send(std::string("\x16\x03\x03\x40\x00", 5));
             c.HoldSilently();
         }},
    };
    XEmail::SetExchangeLimitMs(1000);
    for (const Case& k : cases) {
        LoopbackServer hostile(k.script);
        LoopbackServer good(Pop3Script(count));
        char text[64];
        std::snprintf(text, sizeof text, k.form, hostile.Port());
        count = 5;
        email.Accounts.Clear();
        email.Accounts.Add(Account(text, "u", "p", 0));
        email.Accounts.Add(Account(good.Address().c_str(), "u", "p", 0));
        StartEmailThread(email);
        ASSERT_TRUE(WaitFor([&] { return email.FirstPassDone(); }, 10000)) << k.name;
        count = 6;
        EXPECT_TRUE(WaitFor([&] { return email.NewMailCount() == 1; }, 10000)) << k.name;
        StopEmailThread(email);
        EXPECT_GE(good.Connections(), 2) << k.name;
        const std::string log = ReadWholeFile(InstallDir() + "RunLog.txt");
        const std::string entry = "Subject = E-mail check failed in InstanceThread - Pop3Connect\r\nMessage = Error: "
                                  "could not connect to the pop3 account = " + std::string(text) + ". Msg=";
        const size_t at = log.find(entry);
        ASSERT_NE(at, std::string::npos) << k.name << "\n" << log;
        EXPECT_NE(log.find("within 1 second.", at), std::string::npos) << k.name;
    }
    XEmail::SetExchangeLimitMs(XEmail::kDefaultExchangeLimitMs);
}

// Only a real count moves the new-mail count. A refusal, a malformed or
// negative count, or a count that fails to arrive is a failed check with a
// run-log entry, and the next good count is compared with the last good one.
TEST_F(CEmailThreadTest, OnlyRealCountsCount) {
    const std::vector<std::string> answers = {
        "+OK 3 100",  "+OK -5 0",   "-ERR busy", "+OK lots 1", "+OK 2147483647 1",
        "+OK -1 1",   "+OK 2 100",  "+OK 99999999999 1",
    };
    // New-mail count after each answer; the first pass only records.
    const std::vector<int32_t> after = {0, 0, 0, 0, 2147483644, 2147483644, -1, -1};
    std::atomic<size_t> next{0};
    std::atomic<size_t> served{0};
    LoopbackServer server([&](LoopbackConnection& c) {
        c.Send("+OK\r\n");
        for (std::string line = c.RecvLine(); !line.empty(); line = c.RecvLine()) {
            if (line == "STAT") {
                const size_t i = next.load();
                c.Send((i < answers.size() ? answers[i] : answers.back()) + "\r\n");
                ++served;
            } else {
                c.Send("+OK\r\n");
                if (line == "QUIT") return;
            }
        }
    });
    email.Accounts.Clear();
    email.Accounts.Add(Account(server.Address().c_str(), "u", "p", 0));
    StartEmailThread(email);
    for (size_t i = 0; i < answers.size(); ++i) {
        // Two passes on each answer: the count has settled before the next.
        ASSERT_TRUE(WaitFor([&] { return served.load() >= 2 * (i + 1) && email.FirstPassDone(); })) << i;
        EXPECT_EQ(email.NewMailCount(), after[i]) << answers[i];
        ++next;
        served = 2 * (i + 1);
    }
    StopEmailThread(email);
    const std::string log = ReadWholeFile(InstallDir() + "RunLog.txt");
    const std::string prefix = "Subject = E-mail check failed in InstanceThread - GetMsgCount\r\nMessage = Error: could "
                               "not read the message count of the pop3 account = " + server.Address() + ". Msg=";
    for (const char* bad : {"+OK -5 0", "-ERR busy", "+OK lots 1", "+OK 99999999999 1"})
        EXPECT_NE(log.find(prefix + std::string(bad[0] == '-' ? "Error: in GetMsgCount, server response=" :
                                                "Error: in GetMsgCount, invalid server response=") + bad),
                  std::string::npos) << bad;
}

// The running sum stays in range whatever two counts a server reports.
TEST(CEmailText, AddedMailStaysInRange) {
    struct Case {
        int32_t newMail, last, count, expected;
    } cases[] = {
        {0, 5, 7, 2},
        {2, 7, 4, -1},
        {0, 0, INT32_MAX, INT32_MAX},
        {INT32_MAX, 0, INT32_MAX, INT32_MAX},
        {INT32_MAX, INT32_MAX, 0, 0},
        {INT32_MIN + 1, INT32_MAX, 0, INT32_MIN},
        {-1, 0, 0, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CEmail::AddedMail(c.newMail, c.last, c.count), c.expected)
            << c.newMail << " " << c.last << " -> " << c.count;
}

// A stored user name or password that is not Base64 as the program writes it
// is logged when read, and its account is never polled: decoding it would
// send a cut-off or empty value to the server.
TEST_F(CEmailThreadTest, InvalidStoredBase64SendsNothing) {
    LoopbackServer server(Pop3Script(count));
    struct Case {
        const char* x;
        const char* y;
        bool unreadable;
        const char* logged;
    } cases[] = {
        {"TfLWeVA=", "TL9SbU3oK+UPKQ==", false, nullptr},
        {"", "", false, nullptr},
        {"TfLW*VA=", "TL9SbU3oK+UPKQ==", true, "the stored user name (<X>) is not valid Base64"},
        {"TfLWeVA=", "TL9SbU3oK+UPKQ=", true, "the stored password (<Y>) is not valid Base64"},
        {"TfLWeVA=", "TL9S=U3oK+UPKQ==", true, "the stored password (<Y>) is not valid Base64"},
        {"TfLWeVA", "TL9SbU3oK+UPKQ==", true, "the stored user name (<X>) is not valid Base64"},
    };
    for (const Case& k : cases) {
        const std::string config = "<Email><Notify>true</Notify><NumAccounts>1</NumAccounts><Account_0><Pop3>" +
                                   server.Address() +
                                   "</Pop3><X>" + k.x + "</X><Y>" + k.y + "</Y><Minutes>0</Minutes></Account_0></Email>";
        email.Read(XString(config.c_str()));
        ASSERT_EQ(email.Accounts.GetCount(), 1u) << k.x << " " << k.y;
        EXPECT_EQ(email.Accounts.Get(0).Unreadable, k.unreadable) << k.x << " " << k.y;
        if (k.logged) {
            const std::string log = ReadWholeFile(InstallDir() + "RunLog.txt");
            EXPECT_NE(log.find("Subject = E-mail settings\r\nMessage = Account 0: " + std::string(k.logged) +
                               "; the account is not checked."),
                      std::string::npos) << log;
        }
        const int before = server.Connections();
        StartEmailThread(email);
        ASSERT_TRUE(WaitFor([&] { return email.FirstPassDone(); }));
        StopEmailThread(email);
        EXPECT_EQ(server.Connections() > before, !k.unreadable) << k.x << " " << k.y;
    }
}
