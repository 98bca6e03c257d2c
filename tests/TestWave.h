// Small wave files the sound tests write for themselves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// PCM samples, interleaved by channel, 8-bit (unsigned) or 16-bit (signed).
struct TestWave {
    int rate = 44100;
    int channels = 2;
    int bits = 16;
    std::vector<int16_t> samples;  // 8-bit waves keep their bytes here, 0..255
};

// A wave of `frames` frames, never silent: sample i of channel c follows a
// saw-tooth pattern that differs from channel to channel.
TestWave MakeTestWave(int rate, int channels, int bits, int frames);
// The RIFF file of the wave.
std::string TestWaveFile(const TestWave& wave);
