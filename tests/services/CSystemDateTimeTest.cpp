#include "services/CSystemDateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "xlib/ConfigSection.h"
#include "tests/TestSupport.h"
#include "platform/Paths.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {

XDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    XDateTime t;
    EXPECT_TRUE(t.Set(y, mo, d, h, mi, s, ms));
    return t;
}

std::string Str(const XString& s) { return std::string(s.c_str(), s.GetLength()); }

// Points the shared directory at a temporary folder for one test, so the
// real family folder is never read or written.
class SharedDirSandbox {
public:
    SharedDirSandbox() {
        SetSharedPath(m_Temp.Path() + "shared" + PlatformPathSeparator());
        m_Cache = Str(CSystemDateTime::CacheFilePath());
        std::error_code ec;
        std::filesystem::create_directories(SharedDir(), ec);
    }
    ~SharedDirSandbox() {
        // Stops a background list download before it could write the real folder.
        CSystemDateTime::SetTimeServerListFetch(nullptr);
        SetSharedPath("");
    }
    const std::string& Cache() const { return m_Cache; }

private:
    TempDir m_Temp;
    std::string m_Cache;
};

std::string Today() {
    XDateTime now;
    now.SetToNow();
    XString t;
    now.Format(t, "YYYYMMDD");
    return Str(t);
}

std::string Yesterday() {
    XDateTime now;
    now.SetToNow();
    now.AddMinutes(-24 * 60);
    XString t;
    now.Format(t, "YYYYMMDD");
    return Str(t);
}

int g_FetchCalls = 0;
std::string g_FetchReply;
bool FetchFails(XString&) {
    ++g_FetchCalls;
    return false;
}
bool FetchReplies(XString& reply) {
    ++g_FetchCalls;
    reply = g_FetchReply.c_str();
    return true;
}

std::string RunLog() { return ReadWholeFile(InstallDir() + "RunLog.txt"); }

std::vector<std::string> List(const CSystemDateTime& dt) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < dt.TimeServers.GetCount(); ++i) out.push_back(dt.TimeServers.Get(i).c_str());
    return out;
}

const char* const kFailText =
    "Error: timer server list download failed. Please make sure you are connected to the Internet.";

}  // namespace

// ---- colour cycler ----

TEST(CColorCycler, StartsWhiteAndStillAndStepsFollowTheGenerator) {
    CColorCycler c;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(c.Color[k], 255);
        EXPECT_EQ(c.Step[k], 0);
    }
    XSeedRandom(1234);
    int draws[3] = {XRandom(), XRandom(), XRandom()};
    XSeedRandom(1234);
    c.SetSteps(true, false, true);
    EXPECT_EQ(c.Step[0], draws[0] % 2 ? -1 : 1);
    EXPECT_EQ(c.Step[1], 0);
    EXPECT_EQ(c.Step[2], draws[1] % 2 ? -1 : 1);  // green took no draw
    XSeedRandom(99);
    int values[2] = {XRandom(), XRandom()};
    XSeedRandom(99);
    c.Randomize(false, true, true);
    EXPECT_EQ(c.Color[0], 0);
    EXPECT_EQ(c.Color[1], values[0] % 256);
    EXPECT_EQ(c.Color[2], values[1] % 256);
}

TEST(CColorCycler, AdvanceTurnsAtTheEnds) {
    CColorCycler c;
    c.Step[0] = 1;     // at 255 going up: turns down
    c.Color[1] = 0;    // at 0 going down: turns up
    c.Step[1] = -1;
    c.Color[2] = 100;  // still channel stays
    c.Advance();
    EXPECT_EQ(c.Step[0], -1);
    EXPECT_EQ(c.Color[0], 254);
    EXPECT_EQ(c.Step[1], 1);
    EXPECT_EQ(c.Color[1], 1);
    EXPECT_EQ(c.Color[2], 100);
    // A whole sweep: 254 down to 0 and back up to 255 and down again, never outside 0..255.
    for (int i = 0; i < 600; ++i) {
        c.Advance();
        ASSERT_GE(c.Color[0], 0);
        ASSERT_LE(c.Color[0], 255);
    }
    EXPECT_EQ(c.Color[0], 164);  // 254 → 0 (254 frames), → 255 (255 more), then 91 frames down
}

