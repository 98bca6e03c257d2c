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
    o.SetNumber("Critters", "NumCritters", 7);
    o.SetSwitch("Critters", "LadyBugs", false);
    o.SetSwitch("Critters", "WiggleWorms", false);
    o.SetSwitch("Critters", "BuzzzyBees", false);
    o.SetNumber("Critters", "Size", 2);
    o.SetNumber("Critters", "Speed", 0);
    o.SetNumber("General", "SaverSpeed", 40);
    o.SetSwitch("Stars", "Enabled", true);
    o.SetNumber("Stars", "ColorScheme", 3);
    o.SetSwitch("Effects", "Fog/Enabled", true);
    o.SetSwitch("DateTime", "DisplayDate", true);
    o.SetSwitch("DateTime", "DisplayTime", true);
    o.SetSwitch("DateTime", "EnableCountDown", true);
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

TEST(SettingOverrides, EmptyOnlyWithNothingGivenAndTheLastValueWins) {
    EXPECT_TRUE(SettingOverrides{}.Empty());
    EXPECT_FALSE(AllGiven().Empty());
    SettingOverrides off;
    off.SetSwitch("Effects", "Fog/Enabled", false);  // a switch given as off still counts
    EXPECT_FALSE(off.Empty());
    off.SetSwitch("Effects", "Fog/Enabled", true);
    ASSERT_EQ(1u, off.Given().size());
    EXPECT_TRUE(off.Find("Effects", "Fog/Enabled")->value.flag);
    EXPECT_EQ(nullptr, off.Find("Effects", "MotionBlur/Enabled"));
}

// An override reaches exactly the row its tag names: "Fog/Enabled" is not
// the motion blur's "Enabled" of the same section.
TEST_F(SettingOverridesFile, GroupedTagsReachTheirOwnRow) {
    CScreenSaver saver;
    SettingOverrides o;
    o.SetSwitch("Effects", "Fog/Enabled", true);
    o.SetSwitch("Effects", "MotionBlur/Enabled", false);
    saver.SetOverrides(o);
    ASSERT_TRUE(saver.Load());
    EXPECT_TRUE(saver.Effects().Fog);
    EXPECT_FALSE(saver.Effects().MotionBlur);
    SettingInfo info;
    ASSERT_TRUE(saver.DescribeSetting("Stars", "ColorScheme", info));
    EXPECT_TRUE(info.ranged);
    EXPECT_EQ(19, info.hi);
    EXPECT_FALSE(saver.DescribeSetting("Stars", "NoSuchTag", info));
    EXPECT_FALSE(saver.DescribeSetting("NoSuchSection", "Enabled", info));
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
