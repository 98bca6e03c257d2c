// The two configuration files as CScreenSaver reads and writes them.
#include "app/CScreenSaver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/ConfigFile.h"
#include "platform/Paths.h"
#include "services/CSystemDateTime.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {
// The main file a first run writes; the default pictures are named with the
// installation folder, which differs from test to test.
std::string DefaultMain() {
    std::string pictures;
    for (int i = 1; i <= 10; ++i) {
        const std::string n = std::to_string(i), tag = "Picture_" + std::to_string(i - 1);
        pictures += "\t\t<" + tag + ">" + InstallDir() + "critterpic" + n + ".jpg</" + tag + ">\r\n";
    }
    return "<ConfigFile name=\"Meadowglow\">\r\n"
           "\t<General>\r\n"
           "\t\t<SaverSpeed>10</SaverSpeed>\r\n"
           "\t\t<RenderStyle>2</RenderStyle>\r\n"
           "\t\t<PolygonDetail>1</PolygonDetail>\r\n"
           "\t</General>\r\n"
           "\t<Critters>\r\n"
           "\t\t<NumCritters>100</NumCritters>\r\n"
           "\t\t<WiggleWorms>true</WiggleWorms>\r\n"
           "\t\t<BuzzzyBees>true</BuzzzyBees>\r\n"
           "\t\t<LadyBugs>true</LadyBugs>\r\n"
           "\t\t<Size>1</Size>\r\n"
           "\t\t<Speed>1</Speed>\r\n"
           "\t</Critters>\r\n"
           "\t<BgBitmap>\r\n"
           "\t\t<CyclePictures>true</CyclePictures>\r\n"
           "\t\t<NumPictures>10</NumPictures>\r\n"
           "\t\t<CycleMin>1</CycleMin>\r\n"
           "\t\t<PictureStyle>0</PictureStyle>\r\n"
           "\t\t<CycleColor>false</CycleColor>\r\n" +
           pictures +
           "\t</BgBitmap>\r\n"
           "\t<Stars>\r\n"
           "\t\t<Enabled>false</Enabled>\r\n"
           "\t\t<Type>2</Type>\r\n"
           "\t\t<Speed>3</Speed>\r\n"
           "\t\t<Amount>1000</Amount>\r\n"
           "\t\t<ColorScheme>18</ColorScheme>\r\n"
           "\t\t<RotateStars>false</RotateStars>\r\n"
           "\t</Stars>\r\n"
           "\t<CDPlayer>\r\n"
           "\t\t<Enabled>false</Enabled>\r\n"
           "\t\t<AutoOff>false</AutoOff>\r\n"
           "\t\t<AutoOffMinutes>60</AutoOffMinutes>\r\n"
           "\t</CDPlayer>\r\n"
           "\t<Sound>\r\n"
           "\t\t<ChimeType>0</ChimeType>\r\n"
           "\t\t<ChimeFileName></ChimeFileName>\r\n"
           "\t\t<EnableAlarm>false</EnableAlarm>\r\n"
           "\t\t<AlarmHour>6</AlarmHour>\r\n"
           "\t\t<AlarmMinute>0</AlarmMinute>\r\n"
           "\t\t<AlarmType>1</AlarmType>\r\n"
           "\t\t<AlarmFileName></AlarmFileName>\r\n"
           "\t</Sound>\r\n"
           "\t<Wallpaper>\r\n"
           "\t\t<Type>0</Type>\r\n"
           "\t\t<NumPictures>0</NumPictures>\r\n"
           "\t</Wallpaper>\r\n"
           "\t<Reminders>\r\n"
           "\t\t<Enabled>false</Enabled>\r\n"
           "\t\t<ShowOnClose>true</ShowOnClose>\r\n"
           "\t\t<ShowWhileRun>false</ShowWhileRun>\r\n"
           "\t\t<AutoCleanUp>true</AutoCleanUp>\r\n"
           "\t</Reminders>\r\n"
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
           "\t\t<NumAccounts>0</NumAccounts>\r\n"
           "\t</Email>\r\n"
           "\t<DateTime>\r\n"
           "\t\t<SetTime>false</SetTime>\r\n"
           "\t\t<TimeServer></TimeServer>\r\n"
           "\t\t<HolidaysFor>United States</HolidaysFor>\r\n"
           "\t\t<DisplayTime>false</DisplayTime>\r\n"
           "\t\t<DisplayDate>false</DisplayDate>\r\n"
           "\t\t<DisplayHolidays>false</DisplayHolidays>\r\n"
           "\t\t<DisplayMoonPhase>false</DisplayMoonPhase>\r\n"
           "\t\t<Format>DDDD, MMMM DD, YYYY</Format>\r\n"
           "\t\t<EnableCountDown>false</EnableCountDown>\r\n"
           "\t\t<CountDownTo>*</CountDownTo>\r\n"
           "\t\t<CountDownMessage></CountDownMessage>\r\n"
           "\t\t<CycleRed>true</CycleRed>\r\n"
           "\t\t<CycleGreen>true</CycleGreen>\r\n"
           "\t\t<CycleBlue>true</CycleBlue>\r\n"
           "\t\t<CycleTimeRed>true</CycleTimeRed>\r\n"
           "\t\t<CycleTimeGreen>true</CycleTimeGreen>\r\n"
           "\t\t<CycleTimeBlue>true</CycleTimeBlue>\r\n"
           "\t\t<TimeServerCount>0</TimeServerCount>\r\n"
           "\t</DateTime>\r\n"
           "\t<Effects>\r\n"
           "\t\t<Emitters>\r\n"
           "\t\t\t<LifeTime>40</LifeTime>\r\n"
           "\t\t\t<Intensity>40</Intensity>\r\n"
           "\t\t\t<Detail>3</Detail>\r\n"
           "\t\t\t<Size>10</Size>\r\n"
           "\t\t</Emitters>\r\n"
           "\t\t<MotionBlur>\r\n"
           "\t\t\t<Enabled>true</Enabled>\r\n"
           "\t\t\t<Amount>3</Amount>\r\n"
           "\t\t</MotionBlur>\r\n"
           "\t\t<Fog>\r\n"
           "\t\t\t<Enabled>false</Enabled>\r\n"
           "\t\t\t<Density>30</Density>\r\n"
           "\t\t\t<Red>0</Red>\r\n"
           "\t\t\t<Green>0</Green>\r\n"
           "\t\t\t<Blue>255</Blue>\r\n"
           "\t\t</Fog>\r\n"
           "\t</Effects>\r\n"
           "\t<Internet>\r\n"
           "\t\t<TFNewsNotifyProducts>true</TFNewsNotifyProducts>\r\n"
           "\t\t<TFNewsNotifyUpdates>true</TFNewsNotifyUpdates>\r\n"
           "\t\t<TFNewsDisplayNews>true</TFNewsDisplayNews>\r\n"
           "\t\t<WebsiteAskCoolSite>true</WebsiteAskCoolSite>\r\n"
           "\t\t<NewsDisplayUS>true</NewsDisplayUS>\r\n"
           "\t\t<NewsDisplayIntl>true</NewsDisplayIntl>\r\n"
           "\t</Internet>\r\n"
           "\t<WeatherData>\r\n"
           "\t\t<ZipCode></ZipCode>\r\n"
           "\t\t<DisplayTemp>false</DisplayTemp>\r\n"
           "\t\t<ProviderText>Weather data provided by www.meadowweather.example - [Click here to visit "
           "meadowweather.example]</ProviderText>\r\n"
           "\t\t<ProviderUrl>http://www.meadowweather.example</ProviderUrl>\r\n"
           "\t</WeatherData>\r\n"
           "\t<VideoMode>\r\n"
           "\t\t<Mode>0</Mode>\r\n"
           "\t\t<ThreadPriority>0</ThreadPriority>\r\n"
           "\t</VideoMode>\r\n"
           "</ConfigFile>";
}

