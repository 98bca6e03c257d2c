// The service pages' window-free rules: the account check and list line, the
// check intervals, the account test against a server, the help texts.
#include "config_dialog/logic/ServicePageRules.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/LoopbackServer.h"
#include "tests/TestSupport.h"
#include "services/CEmail.h"
#include "xlib/XEmail.h"
#include "xlib/XPaths.h"

namespace {
std::string RunLog() { return ReadWholeFile(InstallDir() + "RunLog.txt"); }
}  // namespace

TEST(ServicePageRules, AccountCheckCollapsesBlanksAndNamesTheFirstEmptyField) {
    const char* server = "You must enter a POP3 server address.";
    const char* user = "You must enter an account user name.";
    const char* password = "You must enter an account password.";
    struct Case {
        const char *s, *u, *p, *error;
    };
    const Case cases[] = {
        {"", "", "", server},          {"   ", "bob", "pw", server},   {" \t ", "bob", "pw", server},
        {"host", "  ", "pw", user},    {"host", "", "", user},         {"host", "bob", "   ", password},
        {"host", "bob", "", password}, {" host ", " bob", "p w", nullptr}, {"pop3s://h:995", "b", "x", nullptr},
    };
    for (const Case& c : cases) {
        const char* got = AccountCheckError(c.s, c.u, c.p);
        EXPECT_STREQ(got ? got : "(none)", c.error ? c.error : "(none)") << "'" << c.s << "' '" << c.u << "'";
    }
    EXPECT_EQ(CollapseBlanks("  a \t  b  c "), "a b c");
    EXPECT_EQ(CollapseBlanks(" \t "), "");
}

TEST(ServicePageRules, AccountFromFieldsAndItsListLine) {
    struct Case {
        const char *s, *u, *p;
        int minutes;
        const char *pop3, *password, *line;
    };
    const Case cases[] = {
        {"mail.example", "alice", "wonder", 10, "mail.example", "wonder", "mail.example   alice   Minutes=10"},
        // Outer blanks never belong to a host or a login; a password keeps its blanks.
        {"  127.0.0.1:1100 ", " bob ", " p  w ", 5, "127.0.0.1:1100", " p  w ", "127.0.0.1:1100   bob   Minutes=5"},
        // The server text reaches the mail client as it is.
        {"pop3s://mail.example:995", "a", "b", 240, "pop3s://mail.example:995", "b",
         "pop3s://mail.example:995   a   Minutes=240"},
    };
    for (const Case& c : cases) {
        const CEmailAccount a = AccountFromFields(c.s, c.u, c.p, c.minutes);
        EXPECT_STREQ(a.Pop3.c_str(), c.pop3);
        EXPECT_STREQ(a.Password.c_str(), c.password);
        EXPECT_EQ(a.Minutes, c.minutes);
        EXPECT_EQ(AccountListLine(a), c.line);
    }
}

TEST(ServicePageRules, CheckIntervalShownIsTheNearestOffered) {
    const struct {
        int minutes, shown;
    } cases[] = {{1, 1}, {10, 10}, {0, 1}, {-5, 1}, {11, 10}, {13, 15}, {100, 90}, {9999, 240}};
    for (const auto& c : cases) EXPECT_EQ(CheckIntervals()[CheckIntervalIndex(c.minutes)], c.shown) << c.minutes;
}

TEST(ServicePageRules, AccountTestConnectsThenQuitsOrLogsTheFailure) {
    XString initError;
    XEmail::Init(initError);
    std::remove((InstallDir() + "RunLog.txt").c_str());
    LoopbackServer good(Pop3Script(3));
    ASSERT_TRUE(good.IsReady());
    // A server that refuses the password.
    LoopbackServer refusing([](LoopbackConnection& c) {
        c.Send("+OK ready\r\n");
        for (std::string line = c.RecvLine(); !line.empty(); line = c.RecvLine())
            c.Send(line.rfind("PASS", 0) == 0 ? "-ERR [AUTH] Authentication failed.\r\n" : "+OK\r\n");
    });
    ASSERT_TRUE(refusing.IsReady());
    XEmail client;
    std::string error;
    EXPECT_TRUE(TestEmailAccount(client, AccountFromFields(good.Address(), "alice", "wonder", 5), error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(RunLog().find("E-mail test failed"), std::string::npos) << RunLog();

    XEmail second;
    EXPECT_FALSE(TestEmailAccount(second, AccountFromFields(refusing.Address(), "alice", "wrong", 5), error));
    const std::string prefix = "Error: could not connect to the pop3 account = " + refusing.Address() + ". Msg=";
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << error;
    EXPECT_GT(error.size(), prefix.size()) << "no client error text";
    EXPECT_NE(RunLog().find("E-mail test failed - Pop3Connect"), std::string::npos) << RunLog();
    EXPECT_NE(RunLog().find(error), std::string::npos) << RunLog();
}

TEST(ServicePageRules, HelpTextsAndDigits) {
    const std::string dir = InstallDir();
    EXPECT_EQ(HelpCommandLine(), "\"" + dir + "TallowFenHtmlPage.exe\" cmd=\"HelpPage\" url=\"" + dir +
                                     "Help.htm\" path=\"\"");
    EXPECT_EQ(HelpLaunchErrorText("x"),
              "Error: could not launch help file for this screen saver. Your installation might be damaged. Please "
              "reinstall the screen saver to recover the help file.\r\n\r\nDebug information:x");
    const struct {
        const char *in, *out;
    } digits[] = {{"12345", "12345"}, {" 12-34a5", "12345"}, {"abc", ""}, {"", ""}};
    for (const auto& d : digits) EXPECT_EQ(DigitsOnly(d.in), d.out) << d.in;
}

// The shell opens whatever it is handed: a settings file or an answer that
// names a program or a file must never reach it.
TEST(ServicePageRules, OnlyWebAddressesAreOpened) {
    struct Case {
        const char* url;
        bool opened;
    } cases[] = {
        {"http://www.meadowweather.example", true},
        {"https://p.example/a?b=1&c=2", true},
        {"HTTP://P.EXAMPLE", true},
        {"file:///tmp/evil.exe", false},
        {"C:\\Windows\\System32\\calc.exe", false},
        {"\\\\server\\share\\x.exe", false},
        {"javascript:alert(1)", false},
        {"ftp://p.example", false},
        {"http://", false},
        {"", false},
        {" http://p.example", false},
        {"http://p.example\r\nx", false},
        {"httpx://p.example", false},
    };
    for (const Case& c : cases) {
        const std::string before = RunLog();
        EXPECT_EQ(c.opened, WebPageMayOpen(c.url)) << c.url;
        const std::string added = RunLog().substr(before.size());
        if (c.opened)
            EXPECT_EQ("", added) << c.url;
        else
            EXPECT_NE(std::string::npos, added.find("only http:// and https:// addresses")) << c.url;
    }
}
