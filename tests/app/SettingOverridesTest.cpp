// Settings given for one run reach the modules at every load and never the
// file, whichever save writes it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/CScreenSaver.h"
#include "app/SettingOverrides.h"
#include "platform/Paths.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {
struct SettingOverridesFile : ::testing::Test {
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Shared.Path());
    }
    void TearDown() override {
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    std::string MainPath() const { return m_Install.File("Meadowglow.xml"); }
    TempDir m_Install, m_Shared;
    std::string m_OldInstall;
};

// Every setting given, each with a value unlike both the defaults and the
// file written below.
SettingOverrides AllGiven() {
    SettingOverrides o;
    o.critters = 7;
    o.ladybugs = false;
    o.worms = false;
    o.bees = false;
    o.critterSize = 2;
    o.critterSpeed = 0;
    o.period = 40;
    o.stars = true;
    o.starScheme = 3;
    o.fog = true;
    o.date = true;
    o.time = true;
    o.countdown = true;
    return o;
}

void ExpectGiven(CScreenSaver& s, const char* when) {
    EXPECT_EQ(7u, s.Critters().NumCritters) << when;
    EXPECT_FALSE(s.Critters().LadyBugs) << when;
    EXPECT_FALSE(s.Critters().WiggleWorms) << when;
    EXPECT_FALSE(s.Critters().BuzzzyBees) << when;
    EXPECT_EQ(2, s.Critters().Size) << when;
    EXPECT_EQ(0, s.Critters().Speed) << when;
    EXPECT_EQ(40u, s.General().SaverSpeed) << when;
    EXPECT_TRUE(s.Stars().Enabled) << when;
    EXPECT_EQ(3, s.Stars().ColorScheme) << when;
    EXPECT_TRUE(s.Effects().Fog) << when;
    EXPECT_TRUE(s.DateTime().DisplayDate) << when;
    EXPECT_TRUE(s.DateTime().DisplayTime) << when;
    EXPECT_TRUE(s.DateTime().EnableCountDown) << when;
}
}  // namespace

TEST(SettingOverrides, EmptyOnlyWithNothingGiven) {
    EXPECT_TRUE(SettingOverrides{}.Empty());
    EXPECT_FALSE(AllGiven().Empty());
    SettingOverrides off;
    off.fog = false;  // a switch given as off still counts
    EXPECT_FALSE(off.Empty());
}

// The file's own values of the run-only settings, saved by a run without
// overrides, stay byte for byte through loads and every save of a run with them.
TEST_F(SettingOverridesFile, RunWithOverridesLeavesTheFileAsItWas) {
    {
        CScreenSaver writer;
        ASSERT_TRUE(writer.Load());  // first run: the defaults
        writer.Critters().NumCritters = 321;
        writer.General().SaverSpeed = 25;
        writer.Stars().ColorScheme = 11;
        ASSERT_TRUE(writer.Save());
    }
    {
        // The first run's picture list names files that are not there; a
        // load drops them, so the file settles after one more round.
        CScreenSaver settle;
        ASSERT_TRUE(settle.Load());
        ASSERT_TRUE(settle.Save());
    }
    const std::string before = ReadWholeFile(MainPath());
    ASSERT_FALSE(before.empty());

    CScreenSaver saver;
    saver.SetOverrides(AllGiven());
    ASSERT_TRUE(saver.Load());
    ExpectGiven(saver, "after the load");
    ASSERT_TRUE(saver.Save());  // what the time-server list's save does
    EXPECT_EQ(before, ReadWholeFile(MainPath()));
    ExpectGiven(saver, "after a save");
    ASSERT_TRUE(saver.BackupConfig());
    ASSERT_TRUE(saver.Load());  // a second load (a restarted preview)
    ExpectGiven(saver, "after a second load");
    ASSERT_TRUE(saver.Save());
    EXPECT_EQ(before, ReadWholeFile(MainPath()));

    // Without overrides the run sees the file again.
    saver.SetOverrides(SettingOverrides{});
    ASSERT_TRUE(saver.Load());
    EXPECT_EQ(321u, saver.Critters().NumCritters);
    EXPECT_EQ(25u, saver.General().SaverSpeed);
    EXPECT_EQ(11, saver.Stars().ColorScheme);
    EXPECT_FALSE(saver.Effects().Fog);
}

// A first run with overrides creates the file with the defaults.
TEST_F(SettingOverridesFile, FirstRunFileGetsTheDefaults) {
    std::string defaults;
    {
        CScreenSaver plain;
        ASSERT_TRUE(plain.Load());
        defaults = ReadWholeFile(MainPath());
    }
    ASSERT_TRUE(std::remove(MainPath().c_str()) == 0);
    CScreenSaver saver;
    saver.SetOverrides(AllGiven());
    ASSERT_TRUE(saver.Load());
    ExpectGiven(saver, "first run");
    EXPECT_EQ(defaults, ReadWholeFile(MainPath()));
}