// The main file with the countdown target (the time of the defaults) masked as "*".
std::string MaskedMain(const std::string& path) {
    std::string text = ReadWholeFile(path);
    const std::string open = "<CountDownTo>", close = "</CountDownTo>";
    const size_t a = text.find(open);
    const size_t b = a == std::string::npos ? a : text.find(close, a);
    if (b != std::string::npos) text.replace(a + open.size(), b - a - open.size(), "*");
    return text;
}

const char kDefaultShared[] =
    "<ConfigFile name=\"Shared\">\r\n"
    "\t<Reminders>\r\n"
    "\t\t<NumReminders>0</NumReminders>\r\n"
    "\t</Reminders>\r\n"
    "</ConfigFile>";

// Each test gets its own installation and shared folders; the shared one does
// not exist yet, so saving has to create it.
struct ConfigFiles : ::testing::Test {
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Shared.Path() + "family" + PlatformPathSeparator());
        ConfigSimulateWriteFailureForTests(-1);
    }
    void TearDown() override {
        ConfigSimulateWriteFailureForTests(-1);
        // The defaults' background list download logs into the install
        // folder; not into the next test's.
        CSystemDateTime::StopTimeServerListRefresh();
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    std::string MainPath() const { return m_Install.File("Meadowglow.xml"); }
    std::string SharedPath() const { return SharedDir() + "Shared.xml"; }

    TempDir m_Install, m_Shared;
    std::string m_OldInstall;
};