// ---- texts ----

TEST(CSystemDateTime, CountDownTexts) {
    struct Case {
        XDateTimeSpan span;
        const char* text;
    };
    const Case cases[] = {
        {{2, 3, 1, 5, 42, false}, "2 days, 3 hours, 1 minute, and 5.042 seconds"},
        {{0, 0, 0, 1, 500, false}, "1.500 second"},
        {{0, 0, 0, 1, 0, false}, "1.000 second"},
        {{0, 4, 0, 0, 0, false}, "4 hours, and 0.000 seconds"},
        {{1, 1, 1, 1, 1, true}, "1 day, 1 hour, 1 minute, and 1.001 second"},
        {{0, 0, 0, 0, 7, false}, "0.007 seconds"},
        {{0, 0, 2, 0, 0, false}, "2 minutes, and 0.000 seconds"},
        {{365, 0, 0, 59, 999, false}, "365 days, and 59.999 seconds"},
        {{0, 0, 0, 0, 0, false}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Str(CSystemDateTime::CountDownText(c.span)), c.text);

    CSystemDateTime dt;
    dt.CountDownTo = At(2005, 3, 5, 12, 0, 0);
    EXPECT_EQ(Str(dt.CountDownText(At(2005, 3, 5, 11, 59, 59))), "1.000 second");
    EXPECT_EQ(Str(dt.CountDownText(At(2005, 3, 5, 11, 58, 59))), "1 minute, and 1.000 second");
    EXPECT_EQ(Str(dt.CountDownText(At(2005, 3, 5, 12, 0, 0))), "");
    // Past the target the text counts the time since it.
    EXPECT_EQ(Str(dt.CountDownText(At(2005, 3, 6, 13, 0, 2, 250))), "1 day, 1 hour, and 2.250 seconds");
}

TEST(CSystemDateTime, DateAndTimeLine) {
    CSystemDateTime dt;
    dt.DisplayTime = true;
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5, 0, 5, 7))), "12:05:07 AM");
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5, 12, 30, 0))), "12:30:00 PM");
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5, 21, 5, 7))), "09:05:07 PM");
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5, 11, 59, 59))), "11:59:59 AM");
    dt.DisplayDate = true;
    dt.Format = CSystemDateTime::kDateFormats[1];
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5, 21, 5, 7))), "Saturday, March 5, 2005 09:05:07 PM");
    dt.DisplayTime = false;
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5, 21, 5, 7))), "Saturday, March 5, 2005");
    dt.Format = CSystemDateTime::kDateFormats[0];
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5))), "Saturday, March 05, 2005");
    dt.Format = "MMM D [No Padding] [No Padding]";
    EXPECT_EQ(Str(dt.DateTimeLine(At(2026, 12, 7))), "Dec 7");
    dt.DisplayDate = false;
    EXPECT_EQ(Str(dt.DateTimeLine(At(2005, 3, 5))), "");
}

TEST(CSystemDateTime, DateFormatTable) {
    const char* const* f = CSystemDateTime::kDateFormats;
    EXPECT_STREQ(f[0], "DDDD, MMMM DD, YYYY");
    EXPECT_STREQ(f[47], "D M YY [No Padding]");
    EXPECT_STREQ(f[84], "MM\\DD\\YYYY");
    EXPECT_STREQ(f[95], "YYYY\\D\\M [No Padding]");
    EXPECT_STREQ(f[99], "MMM D [No Padding]");
    EXPECT_STREQ(f[100], "MMMM YYYY");
    EXPECT_STREQ(f[106], "DDDD");
    EXPECT_STREQ(f[16], f[22]);
    const XDateTime twoDigits = At(2005, 12, 25), oneDigit = At(2005, 3, 5);
    for (int i = 0; i < CSystemDateTime::kDateFormatCount; ++i) {
        const std::string format = f[i];
        const bool twin = format.find(" [No Padding]") != std::string::npos;
        EXPECT_EQ(twin, i < 100 && i % 2 == 1) << i;
        if (twin) {
            EXPECT_EQ(format.size() - format.find(" [No Padding]"), 13u) << i;  // only ever at the end
        }
        XString stripped = CSystemDateTime::StripNoPadding(f[i]), text;
        EXPECT_EQ(Str(stripped).find('['), std::string::npos);
        EXPECT_TRUE(twoDigits.Format(text, stripped.c_str())) << i;
        if (twin) {
            // The twin reads like its padded partner when nothing needs padding, and differs otherwise.
            XString padded, unpadded, paddedSmall, unpaddedSmall;
            twoDigits.Format(padded, f[i - 1]);
            twoDigits.Format(unpadded, stripped.c_str());
            EXPECT_EQ(Str(padded), Str(unpadded)) << i;
            oneDigit.Format(paddedSmall, f[i - 1]);
            oneDigit.Format(unpaddedSmall, stripped.c_str());
            EXPECT_NE(Str(paddedSmall), Str(unpaddedSmall)) << i;
        }
    }
}

