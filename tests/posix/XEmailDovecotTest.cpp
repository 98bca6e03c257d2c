// The POP3 client and the e-mail module against a real server: Debian's
// dovecot, started on a loopback port of our own for this suite and stopped
// after it. Mailbox counts change by dropping files into Maildir/new.
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "platform/Sound.h"
#include "services/CEmail.h"
#include "tests/LoopbackServer.h"
#include "tests/TestSupport.h"

namespace {
namespace fs = std::filesystem;
constexpr const char* kDovecot = "/usr/sbin/dovecot";

class Dovecot {
public:
    Dovecot() {
        const passwd* user = getpwnam("dovecot");
        if (!fs::exists(kDovecot) || !user || geteuid() != 0) {
            m_Why = "dovecot (package dovecot-pop3d) or root rights missing";
            return;
        }
        m_Uid = user->pw_uid;
        m_Gid = user->pw_gid;
        { LoopbackServer probe(Pop3Script(0)); m_Port = probe.Port(); }  // a free port, briefly
        fs::permissions(m_Dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        const std::string d = m_Dir.Path();
        WriteWholeFile(d + "passwd", "alice:{PLAIN}wonder\nbob:{PLAIN}builder\n");
        WriteWholeFile(d + "dovecot.conf",
                       "protocols = pop3\nlisten = 127.0.0.1\nbase_dir = " + d + "run\nstate_dir = " + d +
                           "state\nlog_path = " + d + "dovecot.log\nssl = no\ndisable_plaintext_auth = no\n"
                           "auth_mechanisms = plain\nauth_failure_delay = 0\nfirst_valid_uid = " + std::to_string(m_Uid) +
                           "\nmail_location = maildir:~/Maildir\n"
                           "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " + d + "passwd\n}\n"
                           "userdb {\n  driver = static\n  args = uid=" + std::to_string(m_Uid) + " gid=" +
                           std::to_string(m_Gid) + " home=" + d + "home/%u\n}\n"
                           "service pop3-login {\n  inet_listener pop3 {\n    port = " + std::to_string(m_Port) +
                           "\n  }\n}\nservice imap-login {\n  inet_listener imap {\n    port = 0\n  }\n}\n");
        for (const char* who : {"alice", "bob"})
            for (const char* sub : {"new", "cur", "tmp"}) fs::create_directories(d + "home/" + who + "/Maildir/" + sub);
        SetMessages("alice", 5);
        if (std::system((std::string(kDovecot) + " -c " + d + "dovecot.conf").c_str()) != 0) {
            m_Why = "dovecot did not start; see " + d + "dovecot.log";
            return;
        }
        m_Started = true;
        // Ready once it greets.
        for (int i = 0; i < 600; ++i) {
            XEmail probe;
            if (probe.AuthUserSetup("127.0.0.1", m_Port, "alice", "wonder")) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        m_Why = "dovecot did not answer on port " + std::to_string(m_Port) + ": " + ReadWholeFile(d + "dovecot.log");
    }
    ~Dovecot() {
        if (m_Started) std::system((std::string(kDovecot) + " -c " + m_Dir.Path() + "dovecot.conf stop").c_str());
    }
    const std::string& Why() const { return m_Why; }
    int Port() const { return m_Port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_Port); }

    // Makes `who`'s mailbox hold exactly `n` new messages.
    void SetMessages(const char* who, int n) {
        const std::string box = m_Dir.Path() + "home/" + who + "/Maildir/";
        for (const char* sub : {"new", "cur"})
            for (const auto& f : fs::directory_iterator(box + sub)) fs::remove(f.path());
        for (int i = 0; i < n; ++i) {
            const std::string name = box + "new/" + std::to_string(1700000000 + i) + ".M" + std::to_string(i) + ".test";
            WriteWholeFile(name, "From: test@localhost\r\nSubject: " + std::to_string(i) + "\r\n\r\nHello.\r\n");
        }
        for (const auto& f : fs::recursive_directory_iterator(m_Dir.Path() + "home")) chown(f.path().c_str(), m_Uid, m_Gid);
        chown((m_Dir.Path() + "home").c_str(), m_Uid, m_Gid);
    }

private:
    TempDir m_Dir;
    uid_t m_Uid = 0;
    gid_t m_Gid = 0;
    int m_Port = 0;
    bool m_Started = false;
    std::string m_Why;
};

class DovecotTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        XString error;
        XEmail::Init(error);
        s_Server = new Dovecot;
    }
    static void TearDownTestSuite() {
        delete s_Server;
        s_Server = nullptr;
    }
    void SetUp() override {
        if (!s_Server->Why().empty()) GTEST_SKIP() << s_Server->Why();
        s_Server->SetMessages("alice", 5);
    }
    static Dovecot* s_Server;
};
Dovecot* DovecotTest::s_Server = nullptr;