std::string FutureDate() {
    XDateTime d;
    d.SetToNow();
    d.SetYear(d.GetYear() + 1);
    std::string s;
    d.Format(s, "YYYYMMDD");
    return s;
}

size_t FilesIn(const std::string& dir) {
    size_t n = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        (void)entry;
        ++n;
    }
    return n;
}
}  // namespace

TEST_F(ConfigFiles, FileNames) {
    CScreenSaver saver;
    EXPECT_EQ(MainPath(), saver.MakeConfigFileName(false));
    EXPECT_EQ(SharedPath(), saver.MakeConfigFileName(true));
}

TEST_F(ConfigFiles, FirstRunWritesBothFilesExactly) {
    CScreenSaver saver;
    ASSERT_TRUE(saver.Load()) << saver.ErrorText();
    EXPECT_EQ(DefaultMain(), MaskedMain(MainPath()));
    EXPECT_EQ(kDefaultShared, ReadWholeFile(SharedPath()));
    EXPECT_EQ(10u, saver.General().SaverSpeed);
}

TEST_F(ConfigFiles, SavedSettingsLoadBack) {
    {
        CScreenSaver saver;
        saver.General().SaverSpeed = 100u;
        saver.General().RenderStyle = 1;
        saver.General().PolygonDetail = 3;
        saver.VideoMode().Mode = 2;
        saver.VideoMode().ThreadPriority = -2;
        saver.Reminders().Enabled = true;
        saver.Reminders().ShowOnClose = false;
        saver.CDPlayer().AutoOff = true;
        saver.CDPlayer().AutoOffMinutes = 25;
        saver.Alarm().EnableAlarm = true;
        saver.Alarm().AlarmTime.SetHour(21);
        saver.Alarm().AlarmTime.SetMinute(7);
        saver.Alarm().ChimeFileName = "chime.wav";
        CReminder rem;
        rem.RemTitle = "Dentist";
        rem.RemMsg = "Line one\r\nLine two";
        rem.Date.Parse(FutureDate().c_str(), "YYYYMMDD");
        saver.Reminders().List().Add(rem);
        ASSERT_TRUE(saver.Save()) << saver.ErrorText();
    }
    CScreenSaver saver;
    ASSERT_TRUE(saver.Load()) << saver.ErrorText();
    EXPECT_EQ(100u, saver.General().SaverSpeed);
    EXPECT_EQ(1u, saver.General().RenderStyle);
    EXPECT_EQ(3u, saver.General().PolygonDetail);
    EXPECT_EQ(2, saver.VideoMode().Mode);
    EXPECT_EQ(-2, saver.VideoMode().ThreadPriority);
    EXPECT_TRUE(saver.Reminders().Enabled);
    EXPECT_FALSE(saver.Reminders().ShowOnClose);
    EXPECT_TRUE(saver.CDPlayer().AutoOff);
    EXPECT_EQ(25, saver.CDPlayer().AutoOffMinutes);
    EXPECT_TRUE(saver.Alarm().EnableAlarm);
    EXPECT_EQ(21, saver.Alarm().AlarmTime.GetHour());
    EXPECT_EQ(7, saver.Alarm().AlarmTime.GetMinute());
    EXPECT_EQ("chime.wav", std::string(saver.Alarm().ChimeFileName.View()));
    ASSERT_EQ(1u, saver.Reminders().GetCount());
    EXPECT_EQ("Line one\r\nLine two", std::string(saver.Reminders().List()[0].RemMsg.View()));
}

