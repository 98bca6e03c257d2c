#include "platform/Sound.h"

#include <atomic>

// Placeholder until the audio back end lands: every call is a quiet no-op.
namespace {
class SilentSound : public SoundService {
public:
    bool PlayWave(const std::string&, bool) override { return false; }
    void Stop() override {}
    void Beep() override {}
};
std::atomic<SoundService*> g_Replacement{nullptr};
}  // namespace

SoundService& Sound() {
    static SilentSound platformSound;
    SoundService* r = g_Replacement.load();
    return r ? *r : platformSound;
}

void SetSoundServiceForTests(SoundService* replacement) { g_Replacement.store(replacement); }
