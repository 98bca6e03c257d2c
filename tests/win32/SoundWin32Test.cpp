// The Windows sound service's calls and what they return (under Wine there is
// no sound card; the calls must still come back at once and say what happened).
#include "platform/Sound.h"

#include <gtest/gtest.h>

#include <chrono>

#include "tests/TestSupport.h"
#include "tests/TestWave.h"

TEST(WinSound, CallsAndTheirResults) {
    TempDir dir;
    const std::string wave = dir.File("chime.wav");
    WriteWholeFile(wave, TestWaveFile(MakeTestWave(22050, 1, 16, 2205)));
    auto sound = MakePlatformSoundService();
    const auto start = std::chrono::steady_clock::now();
    // A missing file gives silence, not the system's default sound.
    EXPECT_FALSE(sound->PlayWave(dir.File("missing.wav"), false));
    EXPECT_FALSE(sound->PlayWave("", false));
    const bool once = sound->PlayWave(wave, false);
    const bool looped = sound->PlayWave(wave, true);
    sound->Stop();
    sound->Beep();
    sound->Stop();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ sound    ] once: %d, looped: %d, all calls: %.1f ms\n", once, looped, ms);
    // The asynchronous play has started (even with no sound card, as under Wine).
    EXPECT_TRUE(once);
    EXPECT_TRUE(looped);
    EXPECT_LT(ms, 5000.0) << "an asynchronous sound call waited";
}
