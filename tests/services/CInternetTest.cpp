#include "services/CInternet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "services/DesktopManager.h"
#include "services/InstallationId.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {

std::vector<std::string> g_Urls;
std::vector<std::string> g_Replies;  // one per request, in order; "!" fails the download
bool FakeFetch(XString& into, const char* url) {
    g_Urls.push_back(url);
    const std::string reply = g_Urls.size() <= g_Replies.size() ? g_Replies[g_Urls.size() - 1] : "";
    if (reply == "!") return false;
    into = reply.c_str();
    return true;
}

std::string Str(const XString& s) { return std::string(s.View()); }
const char kId[] = "0f8fad5b-d9cb-469f-a165-70867728950e";
std::string RunLog() { return ReadWholeFile(InstallDir() + "RunLog.txt"); }
size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The installation and shared folders of one test, and the fake server.
class InfoNookTask : public ::testing::Test {
protected:
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Shared.Path());
        g_Urls.clear();
        g_Replies.clear();
        CInternet::SetFetchForTests(FakeFetch);
    }
    void TearDown() override {
        CInternet::SetFetchForTests(nullptr);
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    TempDir m_Install, m_Shared;
    std::string m_OldInstall;
};

}  // namespace

TEST(CInternetConfig, SectionDefaultsAndReading) {
    CInternet net;
    XString out;
    net.Write(out);
    EXPECT_EQ(
        "\t<Internet>\r\n\t\t<TFNewsNotifyProducts>true</TFNewsNotifyProducts>\r\n"
        "\t\t<TFNewsNotifyUpdates>true</TFNewsNotifyUpdates>\r\n\t\t<TFNewsDisplayNews>true</TFNewsDisplayNews>\r\n"
        "\t\t<WebsiteAskCoolSite>true</WebsiteAskCoolSite>\r\n\t\t<NewsDisplayUS>true</NewsDisplayUS>\r\n"
        "\t\t<NewsDisplayIntl>true</NewsDisplayIntl>\r\n\t</Internet>\r\n",
        std::string(out.View()));
    // Missing keys in a present section read false; "TRUE..." reads true.
    net.Read(XString("<Internet><TFNewsDisplayNews>TRUEish</TFNewsDisplayNews><NewsDisplayUS>yes</NewsDisplayUS></Internet>"));
    EXPECT_FALSE(net.NotifyProducts);
    EXPECT_TRUE(net.DisplayNews);
    EXPECT_FALSE(net.NewsUS);
    // A missing or empty section is all true again.
    net.Read(XString("<Internet></Internet>"));
    EXPECT_TRUE(net.NotifyProducts && net.NotifyUpdates && net.DisplayNews && net.AskCoolSite && net.NewsUS &&
                net.NewsIntl);
}