TEST(CSystemDateTime, HolidayLineOnlyForTheUnitedStatesCalendar) {
    CSystemDateTime dt;
    const XDateTime christmas = At(2004, 12, 25, 9);
    EXPECT_EQ(Str(dt.HolidayLine(christmas)), "");  // switched off
    dt.DisplayHolidays = true;
    EXPECT_EQ(Str(dt.HolidayLine(christmas)), "Christmas");
    EXPECT_EQ(Str(dt.HolidayLine(At(2005, 1, 2))), "");
    for (const char* name : {"united states", "UNITED STATES", "United STATES"}) {
        dt.HolidaysFor = name;
        EXPECT_EQ(Str(dt.HolidayLine(christmas)), "Christmas") << name;
    }
    for (const char* name : {"", "Canada", "United States of America", "United"}) {
        dt.HolidaysFor = name;
        EXPECT_EQ(Str(dt.HolidayLine(christmas)), "") << name;
    }
}

// ---- spin and colours ----

TEST(CSystemDateTime, ProcessSpinsEveryFifteenSecondsOnlyWhenSomethingIsShown) {
    CSystemDateTime dt;
    const XDateTime t0 = At(2005, 3, 5, 10, 0, 0);
    dt.LastSpin = t0;
    dt.CountDownColor.Step[0] = 1;
    dt.CountDownColor.Color[0] = 10;
    dt.Process(At(2005, 3, 5, 10, 0, 20));
    EXPECT_EQ(dt.SpinAngle, -1);  // nothing shown: nothing moves
    EXPECT_EQ(dt.CountDownColor.Color[0], 10);

    for (int which = 0; which < 5; ++which) {
        CSystemDateTime d;
        d.DisplayTime = which == 0;
        d.DisplayDate = which == 1;
        d.DisplayHolidays = which == 2;
        d.DisplayMoonPhase = which == 3;
        d.EnableCountDown = which == 4;
        d.LastSpin = t0;
        d.TimeColor.Step[2] = -1;
        d.Process(At(2005, 3, 5, 10, 0, 14, 999));
        EXPECT_EQ(d.SpinAngle, -1) << which;
        EXPECT_EQ(d.TimeColor.Color[2], 254) << which;
        const XDateTime start = At(2005, 3, 5, 10, 0, 15);
        d.Process(start);
        EXPECT_EQ(d.SpinAngle, 0) << which;
        EXPECT_TRUE(d.LastSpin == start);
        int frames = 1;
        while (d.SpinAngle != -1 && frames < 1000) {
            d.Process(At(2005, 3, 5, 10, 0, 16));
            if (d.SpinAngle != -1) ++frames;
        }
        EXPECT_EQ(frames, 72) << which;
        d.Process(At(2005, 3, 5, 10, 0, 29, 999));
        EXPECT_EQ(d.SpinAngle, -1);
        d.Process(At(2005, 3, 5, 10, 0, 30));
        EXPECT_EQ(d.SpinAngle, 0);
    }
}

// ---- the configuration section ----

