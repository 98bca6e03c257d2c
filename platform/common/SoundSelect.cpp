#include "platform/Sound.h"

#include <atomic>

namespace {
std::atomic<SoundService*> g_Replacement{nullptr};
}  // namespace

SoundService& Sound() {
    // Never destroyed: modules stop their sounds from destructors that may run
    // during static destruction, after a function-local service would be gone.
    static SoundService* platformSound = MakePlatformSoundService().release();
    SoundService* r = g_Replacement.load();
    return r ? *r : *platformSound;
}

void SetSoundServiceForTests(SoundService* replacement) { g_Replacement.store(replacement); }