struct BeepCount : SoundService {
    bool PlayWave(const std::string&, bool) override { return true; }
    void Stop() override {}
    void Beep() override { ++beeps; }
    int beeps = 0;
};
}  // namespace

TEST_F(DovecotTest, LogInAndCount) {
    struct Case {
        const char* user;
        const char* password;
        int messages;
        int count;
        const char* error;
    } cases[] = {
        {"alice", "wonder", 5, 5, ""},
        {"alice", "wonder", 0, 0, ""},
        {"bob", "builder", 0, 0, ""},
        {"alice", "wrong", 5, -2, "Error: in Pop3Connect, AuthUserSetup failed. Msg=Error: in AuthUserSetup, user "
                                  "authorization failed for invalid password."},
        // The server only judges the user name together with the password.
        {"nobody", "wonder", 5, -2, "Error: in Pop3Connect, AuthUserSetup failed. Msg=Error: in AuthUserSetup, user "
                                    "authorization failed for invalid password."},
    };
    for (const Case& c : cases) {
        s_Server->SetMessages("alice", c.messages);
        XEmail mail;
        const bool connected = mail.Pop3Connect("127.0.0.1", s_Server->Port(), c.user, c.password);
        EXPECT_EQ(connected, c.count != -2) << c.user << "/" << c.password;
        if (connected) {
            int total = -5;
            EXPECT_EQ(mail.GetMsgCount(&total), c.count) << c.user;
            EXPECT_EQ(total == 0, c.count == 0) << total;
            EXPECT_TRUE(mail.Pop3Disconnect()) << mail.GetErrorText().c_str();
        }
        EXPECT_STREQ(mail.GetErrorText().c_str(), c.error) << c.user << "/" << c.password;
        EXPECT_FALSE(mail.IsConnected());
        EXPECT_TRUE(mail.Pop3Disconnect());  // nothing to close
    }
}

// The module's whole round: first pass 5 (no notice), then 7 (two new).
TEST_F(DovecotTest, NewMailNotice) {
    BeepCount sound;
    SetSoundServiceForTests(&sound);
    CEmail email;
    CEmailAccount account;
    account.Pop3 = s_Server->Address().c_str();
    account.UserName = "alice";
    account.Password = "wonder";
    account.Minutes = 0;
    email.Accounts.Add(account);
    StartEmailThread(email);
    auto waitFor = [](const std::function<bool()>& done) {
        for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };
    ASSERT_TRUE(waitFor([&] { return email.FirstPassDone(); }));
    email.Process(XDateTime());
    EXPECT_FALSE(email.IsShowing());
    s_Server->SetMessages("alice", 7);
    EXPECT_TRUE(waitFor([&] { return email.NewMailCount() == 2; }));
    email.Process(XDateTime());
    EXPECT_TRUE(email.IsShowing());
    EXPECT_EQ(sound.beeps, 1);
    EXPECT_STREQ(CEmail::NoticeText(email.NewMailCount()).c_str(), "New e-mail: 2 messages");
    StopEmailThread(email);
    SetSoundServiceForTests(nullptr);
}
