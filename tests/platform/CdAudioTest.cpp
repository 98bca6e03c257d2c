// The CD drive on a machine without one (the build machines have none): every
// call fails at the open, says so in its status, and nothing else happens.
#include "platform/CdAudio.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(CdAudio, WithoutADriveEveryCallFailsAtTheOpen) {
    CCdAudio cd;
    const CdAudioStatus play = cd.Play(1);
    if (play.outcome != CdAudioOutcome::OpenFailed)
        GTEST_SKIP() << "this machine has a CD drive (status " << std::hex << CdAudioStatusWord(play) << ")";
    std::printf("[ cd       ] play from track 1 without a drive: status %08X\n",
                static_cast<unsigned>(CdAudioStatusWord(play)));
    EXPECT_NE(0u, play.deviceError) << "the device says why it failed";
    EXPECT_EQ(1u, cd.Track());
    EXPECT_EQ(-1, cd.DeviceId()) << "a failed open leaves no device behind";
    EXPECT_EQ(CdAudioOutcome::OpenFailed, cd.Stop().outcome);
    EXPECT_EQ(-1, cd.DeviceId());
    // Nothing was ever opened, so closing has nothing to do.
    EXPECT_TRUE(cd.Close().Ok());
}

// The word keeps the layout logs and reports were read by: the device's error
// (cut to 16 bits) above, the failed step below.
TEST(CdAudio, StatusWordCarriesTheErrorAboveTheStep) {
    const struct {
        CdAudioStatus status;
        uint32_t word;
    } cases[] = {
        {{CdAudioOutcome::Ok, 0}, 0u},
        {{CdAudioOutcome::Ok, 0x10A}, 0u},
        {{CdAudioOutcome::OpenFailed, 0x10A}, 0x010AFFFDu},
        {{CdAudioOutcome::NotAddressable, 1}, 0x0001FFFCu},
        {{CdAudioOutcome::PlayFailed, 0x1234}, 0x1234FFFBu},
        {{CdAudioOutcome::StopFailed, 7}, 0x00070000u},
        {{CdAudioOutcome::OpenFailed, 0x12345}, 0x2345FFFDu},
    };
    for (const auto& c : cases) EXPECT_EQ(c.word, CdAudioStatusWord(c.status)) << std::hex << c.word;
}