TEST(CSystemDateTime, SectionRoundTripKeepsEveryValueAndTheTargetToTheMinute) {
    SharedDirSandbox sandbox;
    CSystemDateTime a;
    a.SetTime = true;
    a.TimeServer = "http://time.example/x";
    a.HolidaysFor = "united states";
    a.DisplayTime = true;
    a.DisplayDate = false;
    a.DisplayHolidays = true;
    a.DisplayMoonPhase = true;
    a.Format = CSystemDateTime::kDateFormats[85];
    a.EnableCountDown = true;
    a.CountDownMessage = "until the holidays";
    a.CycleRed = false;
    a.CycleGreen = true;
    a.CycleBlue = false;
    a.CycleTimeRed = true;
    a.CycleTimeGreen = false;
    a.CycleTimeBlue = false;
    a.TimeServers.Add("  time-a.example ");
    a.TimeServers.Add("   ");
    a.TimeServers.Add("time-c.example");

    for (int hour : {0, 9, 12, 23}) {
        a.CountDownTo = At(2030, 1, 2, hour, 15, 42, 500);
        XString out;
        a.Write(out);
        CSystemDateTime b;
        b.CountDownTo = At(2001, 1, 1, 1, 1, 33, 333);  // the seconds of an old value do not survive
        b.Read(out);
        EXPECT_EQ(b.SetTime, true);
        EXPECT_EQ(Str(b.TimeServer), "http://time.example/x");
        EXPECT_EQ(Str(b.HolidaysFor), "united states");
        EXPECT_TRUE(b.DisplayTime && !b.DisplayDate && b.DisplayHolidays && b.DisplayMoonPhase && b.EnableCountDown);
        EXPECT_EQ(Str(b.Format), "M\\D\\YYYY [No Padding]");
        EXPECT_EQ(Str(b.CountDownMessage), "until the holidays");
        EXPECT_TRUE(!b.CycleRed && b.CycleGreen && !b.CycleBlue);
        EXPECT_TRUE(b.CycleTimeRed && !b.CycleTimeGreen && !b.CycleTimeBlue);
        EXPECT_TRUE(b.CountDownTo == At(2030, 1, 2, hour, 15, 0, 0)) << hour;
        EXPECT_EQ(List(b), (std::vector<std::string>{"time-a.example", "time-c.example"}));
        // From then on the text is stable (the blank entry is gone for good).
        XString again, third;
        b.Write(again);
        CSystemDateTime c;
        c.Read(again);
        c.Write(third);
        EXPECT_EQ(Str(third), Str(again));
    }
}

TEST(CSystemDateTime, WriteLayout) {
    SharedDirSandbox sandbox;
    CSystemDateTime dt;
    dt.CountDownTo = At(2005, 3, 5, 0, 7, 0);
    dt.TimeServers.Add("a");
    dt.TimeServers.Add(" ");
    dt.TimeServers.Add(" b ");
    XString out("x");
    dt.Write(out);
    EXPECT_EQ(Str(out),
              "x\t<DateTime>\r\n"
              "\t\t<SetTime>false</SetTime>\r\n"
              "\t\t<TimeServer></TimeServer>\r\n"
              "\t\t<HolidaysFor>United States</HolidaysFor>\r\n"
              "\t\t<DisplayTime>false</DisplayTime>\r\n"
              "\t\t<DisplayDate>false</DisplayDate>\r\n"
              "\t\t<DisplayHolidays>false</DisplayHolidays>\r\n"
              "\t\t<DisplayMoonPhase>false</DisplayMoonPhase>\r\n"
              "\t\t<Format>DDDD, MMMM DD, YYYY</Format>\r\n"
              "\t\t<EnableCountDown>false</EnableCountDown>\r\n"
              "\t\t<CountDownTo>200503051207AM</CountDownTo>\r\n"
              "\t\t<CountDownMessage></CountDownMessage>\r\n"
              "\t\t<CycleRed>true</CycleRed>\r\n"
              "\t\t<CycleGreen>true</CycleGreen>\r\n"
              "\t\t<CycleBlue>true</CycleBlue>\r\n"
              "\t\t<CycleTimeRed>true</CycleTimeRed>\r\n"
              "\t\t<CycleTimeGreen>true</CycleTimeGreen>\r\n"
              "\t\t<CycleTimeBlue>true</CycleTimeBlue>\r\n"
              "\t\t<TimeServerCount>3</TimeServerCount>\r\n"
              "\t\t<TimeServer_0>a</TimeServer_0>\r\n"
              "\t\t<TimeServer_2>b</TimeServer_2>\r\n"
              "\t</DateTime>\r\n");
}

