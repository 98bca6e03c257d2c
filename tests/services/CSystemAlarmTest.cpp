// The hourly chime and the alarm against a fake clock (each frame's time is
// handed in) and a sound service that counts.
#include "services/CSystemAlarm.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/services/SoundDouble.h"

namespace {
struct Frame {
    int hour, minute, second;
    int beeps;  // beeps so far, after this frame
    int plays;  // waves started so far
};

XDateTime At(int hour, int minute, int second) {
    XDateTime t;
    t.Set(2026, 3, 14, hour, minute, second, 0);
    return t;
}

void RunFrames(CSystemAlarm& alarm, const CountingSound& sound, const std::vector<Frame>& frames, const char* name) {
    for (const Frame& f : frames) {
        alarm.Process(At(f.hour, f.minute, f.second));
        EXPECT_EQ(f.beeps, sound.beeps) << name << " after " << f.hour << ":" << f.minute << ":" << f.second;
        EXPECT_EQ(f.plays, static_cast<int>(sound.plays.size())) << name << " after " << f.hour << ":" << f.minute;
    }
}
}  // namespace

TEST(CSystemAlarm, ChimeOncePerHour) {
    struct Case {
        const char* name;
        int32_t type;
        std::vector<Frame> frames;
    };
    const std::vector<Case> cases = {
        {"a start during minute 0 chimes at once, then at the next hour",
         1,
         {{10, 0, 30, 1, 0}, {10, 0, 31, 1, 0}, {10, 1, 0, 1, 0}, {10, 59, 0, 1, 0}, {10, 59, 59, 1, 0},
          {11, 0, 0, 2, 0}, {11, 0, 59, 2, 0}, {11, 30, 0, 2, 0}}},
        {"minute 59 re-arms, also across midnight",
         1,
         {{23, 30, 0, 0, 0}, {23, 59, 10, 0, 0}, {0, 0, 0, 1, 0}, {0, 59, 0, 1, 0}, {1, 0, 0, 2, 0}}},
        {"without minute 59 in between the chime stays done", 1, {{10, 0, 0, 1, 0}, {10, 58, 0, 1, 0}, {11, 0, 0, 1, 0}}},
        {"a wave chime plays the file once per hour", 2, {{9, 59, 0, 0, 0}, {10, 0, 0, 0, 1}, {10, 0, 5, 0, 1}, {10, 59, 0, 0, 1}, {11, 0, 0, 0, 2}}},
        {"type 0 never chimes", 0, {{10, 0, 0, 0, 0}, {10, 59, 0, 0, 0}, {11, 0, 0, 0, 0}}},
        {"an unknown type marks the hour but makes no sound", 7, {{10, 0, 0, 0, 0}, {11, 0, 0, 0, 0}}},
    };
    for (const Case& c : cases) {
        CountingSound sound;
        CSystemAlarm alarm;
        alarm.ChimeType = c.type;
        alarm.ChimeFileName = "chime.wav";
        RunFrames(alarm, sound, c.frames, c.name);
        for (const auto& p : sound.plays) {
            EXPECT_EQ("chime.wav", p.path) << c.name;
            EXPECT_FALSE(p.loop) << c.name;
        }
    }
}

TEST(CSystemAlarm, AlarmSoundsFromItsMinuteUntilTheEnd) {
    struct Case {
        const char* name;
        bool enabled;
        int32_t type;
        std::vector<Frame> frames;
        bool sounding;
    };
    const std::vector<Case> cases = {
        {"a beep alarm beeps on every frame from 06:00 on, also after 06:01",
         true,
         1,
         {{5, 59, 59, 0, 0}, {6, 0, 0, 1, 0}, {6, 0, 1, 2, 0}, {6, 1, 0, 3, 0}, {7, 30, 0, 4, 0}, {5, 0, 0, 5, 0}},
         true},
        {"a wave alarm starts its file once, looped", true, 2, {{5, 59, 0, 0, 0}, {6, 0, 0, 0, 1}, {6, 0, 1, 0, 1}, {6, 1, 0, 0, 1}}, true},
        {"another type is silent but still fires", true, 0, {{6, 0, 0, 0, 0}, {6, 1, 0, 0, 0}}, true},
        {"a disabled alarm never fires", false, 1, {{6, 0, 0, 0, 0}, {6, 1, 0, 0, 0}}, false},
        {"a saver started after the alarm minute stays quiet", true, 1, {{6, 1, 0, 0, 0}, {12, 0, 0, 0, 0}}, false},
    };
    for (const Case& c : cases) {
        CountingSound sound;
        {
            CSystemAlarm alarm;
            alarm.EnableAlarm = c.enabled;
            alarm.AlarmType = c.type;
            alarm.AlarmFileName = "alarm.wav";
            RunFrames(alarm, sound, c.frames, c.name);
            EXPECT_EQ(c.sounding, alarm.IsAlarmSounding()) << c.name;
            for (const auto& p : sound.plays) {
                EXPECT_EQ("alarm.wav", p.path) << c.name;
                EXPECT_TRUE(p.loop) << c.name;
            }
            EXPECT_EQ(0, sound.stops) << c.name;
        }
        // The end of the saver stops what the alarm started, and nothing else.
        EXPECT_EQ(c.sounding ? 1 : 0, sound.stops) << c.name;
    }
}

