#include "platform/CdAudio.h"

#include <atomic>

namespace {
std::atomic<CdAudioCalls*> g_Replacement{nullptr};
}  // namespace

void SetCdAudioForTests(CdAudioCalls* replacement) { g_Replacement.store(replacement); }

uint32_t CCdAudio::Play(uint32_t track) {
    m_Track = track;
    if (CdAudioCalls* r = g_Replacement.load()) return r->Play(track);
    return DrivePlay(track);
}

uint32_t CCdAudio::Stop() {
    if (CdAudioCalls* r = g_Replacement.load()) return r->Stop();
    return DriveStop();
}

uint32_t CCdAudio::Close() {
    if (CdAudioCalls* r = g_Replacement.load()) return r->Close();
    if (m_DeviceId == -1) return CDAUDIO_OK;
    const uint32_t status = DriveStop();
    DriveClose(m_DeviceId);
    return status;
}
