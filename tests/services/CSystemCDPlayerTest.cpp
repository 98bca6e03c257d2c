// The CD player against a fake stopwatch and a drive that records its calls.
#include "services/CSystemCDPlayer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
uint32_t g_FakeMs = 0;
uint32_t FakeTime() { return g_FakeMs; }

class RecordingDrive : public CdAudioCalls {
public:
    RecordingDrive() { SetCdAudioForTests(this); }
    ~RecordingDrive() override { SetCdAudioForTests(nullptr); }
    CdAudioStatus Play(uint32_t track) override {
        calls.push_back("play " + std::to_string(track));
        return {};
    }
    CdAudioStatus Stop() override {
        calls.push_back("stop");
        return {};
    }
    CdAudioStatus Close() override {
        calls.push_back("close");
        return {};
    }
    std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;
}  // namespace

TEST(CSystemCDPlayer, StartAutoOffAndEnd) {
    struct Case {
        const char* name;
        bool enabled, autoOff;
        int32_t minutes;
        bool smallWindow;
        std::vector<uint32_t> frames;  // ms after set-up
        Calls whileRunning;
        Calls atTheEnd;  // everything, once the player is gone
        bool enabledAfter;
    };
    const std::vector<Case> cases = {
        {"one minute: stopped a little over 60,000 ms after set-up, and never again",
         true, true, 1, false,
         {1, 59999, 60000, 60001, 60002, 120000, 4000000},
         {"play 1", "stop"},
         {"play 1", "stop", "close"},
         false},
        {"without auto-off the disc plays until the end", true, false, 1, false, {60001, 4000000000u}, {"play 1"}, {"play 1", "stop", "close"}, true},
        {"disabled: the drive is never asked to play or stop", false, true, 1, false, {60001}, {}, {"close"}, false},
        {"a minute count past 32 bits of milliseconds does not wrap into an early stop",
         true, true, 100000, false, {4000000000u}, {"play 1"}, {"play 1", "stop", "close"}, true},
        {"zero minutes: the first frame after set-up stops it", true, true, 0, false, {0, 1, 2}, {"play 1", "stop"}, {"play 1", "stop", "close"}, false},
        // Nor does its end stop a disc that something else is playing.
        {"a preview never starts the disc", true, true, 1, true, {}, {}, {"close"}, true},
    };
    for (const Case& c : cases) {
        RecordingDrive drive;
        {
            g_FakeMs = 5000;  // set-up does not happen at the watch's zero
            StopWatch watch(FakeTime);
            CSystemCDPlayer player(&watch);
            player.Enabled = c.enabled;
            player.AutoOff = c.autoOff;
            player.AutoOffMinutes = c.minutes;
            player.Setup(c.smallWindow);
            for (uint32_t ms : c.frames) {
                g_FakeMs = 5000 + ms;
                player.Process(XDateTime());
            }
            EXPECT_EQ(c.whileRunning, drive.calls) << c.name;
            EXPECT_EQ(c.enabledAfter, player.Enabled) << c.name;
        }
        EXPECT_EQ(c.atTheEnd, drive.calls) << c.name;
    }
}

TEST(CSystemCDPlayer, WithoutSetupTheDiscIsLeftAlone) {
    // The settings dialog's instance loads an enabled player and never runs.
    RecordingDrive drive;
    {
        CSystemCDPlayer player;
        player.Read(XString("<CDPlayer><Enabled>true</Enabled></CDPlayer>"));
        ASSERT_TRUE(player.Enabled);
    }
    EXPECT_EQ(Calls{"close"}, drive.calls);
}

TEST(CSystemCDPlayer, SectionRoundTrip) {
    CSystemCDPlayer player;
    player.Enabled = true;
    player.AutoOff = true;
    player.AutoOffMinutes = 15;
    XString out;
    player.Write(out);
    EXPECT_EQ(
        "\t<CDPlayer>\r\n"
        "\t\t<Enabled>true</Enabled>\r\n"
        "\t\t<AutoOff>true</AutoOff>\r\n"
        "\t\t<AutoOffMinutes>15</AutoOffMinutes>\r\n"
        "\t</CDPlayer>\r\n",
        std::string(out.View()));

    struct Case {
        const char* name;
        const char* text;
        bool enabled, autoOff;
        int32_t minutes;
    };
    const std::vector<Case> cases = {
        {"what was written", out.c_str(), true, true, 15},
        {"no section: defaults", "<Sound></Sound>", false, false, 60},
        {"empty section: defaults", "<CDPlayer></CDPlayer>", false, false, 60},
        {"missing keys read 0 and false", "<CDPlayer><Enabled>TRUE</Enabled></CDPlayer>", true, false, 0},
        {"only the whole text true counts", "<CDPlayer><Enabled>truest</Enabled><AutoOff>True</AutoOff></CDPlayer>", false, true, 0},
    };
    for (const Case& c : cases) {
        CSystemCDPlayer back;
        back.Enabled = !c.enabled;
        back.Read(XString(c.text));
        EXPECT_EQ(c.enabled, back.Enabled) << c.name;
        EXPECT_EQ(c.autoOff, back.AutoOff) << c.name;
        EXPECT_EQ(c.minutes, back.AutoOffMinutes) << c.name;
    }
}

// A process that ends without destructors finishes the player by hand: the
// disc it started stops once, and the destructor then does nothing more.
TEST(CSystemCDPlayer, FinishDoesTheEndOnce) {
    RecordingDrive drive;
    {
        CSystemCDPlayer player;
        player.Enabled = true;
        player.Setup(false);
        player.Finish();
        EXPECT_EQ((Calls{"play 1", "stop", "close"}), drive.calls);
        player.Finish();
    }
    EXPECT_EQ((Calls{"play 1", "stop", "close"}), drive.calls);
}
