// The POP3 client and the e-mail module against a real server: Debian's
// dovecot, started on loopback ports of our own for this suite and stopped
// after it, once plain and once with TLS (a self-signed certificate made here
// with openssl: STLS on the plain port, implicit TLS on a second one).
// Mailbox counts change by dropping files into Maildir/new.
#include <gtest/gtest.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
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

int FreePort() {
    LoopbackServer probe(Pop3Script(0));  // listens briefly
    return probe.Port();
}

// A self-signed certificate for "localhost" only (not 127.0.0.1), with its
// key; `expired`: valid in January 2020 only (signed by openssl's small CA
// tool, the one way to choose the dates without touching the clock).
bool MakeCertificate(const std::string& cert, const std::string& key, bool expired = false) {
    const std::string subject = " -nodes -subj /CN=localhost -addext subjectAltName=DNS:localhost -keyout " + key;
    const std::string curve = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1";
    if (!expired)
        return std::system(("openssl req -x509 -days 30" + curve + subject + " -out " + cert + " >/dev/null 2>&1").c_str()) == 0;
    const std::string ca = cert + ".ca/";
    fs::create_directories(ca);
    WriteWholeFile(ca + "index.txt", "");
    WriteWholeFile(ca + "serial", "01\n");
    WriteWholeFile(ca + "ca.conf", "[ca]\ndefault_ca = c\n[c]\ndatabase = " + ca + "index.txt\nnew_certs_dir = " + ca +
                                       "\nserial = " + ca + "serial\ndefault_md = sha256\npolicy = p\n"
                                       "copy_extensions = copy\n[p]\ncommonName = supplied\n");
    return std::system(("openssl req -new" + curve + subject + " -out " + ca + "req.csr >/dev/null 2>&1 && openssl ca "
                        "-batch -selfsign -config " + ca + "ca.conf -keyfile " + key + " -in " + ca + "req.csr "
                        "-startdate 20200101000000Z -enddate 20200201000000Z -out " + cert + " >/dev/null 2>&1")
                           .c_str()) == 0;
}

class Dovecot {
public:
    enum Tls { kNoTls, kTls, kExpiredTls };
    // With TLS, also STLS on the plain port and implicit TLS on TlsPort().
    explicit Dovecot(Tls tls = kNoTls) {
        const passwd* user = getpwnam("dovecot");
        if (!fs::exists(kDovecot) || !user || geteuid() != 0) {
            m_Why = "dovecot (package dovecot-pop3d) or root rights missing";
            return;
        }
        m_Uid = user->pw_uid;
        m_Gid = user->pw_gid;
        m_Port = FreePort();
        fs::permissions(m_Dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        const std::string d = m_Dir.Path();
        std::string ssl = "ssl = no\n";
        if (tls != kNoTls) {
            if (!MakeCertificate(CertFile(), d + "key.pem", tls == kExpiredTls) ||
                !MakeCertificate(StrangerCertFile(), d + "stranger.key")) {
                m_Why = "openssl could not make the test certificates";
                return;
            }
            m_TlsPort = FreePort();
            ssl = "ssl = yes\nssl_cert = <" + CertFile() + "\nssl_key = <" + d + "key.pem\n";
        }
        WriteWholeFile(d + "passwd", "alice:{PLAIN}wonder\nbob:{PLAIN}builder\n");
        WriteWholeFile(d + "dovecot.conf",
                       "protocols = pop3\nlisten = 127.0.0.1\nbase_dir = " + d + "run\nstate_dir = " + d +
                           "state\nlog_path = " + d + "dovecot.log\n" + ssl + "disable_plaintext_auth = no\n"
                           "auth_mechanisms = plain\nauth_failure_delay = 0\nfirst_valid_uid = " + std::to_string(m_Uid) +
                           "\nmail_location = maildir:~/Maildir\n"
                           "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " + d + "passwd\n}\n"
                           "userdb {\n  driver = static\n  args = uid=" + std::to_string(m_Uid) + " gid=" +
                           std::to_string(m_Gid) + " home=" + d + "home/%u\n}\n"
                           "service pop3-login {\n  inet_listener pop3 {\n    port = " + std::to_string(m_Port) +
                           "\n  }\n  inet_listener pop3s {\n    port = " + std::to_string(m_TlsPort) +
                           "\n  }\n}\nservice imap-login {\n  inet_listener imap {\n    port = 0\n  }\n"
                           "  inet_listener imaps {\n    port = 0\n  }\n}\n");
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
    int TlsPort() const { return m_TlsPort; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_Port); }
    // The server's certificate, and another one that did not sign it.
    std::string CertFile() const { return m_Dir.Path() + "cert.pem"; }
    std::string StrangerCertFile() const { return m_Dir.Path() + "stranger.pem"; }

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
    int m_TlsPort = 0;  // 0: no implicit TLS listener
    bool m_Started = false;
    std::string m_Why;
};

class DovecotTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        XString error;
        XEmail::Init(error);
        s_Server = new Dovecot;
        s_TlsServer = new Dovecot(Dovecot::kTls);
    }
    static void TearDownTestSuite() {
        delete s_Server;
        delete s_TlsServer;
        s_Server = s_TlsServer = nullptr;
    }
    void SetUp() override {
        if (!s_Server->Why().empty()) GTEST_SKIP() << s_Server->Why();
        if (!s_TlsServer->Why().empty()) GTEST_SKIP() << s_TlsServer->Why();
        s_Server->SetMessages("alice", 5);
        s_TlsServer->SetMessages("alice", 5);
    }
    // A server text with {plain} and {tls} standing for the TLS server's
    // ports and {bare} for the plain server's.
    static std::string Form(std::string text) {
        const std::pair<const char*, int> ports[] = {
            {"{plain}", s_TlsServer->Port()}, {"{tls}", s_TlsServer->TlsPort()}, {"{bare}", s_Server->Port()}};
        for (const auto& p : ports) {
            const size_t at = text.find(p.first);
            if (at != std::string::npos) text.replace(at, std::strlen(p.first), std::to_string(p.second));
        }
        return text;
    }
    static Dovecot* s_Server;
    static Dovecot* s_TlsServer;
};
Dovecot* DovecotTest::s_Server = nullptr;
Dovecot* DovecotTest::s_TlsServer = nullptr;

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