TEST(CSystemDateTime, ReadEdgeCases) {
    SharedDirSandbox sandbox;
    CSystemDateTime dt;
    // A missing section, or an empty one, gives the defaults.
    for (const char* text : {"<General></General>", "<DateTime></DateTime>"}) {
        dt.DisplayTime = true;
        dt.HolidaysFor = "x";
        dt.TimeServers.Add("kept?");
        dt.Read(text);
        EXPECT_FALSE(dt.DisplayTime);
        EXPECT_EQ(Str(dt.HolidaysFor), "United States");
        EXPECT_EQ(dt.TimeServers.GetCount(), 0u);
        EXPECT_EQ(Str(dt.Format), "DDDD, MMMM DD, YYYY");
    }
    // Missing keys read as false/empty; booleans only need to begin with "true".
    dt.Read("<DateTime><DisplayDate>TRUEly</DisplayDate><SetTime>yes</SetTime>"
            "<TimeServer_0>lost</TimeServer_0></DateTime>");
    EXPECT_TRUE(dt.DisplayDate);
    EXPECT_FALSE(dt.SetTime);
    EXPECT_FALSE(dt.CycleRed);
    EXPECT_EQ(Str(dt.HolidaysFor), "");
    EXPECT_EQ(dt.TimeServers.GetCount(), 0u);  // no count: no entries
    // Entries beyond the count, duplicate and zero-padded tags; a huge count
    // with sparse entries reads at once.
    dt.Read("<DateTime><TimeServerCount>4000000000</TimeServerCount>"
            "<TimeServer_7>seven</TimeServer_7><TimeServer_2> two </TimeServer_2>"
            "<TimeServer_2>again</TimeServer_2><TimeServer_03>padded</TimeServer_03>"
            "<TimeServer_3999999999>last</TimeServer_3999999999>"
            "<TimeServer_4000000000>beyond</TimeServer_4000000000></DateTime>");
    EXPECT_EQ(List(dt), (std::vector<std::string>{"two", "seven", "last"}));
    dt.Read("<DateTime><TimeServerCount>1</TimeServerCount><TimeServer_1>one</TimeServer_1>"
            "<TimeServer_0>zero</TimeServer_0></DateTime>");
    EXPECT_EQ(List(dt), (std::vector<std::string>{"zero"}));
    // An unreadable target keeps the one before.
    dt.CountDownTo = At(2010, 6, 1, 8, 30);
    dt.Read("<DateTime><CountDownTo>tomorrow</CountDownTo><DisplayTime>true</DisplayTime></DateTime>");
    EXPECT_TRUE(dt.CountDownTo == At(2010, 6, 1, 8, 30));
}

// ---- the time-server list ----

TEST(CSystemDateTime, TimeServerListFromTodaysCacheWithoutTheService) {
    SharedDirSandbox sandbox;
    WriteWholeFile(sandbox.Cache(), Today() + "time-a.example|time-b.example\r\n|time-c.example||");
    CSystemDateTime::SetTimeServerListFetch(FetchFails);
    g_FetchCalls = 0;
    CSystemDateTime dt;
    EXPECT_EQ(g_FetchCalls, 0);
    EXPECT_EQ(List(dt), (std::vector<std::string>{"time-a.example", "time-b.example", "time-c.example"}));
    XString error("untouched");
    EXPECT_TRUE(dt.DownloadTimeServerList(error));
    EXPECT_EQ(dt.TimeServers.GetCount(), 3u);
    EXPECT_EQ(g_FetchCalls, 0);
}

