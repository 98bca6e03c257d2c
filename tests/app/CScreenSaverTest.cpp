#include "app/CScreenSaver.h"
#include "services/InstallationId.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/ProgramDir.h"
#include "tests/TestSupport.h"
#include "xlib/RunLog.h"
#include "xlib/XPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

TEST(CScreenSaver, AspectIsWholeNumberRatio) {
    struct Case {
        unsigned w, h;
        double aspect;
    } const cases[] = {
        {1024, 768, 1.0}, {1920, 1080, 1.0}, {2560, 1080, 2.0}, {3840, 1080, 3.0}, {1080, 1080, 1.0},
        // Taller than wide: never 0, which would draw no scene.
        {768, 1024, 1.0}, {1080, 1920, 1.0}, {152, 1000, 1.0}, {1, 2, 1.0},
        // A window with no height must not divide by zero.
        {640, 0, 1.0}, {0, 0, 1.0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.aspect, ProjectionAspect(c.w, c.h)) << c.w << "x" << c.h;
}

TEST(CScreenSaver, DefaultsBeforeAnyFile) {
    CScreenSaver saver;
    EXPECT_FALSE(saver.IsInitialised());
    EXPECT_TRUE(saver.IsSmallWindow());
    EXPECT_EQ(10u, saver.General().SaverSpeed);
    EXPECT_EQ(2u, saver.General().RenderStyle);
    EXPECT_EQ(1u, saver.General().PolygonDetail);
}

TEST(CScreenSaver, StopWithoutThreadsReturnsAtOnce) {
    CScreenSaver saver;
    auto t0 = std::chrono::steady_clock::now();
    saver.Stop();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_LT(ms, 2000);
}

namespace {
// Waits (bounded) until the render thread has shown `count` frames.
void WaitFrames(const std::atomic<unsigned>& frames, unsigned count) {
    auto t0 = std::chrono::steady_clock::now();
    while (frames < count && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(10))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

// A render thread stuck inside a frame: Stop gives up at its limit and ends the
// process without the clean-up that would tear the display down under it. A
// preview restart (`restart`) gives up too, but must leave the process, the
// settings dialog, running.
void StopWithAHungFrame(const std::string& installDir, bool restart = false) {
    SetInstallPath(installDir);
    CScreenSaver::SetStopLimitMs(300);
    static CScreenSaver saver;
    std::atomic<unsigned> frames{0};
    saver.SetFrameObserver([&](unsigned) {
        ++frames;
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    });
    if (!saver.Start()) std::exit(10);
    WaitFrames(frames, 1);
    if (restart) {
        saver.RefreshPreview(saver, 0);
        PlatformQuickExit(12);  // the dialog lives on; no teardown under the thread
    }
    saver.Stop();
    std::exit(11);  // Stop came back although the thread is still drawing
}
}  // namespace

// The settings dialog holds the preview between frames while a box is open:
// a held thread shows no frame until released, a stop still ends it at once,
// a thread busy in a frame makes the hold report false at its limit, and an
// instance without a thread is held at once.
TEST(CScreenSaver, HeldFramesWaitForTheReleaseButNotForAStop) {
    CScreenSaver idle;
    EXPECT_TRUE(idle.HoldFrames(60000));
    idle.ReleaseFrames();

    CScreenSaver saver;
    std::atomic<unsigned> frames{0};
    std::atomic<bool> slow{false};
    saver.SetFrameObserver([&](unsigned) {
        ++frames;
        if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(400));
    });
    ASSERT_TRUE(saver.Start());
    WaitFrames(frames, 2);
    ASSERT_TRUE(saver.HoldFrames(10000));
    const unsigned held = frames;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(held, frames.load());
    saver.ReleaseFrames();
    WaitFrames(frames, held + 2);
    EXPECT_GE(frames.load(), held + 2);

    slow = true;
    WaitFrames(frames, frames + 1);
    EXPECT_FALSE(saver.HoldFrames(1));
    EXPECT_TRUE(saver.HoldFrames(10000));
    const auto t0 = std::chrono::steady_clock::now();
    saver.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

#if GTEST_HAS_DEATH_TEST
TEST(CScreenSaverDeathTest, StopWithAHungFrameEndsTheProcessAtTheLimit) {
    // Where the dying process may start afresh (Windows), it must still find
    // the same folder: one beside this build's test program.
    const std::string program = PlatformProgramDir();
    const std::string dir = program + "hung-stop" + program.back();
    PlatformMakeDirectory(dir.c_str());
    std::remove((dir + "RunLog.txt").c_str());
    EXPECT_EXIT(StopWithAHungFrame(dir), ::testing::ExitedWithCode(CScreenSaver::kHungRenderThreadExitCode), "");
    std::string log = ReadWholeFile(dir + "RunLog.txt");
    EXPECT_NE(std::string::npos, log.find("The render thread did not end within 300 ms")) << log;
    std::remove((dir + "RunLog.txt").c_str());
    EXPECT_EXIT(StopWithAHungFrame(dir, true), ::testing::ExitedWithCode(12), "");
    log = ReadWholeFile(dir + "RunLog.txt");
    EXPECT_NE(std::string::npos, log.find("The preview's render thread did not end within 300 ms")) << log;
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}
#endif

namespace {
// A close that ends the process (StopAndEndProcess), in a child process: the
// last work writes a run-log entry saying how many frames the render thread
// showed after the stop. `hangInFrame` keeps the thread inside its first frame.
void EndAfterStop(const std::string& installDir, bool lastFrameWanted, bool hangInFrame) {
    SetInstallPath(installDir);
    static CScreenSaver saver;
    saver.SetProcessEndsAfterStop(true);
    saver.SetLastFrameForWallpaper(lastFrameWanted);
    std::atomic<unsigned> frames{0}, afterStop{0};
    std::atomic<bool> stopping{false};
    saver.SetFrameObserver([&](unsigned) {
        if (stopping) ++afterStop;
        ++frames;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        while (hangInFrame) std::this_thread::sleep_for(std::chrono::seconds(1));
    });
    if (!saver.Start()) std::exit(10);
    WaitFrames(frames, 1);
    stopping = true;
    saver.StopAndEndProcess(7, [&] {
        WriteRunLog("Last work", std::to_string(afterStop.load()) + " frames after the stop");
    });
}
}  // namespace

#if GTEST_HAS_DEATH_TEST
// The process ends without waiting for the frame in progress, unless the
// wallpaper needs the frame loop's end; either way after the last work, whose
// run-log entry is complete, and with the given status.
TEST(CScreenSaverDeathTest, EndAfterStopWaitsForTheFrameOnlyWhenTheLoopsEndIsNeeded) {
    struct Case {
        bool lastFrameWanted, hangInFrame;
        const char* logged;
    } cases[] = {{false, true, "0 frames after the stop"}, {true, false, "1 frames after the stop"}};
    const std::string program = PlatformProgramDir();
    const std::string dir = program + "end-after-stop" + program.back();
    PlatformMakeDirectory(dir.c_str());
    // Far beyond the test's time: ending at this limit (status 3) would be a failure.
    CScreenSaver::SetStopLimitMs(60000);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        std::remove((dir + "RunLog.txt").c_str());
        EXPECT_EXIT(EndAfterStop(dir, c.lastFrameWanted, c.hangInFrame), ::testing::ExitedWithCode(7), "");
        EXPECT_NE(std::string::npos, ReadWholeFile(dir + "RunLog.txt").find(std::string("Message = ") + c.logged +
                                                                            "\r\n\r\n"));
    }
    CScreenSaver::SetStopLimitMs(CScreenSaver::kDefaultStopLimitMs);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
}
#endif

// However long the frame period, a stop wakes the pacing wait at once; and the
// frame drawn after the stop, which only a wallpaper would use, is drawn only
// when one is wanted.
TEST(CScreenSaver, StopEndsTheFrameWaitAndSkipsTheUnusedLastFrame) {
    struct Case {
        bool lastFrameWanted;
        unsigned minFramesAfterStop, maxFramesAfterStop;
    };
    for (const Case& c : {Case{false, 0, 0}, Case{true, 1, 1}}) {
        CScreenSaver saver;
        saver.SetPeriodOverride(600000);  // ten minutes a frame
        saver.SetLastFrameForWallpaper(c.lastFrameWanted);
        std::atomic<unsigned> frames{0};
        std::atomic<bool> stopping{false};
        std::atomic<unsigned> afterStop{0};
        saver.SetFrameObserver([&](unsigned) {
            if (stopping) ++afterStop;
            ++frames;
        });
        ASSERT_TRUE(saver.Start());
        // The first frame goes out at once; the render thread is soon inside
        // the second one's ten-minute wait.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ASSERT_EQ(1u, frames.load());
        auto t0 = std::chrono::steady_clock::now();
        stopping = true;
        saver.Stop();
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        std::printf("stop during a ten-minute frame period took %lld ms\n", static_cast<long long>(ms));
        EXPECT_LT(ms, 5000);
        EXPECT_GE(afterStop.load(), c.minFramesAfterStop) << c.lastFrameWanted;
        EXPECT_LE(afterStop.load(), c.maxFramesAfterStop) << c.lastFrameWanted;
    }
}

TEST(CScreenSaver, RenderThreadWithoutWindowStopsCleanly) {
    // No window: Init logs why and the loop still runs until asked to stop.
    CScreenSaver saver;
    std::atomic<unsigned> frames{0};
    saver.SetFrameObserver([&](unsigned) { ++frames; });
    ASSERT_TRUE(saver.Start());
    auto t0 = std::chrono::steady_clock::now();
    while (frames < 3 && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    saver.Stop();
    EXPECT_EQ(0, g_InstanceThreadCount.load());
    EXPECT_GE(frames.load(), 3u);
    EXPECT_FALSE(saver.IsInitialised());
}

TEST(CScreenSaver, InstallationIdIsMadeOnceAndKept) {
    const std::string path = InstallDir() + "Id.dat";
    std::remove(path.c_str());
    {
        CScreenSaver first;
        first.Load();
    }
    std::string id = ReadWholeFile(path);
    // A GUID with its dashes, e.g. 8-4-4-4-12 hexadecimal digits.
    ASSERT_EQ(36u, id.size()) << id;
    EXPECT_EQ('-', id[8]);
    EXPECT_EQ('-', id[23]);
    {
        CScreenSaver second;
        second.Load();
    }
    EXPECT_EQ(id, ReadWholeFile(path));
}

// The id names the news page's file and goes into requests: a load keeps a
// well-formed one and replaces anything else before it is ever used.
TEST(CScreenSaver, InstallationIdOfAnotherFormIsReplaced) {
    const std::string path = InstallDir() + "Id.dat";
    struct Case {
        const char* stored;
        bool kept;
    } cases[] = {
        {"0f8fad5b-d9cb-469f-a165-70867728950e", true},
        {"2026120912000001", true},
        {"../../escape-news", false},
        {"0f8fad5b-d9cb-469f-a165-70867728950e/..", false},
        {"", false},
    };
    for (const Case& c : cases) {
        WriteWholeFile(path, c.stored);
        {
            CScreenSaver saver;
            saver.Load();
        }
        const std::string id = ReadWholeFile(path);
        if (c.kept) {
            EXPECT_EQ(c.stored, id);
        } else {
            EXPECT_EQ(36u, id.size()) << c.stored << " -> " << id;
            EXPECT_TRUE(InstallationIdWellFormed(id)) << c.stored << " -> " << id;
        }
    }
    std::remove(path.c_str());
}

TEST(CScreenSaver, InstallationIdGoesWhereTheInstallationPathSays) {
    // The instance exists before the installation path is read (as on Windows,
    // where the registry is read when the window is created): the identifier
    // must follow the path read, not the folder in force at construction.
    const std::string before = GetInstallPath();
    TempDir early, real;
    SetInstallPath(early.Path());
    CScreenSaver saver;
    SetInstallPath(real.Path());
    saver.Load();
    EXPECT_TRUE(FileExists(real.File("Id.dat")));
    EXPECT_FALSE(FileExists(early.File("Id.dat")));
    SetInstallPath(before);
}

// The registry's orders, which the random sequence of a seeded run and the
// modules' shared GL state depend on: the sections as the file keeps them,
// the set-up with the critters last and then the fog, the logic with the
// alarm and the disc last, the drawing with the background first.
TEST(CScreenSaver, RegistryGivesTheModulesTheirFixedOrders) {
    CScreenSaver saver;
    const auto names = [&](const std::vector<const CScreenSaver::ModuleRow*>& rows) {
        std::vector<std::string> out;
        for (const auto* row : rows) out.emplace_back(saver.SectionOf(*row));
        return out;
    };
    const std::vector<std::string_view> sections = saver.MainSections();
    EXPECT_EQ((std::vector<std::string_view>{"General", "Critters", "BgBitmap", "Stars", "CDPlayer", "Sound",
                                             "Wallpaper", "Reminders", "Email", "DateTime", "Effects", "Internet",
                                             "WeatherData", "VideoMode"}),
              sections);
    const CScreenSaver::CallOrder& calls = CScreenSaver::Calls();
    EXPECT_EQ((std::vector<std::string>{"BgBitmap", "Stars", "CDPlayer", "Wallpaper", "Email", "DateTime",
                                        "WeatherData", "Critters", "Effects"}),
              names(calls.setup));
    EXPECT_EQ((std::vector<std::string>{"BgBitmap", "Stars", "Email", "DateTime", "WeatherData", "Critters", "Sound",
                                        "CDPlayer"}),
              names(calls.process));
    EXPECT_EQ((std::vector<std::string>{"BgBitmap", "Stars", "Critters", "Email", "DateTime", "WeatherData"}),
              names(calls.draw));
}
