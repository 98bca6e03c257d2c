#include "app/CScreenSaver.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

TEST(CScreenSaver, AspectIsWholeNumberRatio) {
    EXPECT_EQ(1.0, ProjectionAspect(1024, 768));
    EXPECT_EQ(1.0, ProjectionAspect(1920, 1080));
    EXPECT_EQ(2.0, ProjectionAspect(2560, 1080));
    EXPECT_EQ(0.0, ProjectionAspect(768, 1024));
    // A window with no height must not divide by zero.
    EXPECT_EQ(1.0, ProjectionAspect(640, 0));
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

TEST(CScreenSaver, StopGivesUpOnAHungRenderThread) {
    // A render thread that never ends keeps the process-wide count up.
    CScreenSaver saver;
    ++g_InstanceThreadCount;
    auto t0 = std::chrono::steady_clock::now();
    saver.Stop();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    --g_InstanceThreadCount;
    EXPECT_GE(ms, 9000);
    EXPECT_LT(ms, 30000);
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