TEST(CInternetQuery, ExactQueryWithEncodedProductOnly) {
    CInternet net;
    net.NotifyUpdates = false;
    net.NewsIntl = false;
    struct Case {
        const char *id, *zip, *product, *expected;
    } cases[] = {
        {"1a2b-3c", "02139", "Meadowglow",
         "&guid=1a2b-3c&TFNew=true&TFUdt=false&TFNews=true&CoolSite=true&USNews=true&IntlNews=false&zip=02139"
         "&product=Meadowglow"},
        {"", "", "Meadow glow+1",
         "&guid=&TFNew=true&TFUdt=false&TFNews=true&CoolSite=true&USNews=true&IntlNews=false&zip=&product="
         "Meadow+glow%2B1"},
        // The id is encoded like the product: whatever Id.dat held, it stays one value.
        {"a b+c", "9 9", "x/y",
         "&guid=a+b%2Bc&TFNew=true&TFUdt=false&TFNews=true&CoolSite=true&USNews=true&IntlNews=false&zip=9 9"
         "&product=x/y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, std::string(net.CommonQuery(XString(c.id), XString(c.zip), XString(c.product)).View()));
}

TEST_F(InfoNookTask, NothingChosenMakesNoRequest) {
    CInternet net;
    net.NotifyProducts = net.NotifyUpdates = net.DisplayNews = net.AskCoolSite = net.NewsUS = net.NewsIntl = false;
    net.ProcessExitTasks(XString("02139"), XString("Meadowglow"));
    EXPECT_TRUE(g_Urls.empty());
    EXPECT_EQ("", RunLog());
    EXPECT_FALSE(FileExists(Str(TaskListFileName(0))));
}

TEST_F(InfoNookTask, CheckStatusDecides) {
    WriteWholeFile(m_Install.File("Id.dat"), kId);
    struct Case {
        std::string check;
        bool displays;
    } cases[] = {
        {"<Reply><Status>False</Status></Reply>", false},
        {"<Status>false</Status>", false},
        {"<Status>FALSE</Status>", false},
        {"<Status>True</Status>", true},
        {"<Status>Falsely</Status>", true},
        {"no status at all", true},
        {"!", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.check);
        g_Urls.clear();
        g_Replies = {c.check, "<html>news</html>"};
        std::remove(TaskListFileName(0).c_str());
        std::remove((m_Install.Path() + "RunLog.txt").c_str());
        CInternet net;
        net.ProcessExitTasks(XString(""), XString("Meadowglow"));
        ASSERT_GE(g_Urls.size(), 1u);
        EXPECT_NE(std::string::npos, g_Urls[0].find("/cgi-bin/InfoNook.exe?cmd=Check&guid=" + std::string(kId) + "&TFNew=true"));
        EXPECT_NE(std::string::npos, g_Urls[0].find("&zip=&product=Meadowglow"));
        EXPECT_EQ(c.displays ? 2u : 1u, g_Urls.size());
        if (c.displays) {
            EXPECT_NE(std::string::npos, g_Urls[1].find("/cgi-bin/InfoNook.exe?cmd=Display&guid=" + std::string(kId) + "&"));
            EXPECT_EQ("<html>news</html>", ReadWholeFile(m_Install.File(std::string(kId) + ".htm")));
            const std::string expectedTask = "<Run>\"" + m_Install.Path() + "TallowFenHtmlPage.exe\" cmd=\"InfoNook\" url=\"" +
                                             m_Install.File(std::string(kId) + ".htm") + "\" path=\"" +
                                             m_Install.File("Meadowglow.xml") + "\"</Run>";
            EXPECT_EQ(expectedTask, ReadWholeFile(Str(TaskListFileName(0))));
            // No desktop manager runs in the test: that is the one entry.
            EXPECT_EQ(1u, Count(RunLog(), "Subject = "));
            EXPECT_NE(std::string::npos, RunLog().find("While in CInternet::ProcessExitTasks, SendDesktopManagerCommand failed."));
        } else {
            const char* why = c.check == "!" ? "Failed to download InfoNook. Please check your Internet connection."
                                             : "InfoNook is not ready at this time. Please try again later.";
            EXPECT_NE(std::string::npos, RunLog().find("Subject = InfoNook Error\r\nMessage = " + std::string(why)));
            EXPECT_FALSE(FileExists(Str(TaskListFileName(0))));
        }
    }
}

TEST_F(InfoNookTask, MissingIdGoesOnWithoutIt) {
    g_Replies = {"", "page"};
    CInternet net;
    net.ProcessExitTasks(XString("12345"), XString("Meadowglow"));
    EXPECT_NE(std::string::npos,
              RunLog().find("Subject = InfoNook Error\r\nMessage = Id.dat was not found. Will continue without Id.dat."));
    ASSERT_EQ(2u, g_Urls.size());
    EXPECT_NE(std::string::npos, g_Urls[1].find("cmd=Display&guid=&TFNew="));
    EXPECT_EQ("page", ReadWholeFile(m_Install.File(".htm")));
}

// Id.dat names the news page's file and goes into the request: only an id of
// the form the program writes is used; anything else is replaced by a new one.
TEST_F(InfoNookTask, OnlyAWellFormedIdIsUsed) {
    struct Case {
        const char* stored;
        bool kept;
    } cases[] = {
        {"0f8fad5b-d9cb-469f-a165-70867728950e", true},
        {"0f8fad5b-d9cb-469f-a165-70867728950e\r\n", true},
        {"0F8FAD5B-D9CB-469F-A165-70867728950E", true},
        {"2026120912000001", true},
        {"../../escape-news", false},
        {"guid-1", false},
        {"0f8fad5b-d9cb-469f-a165-70867728950e/../x", false},
        {"0f8fad5b_d9cb-469f-a165-70867728950e", false},
        {"0f8fad5b-d9cb-469f-a165-70867728950", false},
        {"a&zip=1#", false},
        {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        g_Urls.clear();
        g_Replies = {"<Status>True</Status>", "page"};
        WriteWholeFile(m_Install.File("Id.dat"), c.stored);
        WriteWholeFile(m_Install.File("RunLog.txt"), "");
        CInternet net;
        net.ProcessExitTasks(XString("12345"), XString("Meadowglow"));
        std::string id = ReadWholeFile(m_Install.File("Id.dat"));
        if (c.kept) {
            EXPECT_EQ(c.stored, id);
            while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
            EXPECT_EQ(std::string::npos, RunLog().find("not an installation id"));
        } else {
            EXPECT_TRUE(InstallationIdWellFormed(id)) << id;
            EXPECT_EQ(36u, id.size());
            EXPECT_NE(std::string::npos, RunLog().find("which is not an installation id; it now holds a new one."));
        }
        ASSERT_EQ(2u, g_Urls.size());
        EXPECT_NE(std::string::npos, g_Urls[1].find("cmd=Display&guid=" + id + "&TFNew="));
        // The page lies in the installation folder, named after the id.
        EXPECT_EQ("page", ReadWholeFile(m_Install.File(id + ".htm")));
        std::remove(m_Install.File(id + ".htm").c_str());
    }
    EXPECT_FALSE(FileExists(m_Install.Path() + "../../escape-news.htm"));
}
