#include "tests/TestWave.h"

namespace {
void Put(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

TestWave MakeTestWave(int rate, int channels, int bits, int frames) {
    TestWave w;
    w.rate = rate;
    w.channels = channels;
    w.bits = bits;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const int step = (i + 37 * c) % 400;
            w.samples.push_back(static_cast<int16_t>(bits == 8 ? 160 + step / 8 : (c % 2 ? -1 : 1) * (1000 + step * 10)));
        }
    return w;
}

std::string TestWaveFile(const TestWave& wave) {
    const uint32_t bytesPerSample = static_cast<uint32_t>(wave.bits / 8);
    const uint32_t dataBytes = static_cast<uint32_t>(wave.samples.size()) * bytesPerSample;
    std::string out = "RIFF";
    Put(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    Put(out, 16, 4);
    Put(out, 1, 2);  // PCM
    Put(out, static_cast<uint32_t>(wave.channels), 2);
    Put(out, static_cast<uint32_t>(wave.rate), 4);
    Put(out, static_cast<uint32_t>(wave.rate * wave.channels) * bytesPerSample, 4);
    Put(out, static_cast<uint32_t>(wave.channels) * bytesPerSample, 2);
    Put(out, static_cast<uint32_t>(wave.bits), 2);
    out += "data";
    Put(out, dataBytes, 4);
    for (int16_t s : wave.samples) Put(out, static_cast<uint16_t>(s), static_cast<int>(bytesPerSample));
    return out;
}