TEST(CSystemDateTime, StaleOrMissingCacheIsReportedAsAFailedDownload) {
    SharedDirSandbox sandbox;
    CSystemDateTime::SetTimeServerListFetch(FetchFails);
    for (bool stale : {true, false}) {
        if (stale) WriteWholeFile(sandbox.Cache(), Yesterday() + "old.example");
        g_FetchCalls = 0;
        CSystemDateTime dt;
        // The defaults leave the download to the background.
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
        EXPECT_EQ(g_FetchCalls, 1);
        dt.TimeServers.Add("x");
        XString error;
        EXPECT_FALSE(dt.DownloadTimeServerList(error));
        EXPECT_EQ(Str(error), kFailText);
        EXPECT_EQ(dt.TimeServers.GetCount(), 0u);
        EXPECT_NE(RunLog().find("Subject = Time server list\r\nMessage = Failed to download time server list. Msg=" +
                                std::string(kFailText) + "\r\n"),
                  std::string::npos);
        std::remove(sandbox.Cache().c_str());
    }
}

// Every settings load asks for the list again; a run without the service says
// so once, not once per load.
TEST(CSystemDateTime, FailedListDownloadIsLoggedOnceARun) {
    SharedDirSandbox sandbox;
    CSystemDateTime::SetTimeServerListFetch(FetchFails);
    const std::string entry = "Message = Failed to download time server list. Msg=";
    auto count = [&] {
        const std::string log = RunLog();
        size_t n = 0;
        for (size_t at = log.find(entry); at != std::string::npos; at = log.find(entry, at + 1)) ++n;
        return n;
    };
    const size_t before = count();
    CSystemDateTime first, second;
    for (CSystemDateTime* dt : {&first, &second}) {
        dt->Default();
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
    }
    EXPECT_EQ(before + 1, count());
}

TEST(CSystemDateTime, ServiceReplyFillsTheListAndTheCache) {
    SharedDirSandbox sandbox;
    CSystemDateTime::SetTimeServerListFetch(FetchReplies);
    g_FetchReply = "<Error>no such user</Error>";
    CSystemDateTime dt;
    ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
    XString error;
    EXPECT_FALSE(dt.DownloadTimeServerList(error));
    EXPECT_EQ(Str(error), "Error: timer server list download failed. Msg=<Error>no such user</Error>");
    EXPECT_FALSE(FileExists(sandbox.Cache()));

    g_FetchReply = "one.example|two.example\r\n|three.example";
    g_FetchCalls = 0;
    EXPECT_TRUE(dt.DownloadTimeServerList(error));
    EXPECT_EQ(List(dt), (std::vector<std::string>{"one.example", "two.example", "three.example"}));
    EXPECT_EQ(ReadWholeFile(sandbox.Cache()), Today() + "one.example|two.example|three.example");
    // The next list of the day comes from the cache.
    CSystemDateTime::SetTimeServerListFetch(FetchFails);
    EXPECT_TRUE(dt.DownloadTimeServerList(error));
    EXPECT_EQ(dt.TimeServers.GetCount(), 3u);
    EXPECT_EQ(g_FetchCalls, 1);
}

// The defaults take whatever list the cache holds and never wait for the
// service: a cache that is not today's is brought up to date in the background
// for the next defaults.
TEST(CSystemDateTime, DefaultsTakeTheCacheAndRefreshItInTheBackground) {
    SharedDirSandbox sandbox;
    CSystemDateTime::SetTimeServerListFetch(FetchReplies);
    g_FetchReply = "new-a.example|new-b.example";
    const std::vector<std::string> fresh = {"new-a.example", "new-b.example"};
    struct Case {
        std::string cache;  // empty: no cache file
        std::vector<std::string> atOnce;
        int fetches;
    } cases[] = {{"", {}, 1},
                 {Yesterday() + "old.example", {"old.example"}, 1},
                 {"not a dated cache", {}, 1},
                 {Today() + "cached.example", {"cached.example"}, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cache);
        std::remove(sandbox.Cache().c_str());
        if (!c.cache.empty()) WriteWholeFile(sandbox.Cache(), c.cache);
        g_FetchCalls = 0;
        CSystemDateTime dt;
        EXPECT_EQ(List(dt), c.atOnce);
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
        EXPECT_EQ(g_FetchCalls, c.fetches);
        if (c.fetches == 0) continue;
        EXPECT_EQ(ReadWholeFile(sandbox.Cache()), Today() + g_FetchReply);
        CSystemDateTime next;
        EXPECT_EQ(List(next), fresh);
    }
}

