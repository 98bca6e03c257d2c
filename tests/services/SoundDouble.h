// A sound service that only counts what it was asked to do, installed for the
// life of the object.
#pragma once

#include <string>
#include <vector>

#include "platform/Sound.h"

class CountingSound : public SoundService {
public:
    struct Play {
        std::string path;
        bool loop;
    };
    CountingSound() { SetSoundServiceForTests(this); }
    ~CountingSound() override { SetSoundServiceForTests(nullptr); }

    bool PlayWave(const std::string& path, bool loop) override {
        plays.push_back({path, loop});
        return true;
    }
    void Stop() override { ++stops; }
    void Beep() override { ++beeps; }

    int beeps = 0;
    int stops = 0;
    std::vector<Play> plays;
};