// The module's whole round, over plain POP3, STLS and implicit TLS: first
// pass 5 (no notice), then 7 (two new).
TEST_F(DovecotTest, NewMailNotice) {
    for (const char* form : {"127.0.0.1:{bare}", "pop3://localhost:{plain}+stls", "pop3s://localhost:{tls}"}) {
        const std::string text = Form(form);
        Dovecot& server = std::strstr(form, "{bare}") ? *s_Server : *s_TlsServer;
        server.SetMessages("alice", 5);
        BeepCount sound;
        SetSoundServiceForTests(&sound);
        CEmail email;
        email.TrustFile = s_TlsServer->CertFile().c_str();
        // The beep sounds only with a sound file that can be opened.
        TempDir dir;
        WriteWholeFile(dir.File("notice.wav"), "RIFF");
        email.NewMailSoundType = 1;
        email.SoundFileName = dir.File("notice.wav").c_str();
        CEmailAccount account;
        account.Pop3 = text.c_str();
        account.UserName = "alice";
        account.Password = "wonder";
        account.Minutes = 0;
        email.Accounts.Add(account);
        StartEmailThread(email);
        auto waitFor = [](const std::function<bool()>& done) {
            for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return done();
        };
        EXPECT_TRUE(waitFor([&] { return email.FirstPassDone(); })) << text;
        email.Process(XDateTime());
        EXPECT_FALSE(email.IsShowing()) << text;
        server.SetMessages("alice", 7);
        EXPECT_TRUE(waitFor([&] { return email.NewMailCount() == 2; })) << text;
        email.Process(XDateTime());
        EXPECT_TRUE(email.IsShowing()) << text;
        EXPECT_EQ(sound.beeps, 1) << text;
        EXPECT_STREQ(CEmail::NoticeText(email.NewMailCount()).c_str(), "New e-mail: 2 messages") << text;
        StopEmailThread(email);
        SetSoundServiceForTests(nullptr);
    }
}

