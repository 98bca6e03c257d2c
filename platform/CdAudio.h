// The computer's audio CD drive: play the disc from a track to its end, stop
// it, let go of it. Every call opens the drive for itself and lets it go again;
// the disc goes on playing in between. With no drive, no disc or a busy device
// a call fails quietly and says why in its status.
#pragma once

#include <cstdint>

enum class CdAudioOutcome {
    Ok,
    OpenFailed,      // no drive, or it could not be opened
    NotAddressable,  // no disc that can be addressed by track
    PlayFailed,      // the disc has no such track, or refused to play
    StopFailed,
};

struct CdAudioStatus {
    CdAudioOutcome outcome = CdAudioOutcome::Ok;
    // The device's own error number where it gave one, for the log.
    uint32_t deviceError = 0;

    bool Ok() const { return outcome == CdAudioOutcome::Ok; }
};

// The status as one word, the form test output and problem reports show it
// in: 0 when it went well; else the device's error in the upper 16 bits and the
// outcome in the lower 16 (FFFD open, FFFC not addressable, FFFB play, 0 stop).
uint32_t CdAudioStatusWord(const CdAudioStatus& status);

// What a test puts in place of the drive.
class CdAudioCalls {
public:
    virtual ~CdAudioCalls() = default;
    virtual CdAudioStatus Play(uint32_t track) = 0;
    virtual CdAudioStatus Stop() = 0;
    virtual CdAudioStatus Close() = 0;
};
// While set, every CCdAudio call goes to `replacement`; nullptr restores the drive.
void SetCdAudioForTests(CdAudioCalls* replacement);

class CCdAudio {
public:
    // From the start of `track` to the end of the disc; remembers the track.
    CdAudioStatus Play(uint32_t track);
    CdAudioStatus Stop();
    // When the drive was ever opened: stop it and close the last device.
    CdAudioStatus Close();

    // The device of the last successful open; -1 until there was one.
    int32_t DeviceId() const { return m_DeviceId; }
    uint32_t Track() const { return m_Track; }

private:
    // The drive itself, one implementation per platform. A successful open
    // stores its device in m_DeviceId.
    CdAudioStatus DrivePlay(uint32_t track);
    CdAudioStatus DriveStop();
    void DriveClose(int32_t device);

    int32_t m_DeviceId = -1;
    uint32_t m_Track = 0;
};
