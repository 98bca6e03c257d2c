// The Linux sound service observed through SDL's disk audio driver, which
// writes what it would play to a file: 16-bit stereo at 44.1 kHz, the format
// the service opens.
#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/TestWave.h"

namespace {
// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_Name(name) {
        const char* old = std::getenv(name);
        m_Had = old != nullptr;
        if (old) m_Old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_Had)
            setenv(m_Name.c_str(), m_Old.c_str(), 1);
        else
            unsetenv(m_Name.c_str());
    }

private:
    std::string m_Name, m_Old;
    bool m_Had = false;
};

void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct DiskAudio : ::testing::Test {
    DiskAudio()
        : out(dir.File("played.raw")),
          driver("SDL_AUDIODRIVER", "disk"),
          file("SDL_DISKAUDIOFILE", out.c_str()),
          display("DISPLAY", nullptr) {}

    std::string Wave(const char* name, const TestWave& w) {
        const std::string path = dir.File(name);
        WriteWholeFile(path, TestWaveFile(w));
        return path;
    }
    std::vector<int16_t> Played() const {
        const std::string bytes = ReadWholeFile(out);
        std::vector<int16_t> s(bytes.size() / 2);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) | (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
        return s;
    }
    // Index of the first and one past the last non-silent sample.
    static std::pair<size_t, size_t> Sounding(const std::vector<int16_t>& s) {
        size_t a = 0, b = s.size();
        while (a < b && s[a] == 0) ++a;
        while (b > a && s[b - 1] == 0) --b;
        return {a, b};
    }

    TempDir dir;
    std::string out;
    ScopedEnv driver, file, display;
};

constexpr int kFrames = 4410;  // 0.1 s
}  // namespace

TEST_F(DiskAudio, AWavePlaysOnceLoopsAndStops) {
    const TestWave wave = MakeTestWave(44100, 2, 16, kFrames);
    const std::string path = Wave("once.wav", wave);
    struct Case {
        const char* name;
        bool loop;
        int playMs;  // before Stop
        size_t minCopies, maxCopies;
    };
    const Case cases[] = {
        {"once", false, 600, 1, 1},
        {"looped, then stopped", true, 700, 2, 1000},
    };
    for (const Case& c : cases) {
        {
            auto sound = MakePlatformSoundService();
            ASSERT_TRUE(sound->PlayWave(path, c.loop)) << c.name;
            Wait(c.playMs);
            sound->Stop();
            Wait(300);
        }
        const std::vector<int16_t> played = Played();
        const auto [a, b] = Sounding(played);
        ASSERT_LT(a, b) << c.name << ": nothing was played";
        // One unbroken stretch of the wave, repeated, then silence to the end.
        for (size_t i = a; i < b; ++i)
            ASSERT_EQ(wave.samples[(i - a) % wave.samples.size()], played[i]) << c.name << " at sample " << i - a;
        const size_t copies = (b - a + wave.samples.size() - 1) / wave.samples.size();
        EXPECT_GE(copies, c.minCopies) << c.name;
        EXPECT_LE(copies, c.maxCopies) << c.name;
        if (!c.loop) {
            EXPECT_EQ(wave.samples.size(), b - a) << c.name;
        }
        EXPECT_GE(played.size() - b, 44100u * 2 / 10) << c.name << ": less than 0.1 s of silence after the stop";
        std::printf("[ sound    ] %s: %zu samples of wave, %zu of silence after\n", c.name, b - a, played.size() - b);
    }
}

TEST_F(DiskAudio, OtherFormatsAreConvertedNotDropped) {
    // 8-bit mono at 22.05 kHz: twice as many frames, two channels, after conversion.
    const std::string path = Wave("small.wav", MakeTestWave(22050, 1, 8, kFrames / 2));
    {
        auto sound = MakePlatformSoundService();
        ASSERT_TRUE(sound->PlayWave(path, false));
        Wait(500);
    }
    const auto [a, b] = Sounding(Played());
    EXPECT_NEAR(static_cast<double>(kFrames * 2), static_cast<double>(b - a), kFrames * 2 * 0.05);
}

TEST_F(DiskAudio, NoSoundNoAudioDevice) {
    {
        auto sound = MakePlatformSoundService();
        sound->Stop();
        EXPECT_FALSE(sound->PlayWave(dir.File("missing.wav"), false));
        EXPECT_FALSE(sound->PlayWave("", true));
        WriteWholeFile(dir.File("bad.wav"), "RIFF....WAVEjunk");
        EXPECT_FALSE(sound->PlayWave(dir.File("bad.wav"), false));
    }
    EXPECT_FALSE(FileExists(out)) << "the audio device was opened without a sound to play";
}

TEST_F(DiskAudio, BeepWithoutADisplayIsAShortTone) {
    {
        auto sound = MakePlatformSoundService();
        sound->Beep();
        Wait(500);
    }
    const auto [a, b] = Sounding(Played());
    ASSERT_LT(a, b) << "no tone";
    const double ms = static_cast<double>(b - a) / 2 / 44.1;
    EXPECT_GT(ms, 50.0);
    EXPECT_LT(ms, 400.0);
}
