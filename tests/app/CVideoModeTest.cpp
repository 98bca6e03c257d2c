#include "app/CVideoMode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/CScreenSaver.h"
#include "platform/Thread.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"
#include "xlib/XString.h"

namespace {
// A display whose enumeration the test chooses, recording what is asked of it.
struct FakeDisplay {
    std::vector<DisplayModeInfo> modes;
    int describes = 0;
    std::vector<unsigned> changes;

    DisplayModeSource Source() {
        DisplayModeSource s;
        s.describe = [this](unsigned i, DisplayModeInfo& info) {
            ++describes;
            if (i >= modes.size()) return false;
            info = modes[i];
            return true;
        };
        s.change = [this](unsigned i) {
            changes.push_back(i);
            return true;
        };
        return s;
    }
};
}  // namespace

TEST(CVideoMode, SectionLayoutAndRead) {
    CVideoMode vm;
    vm.Mode = 7;
    vm.ThreadPriority = -2;
    XString out;
    vm.Write(out);
    EXPECT_EQ("\t<VideoMode>\r\n\t\t<Mode>7</Mode>\r\n\t\t<ThreadPriority>-2</ThreadPriority>\r\n\t</VideoMode>\r\n",
              std::string(out.View()));
    CVideoMode back;
    back.Read(out);
    EXPECT_EQ(7, back.Mode);
    EXPECT_EQ(-2, back.ThreadPriority);

    back.Read(XString("<VideoMode><ThreadPriority>-1</ThreadPriority></VideoMode>"));
    EXPECT_EQ(0, back.Mode);
    EXPECT_EQ(-1, back.ThreadPriority);
    back.Mode = 4;
    back.Read(XString("<General></General>"));
    EXPECT_EQ(0, back.Mode);
    EXPECT_EQ(0, back.ThreadPriority);
}

TEST(CVideoMode, StoredPriorityNumbersBecomeLevels) {
    const struct {
        int32_t stored;
        ThreadPriority level;
    } cases[] = {{0, ThreadPriority::Normal},  {-1, ThreadPriority::BelowNormal}, {-2, ThreadPriority::Lowest},
                 {1, ThreadPriority::Normal},  {15, ThreadPriority::Normal},      {-3, ThreadPriority::Idle},
                 {-15, ThreadPriority::Idle}};
    for (const auto& c : cases) EXPECT_EQ(c.level, RenderThreadPriority(c.stored)) << c.stored;
}

TEST(CVideoMode, ListSkipsEightBitModes) {
    FakeDisplay d;
    d.modes = {{640, 480, 4, 60}, {640, 480, 8, 60}, {800, 600, 16, 75}, {1024, 768, 8, 60}, {1024, 768, 32, 85}};
    const std::vector<std::string> texts = VideoModeListTexts(d.Source());
    ASSERT_EQ(3u, texts.size());
    EXPECT_EQ("Use my current screen mode (Always valid)", texts[0]);
    EXPECT_EQ("Resolution: 800x600, color depth: 16bits, frequency: 75Hz", texts[1]);
    EXPECT_EQ("Resolution: 1024x768, color depth: 32bits, frequency: 85Hz", texts[2]);
    EXPECT_TRUE(d.changes.empty());
}

TEST(CVideoMode, ApplySwitchesToTheListedMode) {
    FakeDisplay d;
    d.modes = {{640, 480, 8, 60}, {640, 480, 8, 72}, {800, 600, 16, 60}, {1024, 768, 8, 60}, {1024, 768, 32, 60}};
    // The first listed mode is the first one with more than 8 bits per pixel.
    EXPECT_TRUE(ApplyVideoMode(1, d.Source()));
    EXPECT_TRUE(ApplyVideoMode(2, d.Source()));
    EXPECT_EQ((std::vector<unsigned>{2, 4}), d.changes);
    // Past the end of the list: nothing changes.
    EXPECT_FALSE(ApplyVideoMode(3, d.Source()));
    EXPECT_EQ(2u, d.changes.size());
    // 0 or less touches no display function at all.
    d.describes = 0;
    EXPECT_FALSE(ApplyVideoMode(0, d.Source()));
    EXPECT_FALSE(ApplyVideoMode(-1, d.Source()));
    EXPECT_EQ(0, d.describes);
    EXPECT_EQ(2u, d.changes.size());
}

TEST(CVideoMode, RenderThreadTakesTheConfiguredPriority) {
    // The priority a new thread starts with, for comparison.
    int normal = 0;
    std::thread([&] { normal = PlatformGetCurrentThreadPriority(); }).join();

    TempDir install;
    const std::string oldInstall = GetInstallPath();
    SetInstallPath(install.Path());
    SetSharedPath(install.Path() + "shared");
    for (int priority : {0, -2}) {
        {
            CScreenSaver writer;
            writer.VideoMode().ThreadPriority = priority;
            ASSERT_TRUE(writer.Save());
        }
        CScreenSaver saver;
        std::atomic<int> seen{12345};
        std::atomic<unsigned> frames{0};
        saver.SetFrameObserver([&](unsigned) {
            seen = PlatformGetCurrentThreadPriority();
            ++frames;
        });
        ASSERT_TRUE(saver.Start());
        auto t0 = std::chrono::steady_clock::now();
        while (frames < 2 && std::chrono::steady_clock::now() - t0 < std::chrono::seconds(5))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        saver.Stop();
        if (priority == 0)
            EXPECT_EQ(normal, seen.load());
        else
            EXPECT_NE(normal, seen.load());
    }
    SetSharedPath("");
    SetInstallPath(oldInstall);
}
