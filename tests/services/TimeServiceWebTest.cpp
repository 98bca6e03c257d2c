// The time-server list and the daytime answer, fetched from the loopback
// vendor server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <string>

#include "app/CScreenSaver.h"
#include "platform/Paths.h"
#include "services/CSystemDateTime.h"
#include "services/VendorService.h"
#include "tests/TestSupport.h"
#include "tests/VendorServer.h"
#include "xlib/ConfigSection.h"
#include "xlib/XPaths.h"

namespace {

std::string Str(const XString& s) { return std::string(s.c_str(), s.GetLength()); }

std::string Day(int offsetDays) {
    XDateTime t;
    t.SetToNow();
    t.AddMinutes(offsetDays * 24 * 60);
    XString s;
    t.Format(s, "YYYYMMDD");
    return Str(s);
}

class TimeService : public VendorServerSuite {
protected:
    void SetUp() override {
        VendorServerSuite::SetUp();
        if (HasFatalFailure()) return;
        SetSharedPath(m_Temp.Path() + "shared" + PlatformPathSeparator());
        AimVendorHost();
    }
    void TearDown() override {
        // No download of this test's may write the real shared folder later.
        CSystemDateTime::StopTimeServerListRefresh();
        SetSharedPath("");
        VendorServerSuite::TearDown();
    }
    std::string Cache() const { return Str(CSystemDateTime::CacheFilePath()); }
    static std::vector<std::string> List(const CSystemDateTime& dt) {
        std::vector<std::string> out;
        for (unsigned i = 0; i < dt.TimeServers.GetCount(); ++i) out.push_back(dt.TimeServers.Get(i).c_str());
        return out;
    }

    TempDir m_Temp;
};

// A JSON string for a knob value.
std::string JsonText(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += std::string("\\") + c;
        else out += c;
    }
    return out + "\"";
}

const std::vector<std::string> kServiceList = {"time-a.example", "time-b.example", "time-c.example"};

}  // namespace

// Today's cache is used without asking; yesterday's, or none, makes one
// request with the fixed values and writes the cache afresh.
TEST_F(TimeService, ListComesFromTheCacheOnceADay) {
    struct Case {
        int cacheDay;  // days from today; 1 = no cache file
        size_t requests;
    } cases[] = {{0, 0}, {-1, 1}, {1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cacheDay);
        CSystemDateTime dt;
        // The download the defaults may have started in the background is not counted.
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
        std::error_code ec;
        std::filesystem::remove(Cache(), ec);
        if (c.cacheDay <= 0) {
            std::filesystem::create_directories(SharedDir(), ec);
            WriteWholeFile(Cache(), Day(c.cacheDay) + "cached-a.example|cached-b.example");
        }
        Server().ClearRequests();
        XString error;
        ASSERT_TRUE(dt.DownloadTimeServerList(error)) << error.c_str();
        const auto requests = Server().Requests();
        ASSERT_EQ(requests.size(), c.requests);
        if (c.requests == 0) {
            EXPECT_EQ(List(dt), (std::vector<std::string>{"cached-a.example", "cached-b.example"}));
            continue;
        }
        EXPECT_EQ(VendorServer::Field(requests[0], "target"),
                  std::string("/cgi-bin/TimeSync.exe?cmd=List&x=") + Vendor::kTimeX + "&y=" + Vendor::kTimeY);
        EXPECT_EQ(List(dt), kServiceList);
        EXPECT_EQ(ReadWholeFile(Cache()), Day(0) + "time-a.example|time-b.example|time-c.example");
    }
    EXPECT_EQ(std::string(Vendor::kTimeY).size(), 12u);
}

// A vendor server that takes the request and never answers holds up neither
// the settings defaults (the start) nor the close: the list download runs
// beside them, and its stop ends it at once. The download's own limit is 30 s.
TEST_F(TimeService, HungServerDelaysNeitherDefaultsNorStop) {
    Server().SetKnobs(R"({"mode": "hang"})");
    std::error_code ec;
    std::filesystem::remove(Cache(), ec);
    Server().ClearRequests();
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::time_point from) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - from).count();
    };
    auto t0 = Clock::now();
    CSystemDateTime dt;
    const auto defaultsMs = ms(t0);
    for (t0 = Clock::now(); Server().Requests().empty() && ms(t0) < 10000;)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(Server().Requests().size(), 1u);
    EXPECT_FALSE(CSystemDateTime::WaitTimeServerListRefresh(0));  // still waiting for the answer
    t0 = Clock::now();
    CSystemDateTime::StopTimeServerListRefresh();
    const auto stopMs = ms(t0);
    std::printf("with a hung vendor server: defaults %lld ms, stopping the list download %lld ms\n",
                static_cast<long long>(defaultsMs), static_cast<long long>(stopMs));
    EXPECT_LT(defaultsMs, 5000);
    EXPECT_LT(stopMs, 5000);
    EXPECT_EQ(dt.TimeServers.GetCount(), 0u);
    EXPECT_FALSE(FileExists(Cache()));
}