// Text from a server or a user that looks like tags is stored as text: it
// comes back as it was, and every other section reads as written.
TEST_F(ConfigFiles, HostileValuesRoundTripWithoutTouchingOtherSections) {
    const std::string hostile =
        "</TimeServers></DateTime><WeatherData><ZipCode>66666</ZipCode>"
        "<ProviderUrl>file:///tmp/evil.exe</ProviderUrl></WeatherData><DateTime>";
    struct Case {
        const char* what;
        void (*set)(CScreenSaver&, const XString&);
        std::string (*get)(CScreenSaver&);
    } cases[] = {
        {"time-server entry", [](CScreenSaver& s, const XString& v) { s.DateTime().TimeServers.Add(v.c_str()); },
         [](CScreenSaver& s) {
             return s.DateTime().TimeServers.GetCount() ? std::string(s.DateTime().TimeServers.Get(0).View())
                                                        : std::string("(none)");
         }},
        {"countdown message", [](CScreenSaver& s, const XString& v) { s.DateTime().CountDownMessage = v; },
         [](CScreenSaver& s) { return std::string(s.DateTime().CountDownMessage.View()); }},
        {"weather provider text", [](CScreenSaver& s, const XString& v) { s.Weather().ProviderText = v; },
         [](CScreenSaver& s) { return std::string(s.Weather().ProviderText.View()); }},
        {"chime file", [](CScreenSaver& s, const XString& v) { s.Alarm().ChimeFileName = v; },
         [](CScreenSaver& s) { return std::string(s.Alarm().ChimeFileName.View()); }},
        {"reminder title",
         [](CScreenSaver& s, const XString& v) {
             CReminder rem;
             rem.RemTitle = v;
             rem.Date.Parse(FutureDate().c_str(), "YYYYMMDD");
             s.Reminders().List().Add(rem);
         },
         [](CScreenSaver& s) {
             return s.Reminders().GetCount() ? std::string(s.Reminders().List()[0].RemTitle.View())
                                             : std::string("(none)");
         }},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(MainPath());
        std::filesystem::remove(SharedPath());
        {
            CScreenSaver saver;
            saver.DefaultAll();
            saver.DateTime().TimeServers.Clear();
            saver.Weather().ZipCode = "12345";
            c.set(saver, XString(hostile.c_str()));
            ASSERT_TRUE(saver.Save()) << saver.ErrorText();
        }
        const std::string main = ReadWholeFile(MainPath());
        size_t sections = 0;
        for (size_t at = main.find("<WeatherData>"); at != std::string::npos; at = main.find("<WeatherData>", at + 1))
            ++sections;
        EXPECT_EQ(1u, sections) << c.what;
        EXPECT_EQ(std::string::npos, main.find("<ProviderUrl>file:")) << c.what;
        CScreenSaver saver;
        ASSERT_TRUE(saver.Load()) << saver.ErrorText();
        EXPECT_EQ(hostile, c.get(saver)) << c.what;
        EXPECT_EQ("12345", std::string(saver.Weather().ZipCode.View())) << c.what;
        EXPECT_EQ("http://www.meadowweather.example", std::string(saver.Weather().ProviderUrl.View())) << c.what;
        EXPECT_EQ(10u, saver.General().SaverSpeed) << c.what;
    }
}

TEST_F(ConfigFiles, SectionOrderAndMissingParts) {
    // Sections swapped, a key missing inside a present section, a section missing.
    WriteWholeFile(MainPath(),
                   "<ConfigFile name=\"Meadowglow\">\r\n"
                   "\t<VideoMode>\r\n\t\t<ThreadPriority>-1</ThreadPriority>\r\n\t\t<Mode>4</Mode>\r\n\t</VideoMode>\r\n"
                   "\t<General>\r\n\t\t<PolygonDetail>2</PolygonDetail>\r\n\t\t<RenderStyle>1</RenderStyle>\r\n\t</General>\r\n"
                   "</ConfigFile>");
    CScreenSaver saver;
    ASSERT_TRUE(saver.Load()) << saver.ErrorText();
    EXPECT_EQ(0u, saver.General().SaverSpeed);  // missing key: 0, not the default
    EXPECT_EQ(1u, saver.General().RenderStyle);
    EXPECT_EQ(2u, saver.General().PolygonDetail);
    EXPECT_EQ(4, saver.VideoMode().Mode);
    EXPECT_EQ(-1, saver.VideoMode().ThreadPriority);
    // No reminder section: its defaults.
    EXPECT_FALSE(saver.Reminders().Enabled);
    EXPECT_TRUE(saver.Reminders().ShowOnClose);
    EXPECT_TRUE(saver.Reminders().AutoCleanUp);
    // An existing main file is not rewritten by loading; the missing shared one is not created.
    EXPECT_FALSE(FileExists(SharedPath()));
}

TEST_F(ConfigFiles, EmptySectionsGiveDefaults) {
    WriteWholeFile(MainPath(), "<General></General><VideoMode></VideoMode>");
    CScreenSaver saver;
    saver.General().SaverSpeed = 99;
    ASSERT_TRUE(saver.Load());
    EXPECT_EQ(10u, saver.General().SaverSpeed);
    EXPECT_EQ(2u, saver.General().RenderStyle);
    EXPECT_EQ(0, saver.VideoMode().Mode);
}

TEST_F(ConfigFiles, WriteFailuresReportTheirPath) {
    std::filesystem::create_directories(MainPath());  // a folder where the file should be
    CScreenSaver saver;
    saver.General().SaverSpeed = 55;
    // Not a file: the defaults, and no attempt to save over it.
    EXPECT_FALSE(saver.Load());
    EXPECT_EQ(10u, saver.General().SaverSpeed);
    EXPECT_EQ(0u, saver.ErrorText().find("Error: failed to read " + MainPath())) << saver.ErrorText();
    const std::string expected = "Error: failed to write " + MainPath() + ". Msg=Error: ";
    EXPECT_FALSE(saver.Save());
    EXPECT_EQ(0u, saver.ErrorText().find(expected)) << saver.ErrorText();
    EXPECT_FALSE(saver.BackupConfig());
    EXPECT_EQ(0u, saver.ErrorText().find(expected)) << saver.ErrorText();
    // A failed backup leaves nothing to restore, and Restore says so.
    EXPECT_FALSE(saver.Restore());
    EXPECT_EQ("Error: there is no backup of the settings to restore.", saver.ErrorText());
    // The shared file is written only after the main one.
    EXPECT_FALSE(FileExists(SharedPath()));
}

