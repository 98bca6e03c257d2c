// The news page and the clock synchronisation against the loopback vendor
// server, through the real download. The clock setter stays a recorder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/CInternet.h"
#include "services/CSystemDateTime.h"
#include "services/DesktopManager.h"
#include "services/VendorService.h"
#include "tests/TestSupport.h"
#include "tests/VendorServer.h"
#include "xlib/XPaths.h"

namespace {

std::vector<XDateTime> g_Set;
bool RecordClock(const XDateTime& value) {
    g_Set.push_back(value);
    return true;
}

class ExitTasksWeb : public VendorServerSuite {
protected:
    void SetUp() override {
        VendorServerSuite::SetUp();
        if (HasFatalFailure()) return;
        AimVendorHost();
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Shared.Path());
        CSystemDateTime::SetClockSetterForTests(RecordClock);
        g_Set.clear();
    }
    void TearDown() override {
        CSystemDateTime::SetClockSetterForTests(nullptr);
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
        VendorServerSuite::TearDown();
    }
    std::vector<std::string> Targets() const {
        std::vector<std::string> out;
        for (const std::string& r : Server().Requests()) out.push_back(VendorServer::Field(r, "target"));
        return out;
    }
    TempDir m_Install, m_Shared;
    std::string m_OldInstall;
};

}  // namespace

TEST_F(ExitTasksWeb, NewsPageRequestsAndFiles) {
    WriteWholeFile(m_Install.File("Id.dat"), "0f1e2d3c-aaaa-bbbb-cccc-0123456789ab");
    CInternet net;
    net.AskCoolSite = false;
    net.ProcessExitTasks(XString(""), XString("Meadow glow"));
    const std::string query = "&guid=0f1e2d3c-aaaa-bbbb-cccc-0123456789ab&TFNew=true&TFUdt=true&TFNews=true"
                              "&CoolSite=false&USNews=true&IntlNews=true&zip=&product=Meadow+glow";
    const std::vector<std::string> expected = {"/cgi-bin/InfoNook.exe?cmd=Check" + query,
                                               "/cgi-bin/InfoNook.exe?cmd=Display" + query};
    EXPECT_EQ(expected, Targets());
    const std::string page = ReadWholeFile(m_Install.File("0f1e2d3c-aaaa-bbbb-cccc-0123456789ab.htm"));
    EXPECT_NE(std::string::npos, page.find("InfoNook")) << page;
    EXPECT_NE(std::string::npos, ReadWholeFile(m_Shared.File("ScreenSaverTaskList_0.xml")).find("cmd=\"InfoNook\""));

    // Not ready: one request, no page.
    Server().SetKnobs(R"({"infonook_status": "false"})");
    Server().ClearRequests();
    std::remove(m_Install.File("0f1e2d3c-aaaa-bbbb-cccc-0123456789ab.htm").c_str());
    net.ProcessExitTasks(XString(""), XString("Meadow glow"));
    EXPECT_EQ(1u, Targets().size());
    EXPECT_FALSE(FileExists(m_Install.File("0f1e2d3c-aaaa-bbbb-cccc-0123456789ab.htm")));
}

TEST_F(ExitTasksWeb, ClockFromTheVendorAndFromADaytimePage) {
    CSystemDateTime dt;  // asks for the time-server list on the way, in the background
    ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
    dt.SetTime = true;
    Server().ClearRequests();
    Server().SetKnobs(R"({"utc": "20240305123456"})");
    dt.ProcessAtomicTime();
    ASSERT_EQ(1u, Targets().size());
    EXPECT_EQ(0u, Targets()[0].find("/cgi-bin/TimeSync.exe?cmd=GetTime&mytime=")) << Targets()[0];
    ASSERT_EQ(1u, g_Set.size());
    XDateTime expected;
    ASSERT_TRUE(expected.Set(2024, 3, 5, 12, 34, 56, 0, true));
    EXPECT_EQ(expected, g_Set[0]);
    EXPECT_FALSE(g_Set[0].IsUTC());

    dt.TimeServer = Server().Url("/daytime").c_str();
    Server().SetKnobs(R"({"daytime": "\n60374 24-03-05 01:02:03 00 0 0 123.4 UTC(NIST) * \n"})");
    dt.ProcessAtomicTime();
    ASSERT_EQ(2u, g_Set.size());
    ASSERT_TRUE(expected.Set(2024, 3, 5, 1, 2, 3, 0, true));
    EXPECT_EQ(expected, g_Set[1]);
}