// A module left without servers (the defaults before any download, or a file
// written before the first download had ended) takes the background
// download's list once it has ended, and writes it; a module with a list of
// its own keeps it.
TEST(CSystemDateTime, ModuleWithoutServersTakesTheDownloadedListWhenItEnds) {
    SharedDirSandbox sandbox;
    CSystemDateTime::SetTimeServerListFetch(FetchReplies);
    g_FetchReply = "new-a.example|new-b.example";
    const std::vector<std::string> fresh = {"new-a.example", "new-b.example"};
    const std::string emptyFile = "<DateTime><TimeServerCount>0</TimeServerCount></DateTime>";
    const std::string ownFile =
        "<DateTime><TimeServerCount>1</TimeServerCount><TimeServer_0>mine.example</TimeServer_0></DateTime>";
    struct Case {
        const char* name;
        std::string cache;  // empty: no cache file
        std::string file;   // empty: the defaults
        std::vector<std::string> atOnce, afterDownload;
        bool taken;
    } const cases[] = {
        {"defaults, no cache", "", "", {}, fresh, true},
        {"empty file, no cache", "", emptyFile, {}, fresh, true},
        {"empty file, yesterday's cache", Yesterday() + "old.example", emptyFile, {"old.example"}, {"old.example"}, false},
        {"empty file, today's cache", Today() + "cached.example", emptyFile, {"cached.example"}, {"cached.example"}, false},
        {"a list of its own", "", ownFile, {"mine.example"}, {"mine.example"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::remove(sandbox.Cache().c_str());
        CSystemDateTime dt;
        if (!c.file.empty()) {
            // The defaults' own download out of the way first.
            ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
            std::remove(sandbox.Cache().c_str());
            if (!c.cache.empty()) WriteWholeFile(sandbox.Cache(), c.cache);
            dt.Read(c.file.c_str());
        }
        EXPECT_EQ(List(dt), c.atOnce);
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
        EXPECT_EQ(c.taken, dt.HasArrivedList());
        // A save writes the list as it would be taken, and takes it first.
        XString out;
        dt.Write(out);
        EXPECT_EQ(ConfigReadUInt(ConfigSectionText(out, "DateTime"), "TimeServerCount"), c.afterDownload.size());
        EXPECT_EQ(c.taken, dt.TakeRefreshedList());
        EXPECT_EQ(List(dt), c.afterDownload);
        // Taken once: a later list is not forced on it.
        EXPECT_FALSE(dt.HasArrivedList());
        EXPECT_FALSE(dt.TakeRefreshedList());
    }
}

// While held, the download a module without servers asks for only waits: it
// starts at the release (once, however many modules asked), and a release
// with nothing asked starts none.
TEST(CSystemDateTime, AHeldListRefreshStartsAtTheReleaseOnlyWhenOneWasAsked) {
    SharedDirSandbox sandbox;
    CSystemDateTime::SetTimeServerListFetch(FetchReplies);
    g_FetchReply = "held-a.example";
    for (const bool asked : {true, false}) {
        SCOPED_TRACE(asked ? "asked while held" : "nothing asked");
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
        if (asked)
            std::remove(sandbox.Cache().c_str());
        else
            WriteWholeFile(sandbox.Cache(), Today() + "cached.example");
        g_FetchCalls = 0;
        CSystemDateTime::HoldTimeServerListRefresh();
        CSystemDateTime first, second;
        EXPECT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(0));
        EXPECT_EQ(0, g_FetchCalls);
        EXPECT_FALSE(first.HasArrivedList());
        CSystemDateTime::ReleaseTimeServerListRefresh();
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
        EXPECT_EQ(asked ? 1 : 0, g_FetchCalls);
        EXPECT_EQ(asked, second.HasArrivedList());
    }
}