TEST_F(ConfigFiles, RestorePutsBothFilesBack) {
    CScreenSaver saver;
    saver.General().SaverSpeed = 33;
    CReminder rem;
    rem.RemTitle = "Keep me";
    rem.Date.Parse(FutureDate().c_str(), "YYYYMMDD");
    saver.Reminders().List().Add(rem);
    ASSERT_TRUE(saver.Save());
    const std::string mainBefore = ReadWholeFile(MainPath());
    const std::string sharedBefore = ReadWholeFile(SharedPath());

    ASSERT_TRUE(saver.BackupConfig()) << saver.ErrorText();
    ASSERT_TRUE(saver.Load());
    saver.General().SaverSpeed = 77;
    saver.Reminders().List().Clear();
    ASSERT_TRUE(saver.Save());
    ASSERT_NE(mainBefore, ReadWholeFile(MainPath()));

    ASSERT_TRUE(saver.Restore()) << saver.ErrorText();
    EXPECT_EQ(mainBefore, ReadWholeFile(MainPath()));
    EXPECT_EQ(sharedBefore, ReadWholeFile(SharedPath()));
    EXPECT_EQ(77u, saver.General().SaverSpeed);  // memory is left alone
}

TEST_F(ConfigFiles, RestoreWithoutABackupLeavesTheFilesAlone) {
    CScreenSaver saver;
    ASSERT_TRUE(saver.Save());
    const std::string mainBefore = ReadWholeFile(MainPath());
    const std::string sharedBefore = ReadWholeFile(SharedPath());
    EXPECT_FALSE(saver.Restore());
    EXPECT_EQ(mainBefore, ReadWholeFile(MainPath()));
    EXPECT_EQ(sharedBefore, ReadWholeFile(SharedPath()));
}

TEST_F(ConfigFiles, BackupOnFirstRunCreatesTheFilesAndBacksThemUp) {
    CScreenSaver saver;
    ASSERT_TRUE(saver.BackupConfig()) << saver.ErrorText();
    EXPECT_EQ(DefaultMain(), MaskedMain(MainPath()));
    saver.General().SaverSpeed = 5;
    ASSERT_TRUE(saver.Save());
    ASSERT_TRUE(saver.Restore());
    EXPECT_EQ(DefaultMain(), MaskedMain(MainPath()));
    EXPECT_EQ(kDefaultShared, ReadWholeFile(SharedPath()));
}

TEST_F(ConfigFiles, FirstRunKeepsTheFamilysReminders) {
    // Another saver of the family already keeps a list in the shared file.
    std::filesystem::create_directories(SharedDir());
    const std::string shared = "<ConfigFile name=\"Shared\">\r\n\t<Reminders>\r\n\t\t<NumReminders>1</NumReminders>\r\n"
                               "\t\t<Rem_0>\r\n\t\t\t<Date>" +
                               FutureDate() +
                               "</Date>\r\n\t\t\t<Type>None</Type>\r\n\t\t\t<RemTitle>Theirs</RemTitle>\r\n"
                               "\t\t\t<RemMsg>m</RemMsg>\r\n\t\t</Rem_0>\r\n\t</Reminders>\r\n</ConfigFile>";
    WriteWholeFile(SharedPath(), shared);
    {
        CScreenSaver saver;
        ASSERT_TRUE(saver.Load()) << saver.ErrorText();
        ASSERT_EQ(1u, saver.Reminders().GetCount());
        EXPECT_EQ(DefaultMain(), MaskedMain(MainPath()));
        EXPECT_EQ(shared, ReadWholeFile(SharedPath()));
    }
    std::filesystem::remove(MainPath());
    CScreenSaver saver;
    ASSERT_TRUE(saver.BackupConfig());
    EXPECT_EQ(shared, ReadWholeFile(SharedPath()));
}

