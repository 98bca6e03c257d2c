// The CD drive on a machine without one (the build machines have none): every
// call fails at the open, says so in its status word, and nothing else happens.
#include "platform/CdAudio.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(CdAudio, WithoutADriveEveryCallFailsAtTheOpen) {
    CCdAudio cd;
    const uint32_t play = cd.Play(1);
    if ((play & 0xFFFFu) != CDAUDIO_OPEN_FAILED)
        GTEST_SKIP() << "this machine has a CD drive (status " << std::hex << play << ")";
    std::printf("[ cd       ] play from track 1 without a drive: status %08X\n", static_cast<unsigned>(play));
    EXPECT_NE(0u, play >> 16) << "the device's error belongs in the upper half";
    EXPECT_EQ(1u, cd.Track());
    EXPECT_EQ(-1, cd.DeviceId()) << "a failed open leaves no device behind";
    EXPECT_EQ(CDAUDIO_OPEN_FAILED, cd.Stop() & 0xFFFFu);
    EXPECT_EQ(-1, cd.DeviceId());
    // Nothing was ever opened, so closing has nothing to do.
    EXPECT_EQ(CDAUDIO_OK, cd.Close());
}