TEST_F(TimeService, ErrorReplyIsTheErrorText) {
    Server().SetKnobs(R"({"mode": "error"})");
    CSystemDateTime dt;
    ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
    XString error;
    EXPECT_FALSE(dt.DownloadTimeServerList(error));
    EXPECT_EQ(Str(error), "Error: timer server list download failed. Msg=<Error>Test error from the vendor server</Error>");
    EXPECT_FALSE(FileExists(Cache()));
    EXPECT_EQ(dt.TimeServers.GetCount(), 0u);
}

// The daytime answer must be longer than 27 characters once its line ends
// are trimmed; anything else leaves the value alone.
TEST_F(TimeService, DaytimeAnswerSetsTheValue) {
    struct Case {
        const char* daytime;  // null: the server's own, for now
        bool ok;
    } cases[] = {
        {"\r\n61381 26-12-07 13:05:09 00 0 0 123.4 UTC(NIST) *\r\n", true},
        {"\n61381 26-12-07 13:05:09 00 0\n", true},  // 28 characters
        {"\n61381 26-12-07 13:05:09 00 \n", false},  // 27 characters
        {"\nnot a time at all, though long enough\n", false},
        {nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.daytime ? c.daytime : "now");
        Server().SetKnobs(c.daytime ? std::string(R"({"daytime": )") + JsonText(c.daytime) + "}" : std::string("{}"));
        XDateTime t(true);
        const XDateTime before = t;
        EXPECT_EQ(t.SetFromTimeServer(Server().Url("/daytime").c_str()), c.ok);
        if (!c.ok) {
            EXPECT_TRUE(t == before);
        } else if (c.daytime) {
            EXPECT_EQ(t.GetYear(), 2026);
            EXPECT_EQ(t.GetMonth(), 12);
            EXPECT_EQ(t.GetDay(), 7);
            EXPECT_EQ(t.GetHour(), 13);
            EXPECT_EQ(t.GetSecond(), 9);
        } else {
            XDateTime now(true);
            now.SetToNow();
            EXPECT_LT(now.DifferenceSeconds(t), 120.0);
        }
    }
    // A 404 page is no time either.
    XDateTime t(true);
    EXPECT_FALSE(t.SetFromTimeServer(Server().Url("/nowhere").c_str()));
}

// A first run writes its settings before the list download can have ended;
// once it has, the file gets the list, unless someone (the settings dialog)
// has changed the file meanwhile: that change is kept, and the next load
// takes the list from the cache.
TEST_F(TimeService, FirstRunFileGetsTheListOnceTheDownloadEnds) {
    for (bool changedMeanwhile : {false, true}) {
        SCOPED_TRACE(changedMeanwhile ? "file changed meanwhile" : "file as the run wrote it");
        TempDir install;
        const std::string old = GetInstallPath();
        SetInstallPath(install.Path());
        std::error_code ec;
        std::filesystem::remove(Cache(), ec);
        const std::string mainPath = install.File("Meadowglow.xml");
        {
            CScreenSaver saver;
            ASSERT_TRUE(saver.Load());
            ASSERT_TRUE(FileExists(mainPath));
            ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
            std::string changed;
            if (changedMeanwhile) {
                changed = ReadWholeFile(mainPath);
                const size_t at = changed.find("<SaverSpeed>");
                ASSERT_NE(at, std::string::npos);
                changed.insert(at + 12, "1");
                WriteWholeFile(mainPath, changed);
            }
            saver.SaveArrivedTimeServers();
            EXPECT_EQ(List(saver.DateTime()), kServiceList);
            const XString file(ReadWholeFile(mainPath).c_str());
            const XString section = ConfigSectionText(file, "DateTime");
            if (changedMeanwhile) {
                EXPECT_EQ(Str(file), changed);
            } else {
                EXPECT_EQ(ConfigReadUInt(section, "TimeServerCount"), 3u);
                EXPECT_EQ(Str(ConfigReadText(section, "TimeServer_2")), "time-c.example");
            }
        }
        // The next load of a file without servers takes the cached list.
        CScreenSaver next;
        ASSERT_TRUE(next.Load());
        EXPECT_EQ(List(next.DateTime()), kServiceList);
        SetInstallPath(old);
    }
}
