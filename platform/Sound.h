// Sounds the program makes: a wave file played once or looped, the end of all
// sounds it started, and the system's default beep. One sound plays at a time;
// a new one replaces the one playing. Failures are silent by design (a missing
// wave file gives silence), but each call reports whether it worked so callers
// and tests can tell.
#pragma once

#include <memory>
#include <string>

class SoundService {
public:
    virtual ~SoundService() = default;
    // Starts `path` without waiting for it to finish; `loop` repeats it until Stop.
    virtual bool PlayWave(const std::string& path, bool loop) = 0;
    // Ends whatever this process is playing; nothing playing is not an error.
    virtual void Stop() = 0;
    // The default beep. It sounds beside a playing wave rather than cutting it off.
    virtual void Beep() = 0;
};

// The process-wide service every module calls.
SoundService& Sound();
// Tests put a double in place of the platform's service; nullptr restores it.
void SetSoundServiceForTests(SoundService* replacement);
// A separate instance of the platform's service, for tests that watch what it
// really plays. The audio device is opened on the first sound, not before, and
// closed when the instance goes.
std::unique_ptr<SoundService> MakePlatformSoundService();