// TLS accounts: what gets through, and the words for what does not. Every
// refusal comes before the user name is sent.
TEST_F(DovecotTest, TlsAccounts) {
    const std::string handshake = "Error: in Pop3Connect, AuthUserSetup failed. Msg=Error: in AuthUserSetup, TLS "
                                  "handshake failed. Msg=";
    const std::string missing = s_TlsServer->CertFile() + ".missing";
    const std::string notPem = s_TlsServer->CertFile() + ".txt";
    WriteWholeFile(notPem, "not a certificate\n");
    // Named as the trust file, none of these may be opened: reading a FIFO
    // waits for a writer, a device never ends, a huge file takes the memory.
    const std::string fifo = s_TlsServer->CertFile() + ".fifo", zero = s_TlsServer->CertFile() + ".zero",
                      huge = s_TlsServer->CertFile() + ".huge";
    ::unlink(fifo.c_str());
    ::unlink(zero.c_str());
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    ASSERT_EQ(0, ::symlink("/dev/zero", zero.c_str()));
    WriteWholeFile(huge, "");
    ASSERT_EQ(0, ::truncate(huge.c_str(), 1ll << 30));
    struct Case {
        const char* form;
        std::string trust;   // the account setting
        std::string envTrust;  // MEADOWGLOW_MAIL_TRUST
        const char* password;
        int count;           // -1: refused with `error`
        std::string error;
    } cases[] = {
        {"pop3s://localhost:{tls}", s_TlsServer->CertFile(), "", "wonder", 5, ""},
        {"pop3://localhost:{plain}+stls", s_TlsServer->CertFile(), "", "wonder", 5, ""},
        {"pop3s://localhost:{tls}", "", s_TlsServer->CertFile(), "wonder", 5, ""},
        {"pop3s://localhost:{tls}", "", "", "wonder", -1,
         handshake + "certificate check failed: certificate not trusted (its issuer is not among the trusted certificates)"},
        {"pop3://localhost:{plain}+stls", s_TlsServer->StrangerCertFile(), "", "wonder", -1,
         handshake + "certificate check failed: certificate not trusted (its issuer is not among the trusted certificates)"},
        {"pop3s://127.0.0.1:{tls}", s_TlsServer->CertFile(), "", "wonder", -1,
         handshake + "certificate check failed: host name mismatch (the certificate does not name 127.0.0.1)"},
        {"pop3s://localhost:{tls}", missing, "", "wonder", -1,
         handshake + "the trusted certificate file " + missing + " cannot be read"},
        {"pop3s://localhost:{tls}", fifo, "", "wonder", -1,
         handshake + "the trusted certificate file " + fifo + " cannot be read"},
        {"pop3s://localhost:{tls}", "", zero, "wonder", -1,
         handshake + "the trusted certificate file " + zero + " cannot be read"},
        {"pop3s://localhost:{tls}", huge, "", "wonder", -1,
         handshake + "the trusted certificate file " + huge + " cannot be read"},
        {"pop3s://localhost:{tls}", notPem, "", "wonder", -1,
         handshake + "trusted certificate file " + notPem + ": no certificate could be read"},
        {"pop3://localhost:{bare}+stls", s_TlsServer->CertFile(), "", "wonder", -1,
         "Error: in Pop3Connect, AuthUserSetup failed. Msg=Error: in AuthUserSetup, the server does not offer STLS. "
         "Response=-ERR TLS support isn't enabled."},
        {"pop3s://localhost:{tls}", s_TlsServer->CertFile(), "", "wrong", -1,
         "Error: in Pop3Connect, AuthUserSetup failed. Msg=Error: in AuthUserSetup, user authorization failed for "
         "invalid password."},
    };
    for (const Case& c : cases) {
        const std::string text = Form(c.form);
        if (c.envTrust.empty())
            unsetenv("MEADOWGLOW_MAIL_TRUST");
        else
            setenv("MEADOWGLOW_MAIL_TRUST", c.envTrust.c_str(), 1);
        XEmail mail;
        mail.SetTrustFile(XString(c.trust.c_str()));
        const bool connected = mail.Pop3ConnectServer(XString(text.c_str()), "alice", c.password);
        unsetenv("MEADOWGLOW_MAIL_TRUST");
        EXPECT_EQ(connected, c.count >= 0) << text;
        EXPECT_EQ(std::string(mail.GetErrorText().c_str()), c.error) << text;
        if (!connected) continue;
        int total = 0;
        EXPECT_EQ(mail.GetMsgCount(&total), c.count) << text;
        EXPECT_GT(total, 0) << text;
        EXPECT_TRUE(mail.Pop3Disconnect()) << text << ": " << mail.GetErrorText().c_str();
    }

    // A certificate past its dates, though trusted and naming the host.
    Dovecot expired(Dovecot::kExpiredTls);
    ASSERT_EQ(expired.Why(), "");
    XEmail mail;
    mail.SetTrustFile(XString(expired.CertFile().c_str()));
    const std::string text = "pop3s://localhost:" + std::to_string(expired.TlsPort());
    EXPECT_FALSE(mail.Pop3ConnectServer(XString(text.c_str()), "alice", "wonder"));
    EXPECT_EQ(std::string(mail.GetErrorText().c_str()), handshake + "certificate check failed: certificate expired");
}