TEST_F(ConfigFiles, InterruptedSaveLeavesThePreviousFiles) {
    CScreenSaver saver;
    ASSERT_TRUE(saver.Save());
    // Its failure's run-log entry would otherwise count as a file left behind.
    ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
    const std::string before = ReadWholeFile(MainPath());
    const size_t filesBefore = FilesIn(m_Install.Path());
    saver.General().SaverSpeed = 1234;
    for (long long cut : {0LL, 1LL, 40LL, 200LL}) {
        ConfigSimulateWriteFailureForTests(cut);
        EXPECT_FALSE(saver.Save());
        EXPECT_EQ(0u, saver.ErrorText().find("Error: failed to write " + MainPath() + ". Msg=")) << saver.ErrorText();
        EXPECT_EQ(before, ReadWholeFile(MainPath())) << cut;
        EXPECT_EQ(filesBefore, FilesIn(m_Install.Path())) << "temporary file left behind";
    }
    ConfigSimulateWriteFailureForTests(-1);
    EXPECT_TRUE(saver.Save());
    EXPECT_NE(std::string::npos, ReadWholeFile(MainPath()).find("<SaverSpeed>1234</SaverSpeed>"));
    EXPECT_EQ(filesBefore, FilesIn(m_Install.Path()));
}

TEST_F(ConfigFiles, ConcurrentLoadAndSaveNeverSeeATornFile) {
    { CScreenSaver().Save(); }
    std::atomic<bool> torn{false}, failed{false};
    std::atomic<int> rawReads{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            CScreenSaver saver;
            for (int i = 0; i < 40; ++i) {
                if (!saver.Load()) failed = true;
                const uint32_t speed = saver.General().SaverSpeed;
                if (speed != 10 && (speed < 100 || speed > 102)) torn = true;
                saver.General().SaverSpeed = 100 + t;
                // A long text value makes each write big enough to be caught half-way.
                saver.Reminders().List().Clear();
                CReminder rem;
                rem.RemTitle = std::string(20000, 'a' + t).c_str();
                saver.Reminders().List().Add(rem);
                if (!saver.Save()) failed = true;
            }
        });
    }
    // A reader that takes no lock, as another process would.
    threads.emplace_back([&] {
        const std::string path = MainPath();
        for (int i = 0; i < 300; ++i) {
            const std::string text = ReadWholeFile(path);
            if (text.empty()) continue;  // opened while being replaced on a busy system
            ++rawReads;
            if (text.rfind("<ConfigFile name=\"Meadowglow\">\r\n", 0) != 0 ||
                text.size() < 13 || text.compare(text.size() - 13, 13, "</ConfigFile>") != 0)
                torn = true;
        }
    });
    for (std::thread& th : threads) th.join();
    EXPECT_FALSE(torn);
    EXPECT_FALSE(failed);
    EXPECT_GT(rawReads.load(), 0);
}

TEST_F(ConfigFiles, ReadOnlyVideoModeIsReadOnceFromTheFile) {
    CScreenSaver saver;
    EXPECT_EQ(-1, saver.GetReadOnlyVideoMode());  // no file yet: tried again next time
    saver.VideoMode().Mode = 3;
    ASSERT_TRUE(saver.Save());
    EXPECT_EQ(3, saver.GetReadOnlyVideoMode());
    saver.VideoMode().Mode = 5;
    ASSERT_TRUE(saver.Save());
    EXPECT_EQ(3, saver.GetReadOnlyVideoMode());  // cached for the life of the instance
}

namespace {
// What the background and wallpaper modules keep of a picture's path: the
// lower-case name where that exists, as Windows compares names.
std::string KeptPath(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return FileExists(lower) ? lower : path;
}

void ReplaceOnce(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    ASSERT_NE(std::string::npos, at) << from;
    text.replace(at, from.size(), to);
}
}  // namespace