TEST(CSystemAlarm, EndingStopsOnlyWhatItStarted) {
    struct Case {
        const char* name;
        int32_t chimeType;
        int hour, minute;
        int stops;
    };
    const std::vector<Case> cases = {
        {"nothing sounded", 1, 10, 30, 0},
        {"this hour's chime sounded", 2, 10, 0, 1},
    };
    for (const Case& c : cases) {
        CountingSound sound;
        {
            CSystemAlarm alarm;
            alarm.ChimeType = c.chimeType;
            alarm.ChimeFileName = "chime.wav";
            alarm.Process(At(c.hour, c.minute, 0));
        }
        EXPECT_EQ(c.stops, sound.stops) << c.name;
    }
}

TEST(CSystemAlarm, SectionRoundTrip) {
    CSystemAlarm alarm;
    alarm.ChimeType = 2;
    alarm.ChimeFileName = "C:\\Sounds\\chime.wav";
    alarm.EnableAlarm = true;
    alarm.AlarmTime.SetHour(23);
    alarm.AlarmTime.SetMinute(45);
    alarm.AlarmType = 2;
    alarm.AlarmFileName = "/home/me/alarm.wav";
    XString out;
    alarm.Write(out);
    EXPECT_EQ(
        "\t<Sound>\r\n"
        "\t\t<ChimeType>2</ChimeType>\r\n"
        "\t\t<ChimeFileName>C:\\Sounds\\chime.wav</ChimeFileName>\r\n"
        "\t\t<EnableAlarm>true</EnableAlarm>\r\n"
        "\t\t<AlarmHour>23</AlarmHour>\r\n"
        "\t\t<AlarmMinute>45</AlarmMinute>\r\n"
        "\t\t<AlarmType>2</AlarmType>\r\n"
        "\t\t<AlarmFileName>/home/me/alarm.wav</AlarmFileName>\r\n"
        "\t</Sound>\r\n",
        std::string(out.View()));

    CSystemAlarm back;
    back.Read(out);
    EXPECT_EQ(2, back.ChimeType);
    EXPECT_EQ("C:\\Sounds\\chime.wav", std::string(back.ChimeFileName.View()));
    EXPECT_TRUE(back.EnableAlarm);
    EXPECT_EQ(23, back.AlarmTime.GetHour());
    EXPECT_EQ(45, back.AlarmTime.GetMinute());
    EXPECT_EQ(2000, back.AlarmTime.GetYear());
    EXPECT_EQ(2, back.AlarmType);
    EXPECT_EQ("/home/me/alarm.wav", std::string(back.AlarmFileName.View()));
}

TEST(CSystemAlarm, ReadingTheSection) {
    struct Case {
        const char* name;
        const char* text;
        int32_t chimeType;
        bool enableAlarm;
        int hour, minute;
        int32_t alarmType;
    };
    const std::vector<Case> cases = {
        {"no section: defaults", "<General></General>", 0, false, 6, 0, 1},
        {"empty section: defaults", "<Sound></Sound>", 0, false, 6, 0, 1},
        {"missing keys read 0", "<Sound><EnableAlarm>true</EnableAlarm></Sound>", 0, true, 0, 0, 0},
        {"TRUE in capitals", "<Sound><EnableAlarm>TRUE</EnableAlarm><AlarmHour>7</AlarmHour></Sound>", 0, true, 7, 0, 0},
        {"True", "<Sound><EnableAlarm>True</EnableAlarm><AlarmHour>7</AlarmHour></Sound>", 0, true, 7, 0, 0},
        {"only the whole text true counts", "<Sound><EnableAlarm>trueish</EnableAlarm><AlarmHour>7</AlarmHour></Sound>", 0, false, 7, 0, 0},
        {"yes is false", "<Sound><EnableAlarm>yes</EnableAlarm></Sound>", 0, false, 0, 0, 0},
        {"1 is false", "<Sound><EnableAlarm>1</EnableAlarm><ChimeType>1</ChimeType></Sound>", 1, false, 0, 0, 0},
        {"an hour or minute out of range keeps 06:00's part",
         "<Sound><AlarmHour>24</AlarmHour><AlarmMinute>60</AlarmMinute><AlarmType>1</AlarmType></Sound>", 0, false, 6, 0, 1},
    };
    for (const Case& c : cases) {
        CSystemAlarm alarm;
        alarm.ChimeType = 9;
        alarm.EnableAlarm = !c.enableAlarm;
        alarm.AlarmTime.SetHour(13);
        alarm.Read(XString(c.text));
        EXPECT_EQ(c.chimeType, alarm.ChimeType) << c.name;
        EXPECT_EQ(c.enableAlarm, alarm.EnableAlarm) << c.name;
        EXPECT_EQ(c.hour, alarm.AlarmTime.GetHour()) << c.name;
        EXPECT_EQ(c.minute, alarm.AlarmTime.GetMinute()) << c.name;
        EXPECT_EQ(c.alarmType, alarm.AlarmType) << c.name;
    }
}
