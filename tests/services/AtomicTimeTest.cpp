#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/CSystemDateTime.h"
#include "tests/TestSupport.h"
#include "xlib/RunLog.h"
#include "xlib/XPaths.h"

namespace {

std::vector<std::string> g_Urls;
std::string g_Reply;
bool g_FetchOk = true;
bool FakeFetch(XString& into, const char* url) {
    g_Urls.push_back(url);
    into = g_Reply.c_str();
    return g_FetchOk;
}

std::vector<XDateTime> g_Set;
bool g_SetOk = true;
bool RecordClock(const XDateTime& value) {
    g_Set.push_back(value);
    return g_SetOk;
}

std::string RunLog() { return ReadWholeFile(InstallDir() + "RunLog.txt"); }

// No test ever reaches the real clock: the setter is a recorder throughout.
class AtomicTime : public ::testing::Test {
protected:
    void SetUp() override {
        CSystemDateTime::SetTimeFetchForTests(FakeFetch);
        CSystemDateTime::SetClockSetterForTests(RecordClock);
        g_Urls.clear();
        g_Set.clear();
        g_Reply.clear();
        g_FetchOk = g_SetOk = true;
        std::remove((InstallDir() + "RunLog.txt").c_str());
        dt.SetTime = true;
    }
    void TearDown() override {
        CSystemDateTime::SetTimeFetchForTests(nullptr);
        CSystemDateTime::SetClockSetterForTests(nullptr);
    }
    CSystemDateTime dt;
};

}  // namespace

TEST_F(AtomicTime, SetTimeOffMakesNoRequest) {
    dt.SetTime = false;
    dt.ProcessAtomicTime();
    EXPECT_TRUE(g_Urls.empty());
    EXPECT_TRUE(g_Set.empty());
}

TEST_F(AtomicTime, VendorRequestAddresses) {
    g_Reply = "20240305123456\r\n";
    // No server chosen: the vendor's request with the current UTC time filled in.
    XString before;
    before.GetTime("YYYYMMDDHHmm", true);
    dt.ProcessAtomicTime();
    ASSERT_EQ(1u, g_Urls.size());
    const std::string url = g_Urls[0];
    EXPECT_NE(std::string::npos, url.find("/cgi-bin/TimeSync.exe?cmd=GetTime&mytime=")) << url;
    const size_t at = url.find("mytime=") + 7;
    EXPECT_EQ(std::string(before.View()).substr(0, 10), url.substr(at, 10)) << url;
    EXPECT_NE(std::string::npos, url.find("&x=")) << url;
    EXPECT_NE(std::string::npos, url.find("&y=")) << url;

    // A stored vendor address is used exactly as stored.
    g_Urls.clear();
    dt.TimeServer = "http://127.0.0.1:9/cgi-bin/TimeSync.exe?cmd=GetTime&x=a&y=b";
    dt.ProcessAtomicTime();
    ASSERT_EQ(1u, g_Urls.size());
    EXPECT_EQ("http://127.0.0.1:9/cgi-bin/TimeSync.exe?cmd=GetTime&x=a&y=b", g_Urls[0]);

    // The UTC reply reaches the clock as local time.
    ASSERT_EQ(2u, g_Set.size());
    XDateTime expected;
    ASSERT_TRUE(expected.Set(2024, 3, 5, 12, 34, 56, 0, true));
    EXPECT_FALSE(g_Set[0].IsUTC());
    EXPECT_EQ(expected, g_Set[0]);
}

TEST_F(AtomicTime, RepliesThatSetNoClock) {
    struct Case {
        std::string server, reply;
        bool fetchOk;
        std::string logged;
    } cases[] = {
        {"", "<Error>no access</Error>", true, "Message = <Error>no access</Error>"},
        {"", "", false, "Subject = Atomic Time Error"},
        // Unreadable: refused before the clock is touched (it would be year 1).
        {"", "garbage", true, "SetTime failed. The time service's reply is not a time: garbage"},
        {"time.example/daytime", "12345 24-03-05 12:34:56 00", true, "Message = GetAtomicTime failed"},
        {"time.example/daytime", "", false, "Message = GetAtomicTime failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server + " / " + c.reply);
        std::remove((InstallDir() + "RunLog.txt").c_str());
        // Each case is a run of its own: its entry must not be held back as a
        // repeat of the case before, whatever the list download logs meanwhile.
        ForgetRunLogRepeats();
        dt.TimeServer = c.server.c_str();
        g_Reply = c.reply;
        g_FetchOk = c.fetchOk;
        dt.ProcessAtomicTime();
        EXPECT_TRUE(g_Set.empty());
        EXPECT_NE(std::string::npos, RunLog().find("Subject = Atomic Time Error")) << RunLog();
        EXPECT_NE(std::string::npos, RunLog().find(c.logged)) << RunLog();
    }
}

TEST_F(AtomicTime, DaytimeServerAnswerAsLocalTime) {
    dt.TimeServer = "http://127.0.0.1:13/";
    g_Reply = "\n60374 24-03-05 12:34:56 00 0 0 123.4 UTC(NIST) *\r\n";
    dt.ProcessAtomicTime();
    ASSERT_EQ(1u, g_Urls.size());
    EXPECT_EQ("http://127.0.0.1:13/", g_Urls[0]);
    ASSERT_EQ(1u, g_Set.size());
    XDateTime expected;
    ASSERT_TRUE(expected.Set(2024, 3, 5, 12, 34, 56, 0, true));
    EXPECT_FALSE(g_Set[0].IsUTC());
    EXPECT_EQ(expected, g_Set[0]);

    // The clock refusing is logged.
    g_SetOk = false;
    dt.ProcessAtomicTime();
    EXPECT_NE(std::string::npos, RunLog().find("Subject = Atomic Time Error\r\nMessage = SetTime failed\r\n"));
}

// The real clock call, on its refusal path only: a value before 1601 never
// reaches the system.
TEST(AtomicTimeClock, RealSetterRefusesYearOne) {
    XDateTime yearOne;
    EXPECT_FALSE(yearOne.SetSystemClock());
}