// A main file with every key of every section away from its default, every
// list filled and every optional key present is read and written back byte
// for byte, as is the shared file beside it.
TEST_F(ConfigFiles, EverySectionFilledRoundTripsByteForByte) {
    const std::string a = m_Install.File("a.jpg"), b = m_Install.File("b.bmp"), w = m_Install.File("w.jpg");
    for (const std::string& p : {a, b, w}) WriteWholeFile(p, "picture");
    // The stored user name and password as this program enciphers them.
    std::string account;
    {
        CScreenSaver saver;
        CEmailAccount acc;
        acc.Pop3 = "pop3s://mail.example:995";
        acc.UserName = "ann";
        acc.Password = "s3cret";
        acc.Minutes = 15;
        saver.Email().Accounts.Add(acc);
        ASSERT_TRUE(saver.Save()) << saver.ErrorText();
        const std::string text = ReadWholeFile(MainPath());
        const size_t from = text.find("\t\t<Account_0>"), to = text.find("\t</Email>");
        ASSERT_NE(std::string::npos, from);
        account = text.substr(from, to - from);
        ASSERT_NE(std::string::npos, account.find("<Minutes>15</Minutes>"));
    }
    std::string main = DefaultMain();
    const size_t p0 = main.find("\t\t<Picture_0>"), pEnd = main.find("\t</BgBitmap>");
    main.replace(p0, pEnd - p0,
                 "\t\t<Picture_0>" + KeptPath(a) + "</Picture_0>\r\n\t\t<Picture_1>" + KeptPath(b) + "</Picture_1>\r\n");
    const std::pair<std::string, std::string> filled[] = {
        {"<SaverSpeed>10<", "<SaverSpeed>35<"}, {"<RenderStyle>2<", "<RenderStyle>1<"},
        {"<PolygonDetail>1<", "<PolygonDetail>3<"}, {"<NumCritters>100<", "<NumCritters>250<"},
        {"<WiggleWorms>true<", "<WiggleWorms>false<"}, {"<BuzzzyBees>true<", "<BuzzzyBees>false<"},
        {"<LadyBugs>true<", "<LadyBugs>false<"}, {"<Size>1<", "<Size>2<"}, {"<Speed>1<", "<Speed>17<"},
        {"<CyclePictures>true<", "<CyclePictures>false<"}, {"<NumPictures>10<", "<NumPictures>2<"},
        {"<CycleMin>1<", "<CycleMin>5<"}, {"<PictureStyle>0<", "<PictureStyle>1<"},
        {"<CycleColor>false<", "<CycleColor>true<"},
        // Stars
        {"\t\t<Enabled>false</Enabled>\r\n\t\t<Type>2<", "\t\t<Enabled>true</Enabled>\r\n\t\t<Type>0<"},
        {"<Speed>3<", "<Speed>6<"}, {"<Amount>1000<", "<Amount>2400<"}, {"<ColorScheme>18<", "<ColorScheme>4<"},
        {"<RotateStars>false<", "<RotateStars>true<"},
        // CD player
        {"\t\t<Enabled>false</Enabled>\r\n\t\t<AutoOff>false<", "\t\t<Enabled>true</Enabled>\r\n\t\t<AutoOff>true<"},
        {"<AutoOffMinutes>60<", "<AutoOffMinutes>45<"},
        // Sound
        {"<ChimeType>0<", "<ChimeType>2<"}, {"<ChimeFileName><", "<ChimeFileName>chime.wav<"},
        {"<EnableAlarm>false<", "<EnableAlarm>true<"}, {"<AlarmHour>6<", "<AlarmHour>21<"},
        {"<AlarmMinute>0<", "<AlarmMinute>7<"}, {"<AlarmType>1<", "<AlarmType>2<"},
        {"<AlarmFileName><", "<AlarmFileName>alarm.wav<"},
        {"\t\t<Type>0</Type>\r\n\t\t<NumPictures>0</NumPictures>\r\n",
         "\t\t<Type>3</Type>\r\n\t\t<NumPictures>1</NumPictures>\r\n\t\t<Picture_0>" + KeptPath(w) +
             "</Picture_0>\r\n"},
        // Reminders
        {"\t\t<Enabled>false</Enabled>\r\n\t\t<ShowOnClose>true<", "\t\t<Enabled>true</Enabled>\r\n\t\t<ShowOnClose>false<"},
        {"<ShowWhileRun>false<", "<ShowWhileRun>true<"}, {"<AutoCleanUp>true<", "<AutoCleanUp>false<"},
        // E-mail
        {"<Notify>true<", "<Notify>false<"}, {"<DisplayText>true<", "<DisplayText>false<"},
        {"<DisplayStreamers>true<", "<DisplayStreamers>false<"}, {"<CycleStreamers>true<", "<CycleStreamers>false<"},
        {"<RandStreamers>false<", "<RandStreamers>true<"}, {"<NewMailSoundType>1<", "<NewMailSoundType>2<"},
        {"<SoundFileName><", "<SoundFileName>mail.wav<"},
        {"\t\t<CycleRed>true</CycleRed>\r\n\t\t<CycleGreen>true</CycleGreen>\r\n\t\t<CycleBlue>true</CycleBlue>\r\n"
         "\t\t<NumAccounts>0</NumAccounts>\r\n",
         "\t\t<CycleRed>false</CycleRed>\r\n\t\t<CycleGreen>true</CycleGreen>\r\n\t\t<CycleBlue>false</CycleBlue>\r\n"
         "\t\t<TrustFile>/etc/ssl/mine.pem</TrustFile>\r\n\t\t<NumAccounts>1</NumAccounts>\r\n" + account},
        // Date and time
        {"<SetTime>false<", "<SetTime>true<"}, {"<TimeServer><", "<TimeServer>time.example<"},
        {"<HolidaysFor>United States<", "<HolidaysFor>Canada<"}, {"<DisplayTime>false<", "<DisplayTime>true<"},
        {"<DisplayDate>false<", "<DisplayDate>true<"}, {"<DisplayHolidays>false<", "<DisplayHolidays>true<"},
        {"<DisplayMoonPhase>false<", "<DisplayMoonPhase>true<"}, {"<Format>DDDD, MMMM DD, YYYY<", "<Format>YYYY-MM-DD<"},
        {"<EnableCountDown>false<", "<EnableCountDown>true<"}, {"<CountDownTo>*<", "<CountDownTo>203001150930PM<"},
        {"<CountDownMessage><", "<CountDownMessage>Holidays<"},
        {"\t\t<CycleRed>true</CycleRed>\r\n\t\t<CycleGreen>true</CycleGreen>\r\n\t\t<CycleBlue>true</CycleBlue>\r\n"
         "\t\t<CycleTimeRed>true<",
         "\t\t<CycleRed>false</CycleRed>\r\n\t\t<CycleGreen>false</CycleGreen>\r\n\t\t<CycleBlue>true</CycleBlue>\r\n"
         "\t\t<CycleTimeRed>false<"},
        {"<CycleTimeGreen>true<", "<CycleTimeGreen>false<"},
        {"<TimeServerCount>0</TimeServerCount>\r\n",
         "<TimeServerCount>2</TimeServerCount>\r\n\t\t<TimeServer_0>a.example</TimeServer_0>\r\n"
         "\t\t<TimeServer_1>b.example</TimeServer_1>\r\n"},
        // Effects
        {"<LifeTime>40<", "<LifeTime>70<"}, {"<Intensity>40<", "<Intensity>20<"}, {"<Detail>3<", "<Detail>5<"},
        {"<Size>10<", "<Size>12<"}, {"\t\t\t<Enabled>true</Enabled>\r\n\t\t\t<Amount>3<",
                                    "\t\t\t<Enabled>false</Enabled>\r\n\t\t\t<Amount>8<"},
        {"\t\t\t<Enabled>false</Enabled>\r\n\t\t\t<Density>30<", "\t\t\t<Enabled>true</Enabled>\r\n\t\t\t<Density>55<"},
        {"<Red>0<", "<Red>10<"}, {"<Green>0<", "<Green>20<"}, {"<Blue>255<", "<Blue>30<"},
        // Internet
        {"<TFNewsNotifyProducts>true<", "<TFNewsNotifyProducts>false<"},
        {"<TFNewsNotifyUpdates>true<", "<TFNewsNotifyUpdates>false<"},
        {"<TFNewsDisplayNews>true<", "<TFNewsDisplayNews>false<"},
        {"<WebsiteAskCoolSite>true<", "<WebsiteAskCoolSite>false<"}, {"<NewsDisplayUS>true<", "<NewsDisplayUS>false<"},
        {"<NewsDisplayIntl>true<", "<NewsDisplayIntl>false<"},
        // Weather and video mode
        {"<ZipCode><", "<ZipCode>90210<"}, {"<DisplayTemp>false<", "<DisplayTemp>true<"},
        {"<ProviderText>Weather data provided by www.meadowweather.example - [Click here to visit "
         "meadowweather.example]<",
         "<ProviderText>Mine<"},
        {"<ProviderUrl>http://www.meadowweather.example<", "<ProviderUrl>http://weather.example<"},
        {"<Mode>0<", "<Mode>3<"}, {"<ThreadPriority>0<", "<ThreadPriority>-2<"},
    };
    for (const auto& [from, to] : filled) ReplaceOnce(main, from, to);
    const std::string shared =
        "<ConfigFile name=\"Shared\">\r\n\t<Reminders>\r\n\t\t<NumReminders>1</NumReminders>\r\n\t\t<Rem_0>\r\n"
        "\t\t\t<Date>" + FutureDate() + "</Date>\r\n\t\t\t<Type>Birthday</Type>\r\n"
        "\t\t\t<RemTitle>Ann</RemTitle>\r\n\t\t\t<RemMsg>Cake</RemMsg>\r\n\t\t</Rem_0>\r\n\t</Reminders>\r\n"
        "</ConfigFile>";
    WriteWholeFile(MainPath(), main);
    WriteWholeFile(SharedPath(), shared);

    CScreenSaver saver;
    ASSERT_TRUE(saver.Load()) << saver.ErrorText();
    EXPECT_EQ(1u, saver.Email().Accounts.GetCount());
    EXPECT_EQ("s3cret", std::string(saver.Email().Accounts.Get(0).Password.View()));
    ASSERT_TRUE(saver.Save()) << saver.ErrorText();
    EXPECT_EQ(main, ReadWholeFile(MainPath()));
    EXPECT_EQ(shared, ReadWholeFile(SharedPath()));
}
