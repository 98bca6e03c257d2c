// The computer's audio CD drive: play the disc from a track to its end, stop
// it, let go of it. Every call opens the drive for itself and lets it go again;
// the disc goes on playing in between. With no drive, no disc or a busy device
// a call fails quietly and says why in its status word.
#pragma once

#include <cstdint>

// Status words: 0 on success; otherwise the device's own error number in the
// upper 16 bits and, in the lower 16, the step that failed.
enum : uint32_t {
    CDAUDIO_OK = 0,
    CDAUDIO_OPEN_FAILED = 0xFFFD,
    CDAUDIO_TIME_FORMAT_FAILED = 0xFFFC,  // the disc could not be addressed by track
    CDAUDIO_PLAY_FAILED = 0xFFFB,
};

// What a test puts in place of the drive.
class CdAudioCalls {
public:
    virtual ~CdAudioCalls() = default;
    virtual uint32_t Play(uint32_t track) = 0;
    virtual uint32_t Stop() = 0;
    virtual uint32_t Close() = 0;
};
// While set, every CCdAudio call goes to `replacement`; nullptr restores the drive.
void SetCdAudioForTests(CdAudioCalls* replacement);

class CCdAudio {
public:
    // From the start of `track` to the end of the disc; remembers the track.
    uint32_t Play(uint32_t track);
    uint32_t Stop();
    // When the drive was ever opened: stop it and close the last device.
    uint32_t Close();

    // The device of the last successful open; -1 until there was one.
    int32_t DeviceId() const { return m_DeviceId; }
    uint32_t Track() const { return m_Track; }

private:
    // The drive itself, one implementation per platform. A successful open
    // stores its device in m_DeviceId.
    uint32_t DrivePlay(uint32_t track);
    uint32_t DriveStop();
    void DriveClose(int32_t device);

    int32_t m_DeviceId = -1;
    uint32_t m_Track = 0;
};
