// Linux specifics of the configuration layer: folders from the environment, no
// registry, thread priority as the thread's nice value.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "app/CScreenSaver.h"
#include "app/ReadRegistry.h"
#include "platform/Display.h"
#include "platform/Thread.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {
// Sets an environment variable for one test and puts the old value back.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : m_Name(name) {
        const char* old = std::getenv(name);
        m_Had = old != nullptr;
        if (old) m_Old = old;
        setenv(name, value.c_str(), 1);
    }
    explicit ScopedEnv(const char* name) : ScopedEnv(name, std::string()) { unsetenv(name); }
    ~ScopedEnv() {
        if (m_Had)
            setenv(m_Name, m_Old.c_str(), 1);
        else
            unsetenv(m_Name);
    }
    const char* m_Name;
    bool m_Had;
    std::string m_Old;
};
}  // namespace

TEST(ConfigPosix, SharedFileLivesUnderXdgDataHome) {
    TempDir data, install;
    ScopedEnv xdg("XDG_DATA_HOME", data.Path());
    ScopedEnv noHome("MEADOWGLOW_HOME");
    const std::string oldInstall = GetInstallPath();
    SetInstallPath(install.Path());
    {
        CScreenSaver saver;
        EXPECT_EQ(data.Path() + "tallow-fen/shared/screen-savers/Shared.xml", saver.MakeConfigFileName(true));
        ASSERT_TRUE(saver.Load()) << saver.ErrorText();
        EXPECT_TRUE(FileExists(data.Path() + "tallow-fen/shared/screen-savers/Shared.xml"));
        EXPECT_TRUE(FileExists(install.Path() + "Meadowglow.xml"));
    }
    // Without an installation path the main file follows MEADOWGLOW_HOME.
    TempDir home;
    ScopedEnv mg("MEADOWGLOW_HOME", home.Path());
    SetInstallPath("");
    EXPECT_EQ(home.Path() + "Meadowglow.xml", CScreenSaver().MakeConfigFileName(false));
    // And so does the shared file: a private home is wholly private.
    EXPECT_EQ(home.Path() + "shared/Shared.xml", CScreenSaver().MakeConfigFileName(true));
    SetInstallPath(oldInstall);
}

TEST(ConfigPosix, NoRegistryReadAndNoLogNoise) {
    TempDir install;
    const std::string oldInstall = GetInstallPath();
    SetInstallPath(install.Path());
    ReadRegistry();
    EXPECT_EQ(install.Path(), GetInstallPath());
    EXPECT_FALSE(FileExists(install.Path() + "RunLog.txt"));
    SetInstallPath(oldInstall);
}

TEST(ConfigPosix, NoDisplayModesAreOffered) {
    DisplayModeInfo info;
    EXPECT_FALSE(PlatformDisplayMode(0, info));
    EXPECT_EQ(1u, VideoModeListTexts().size());
    EXPECT_FALSE(ApplyVideoMode(1));
}

TEST(ConfigPosix, ThreadPriorityBecomesNiceSteps) {
    struct Case {
        ThreadPriority priority;
        int steps;
    } cases[] = {{ThreadPriority::Normal, 0},
                 {ThreadPriority::BelowNormal, 5},
                 {ThreadPriority::Lowest, 10},
                 {ThreadPriority::Idle, 19}};
    for (const Case& c : cases) {
        int before = 0, after = 0;
        bool ok = false;
        std::thread([&] {
            before = PlatformGetCurrentThreadPriority();
            ok = PlatformSetCurrentThreadPriority(c.priority);
            after = PlatformGetCurrentThreadPriority();
        }).join();
        EXPECT_TRUE(ok) << c.steps;
        EXPECT_EQ(std::min(before + c.steps, 19), after) << c.steps;
    }
    // Only the calling thread is lowered.
    const int mine = PlatformGetCurrentThreadPriority();
    std::thread([] { PlatformSetCurrentThreadPriority(ThreadPriority::Lowest); }).join();
    EXPECT_EQ(mine, PlatformGetCurrentThreadPriority());
}
