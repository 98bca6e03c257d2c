#include "platform/CdAudio.h"

#include <atomic>

namespace {
std::atomic<CdAudioCalls*> g_Replacement{nullptr};
}  // namespace

uint32_t CdAudioStatusWord(const CdAudioStatus& status) {
    uint32_t step = 0;
    switch (status.outcome) {
        case CdAudioOutcome::Ok: return 0;
        case CdAudioOutcome::OpenFailed: step = 0xFFFD; break;
        case CdAudioOutcome::NotAddressable: step = 0xFFFC; break;
        case CdAudioOutcome::PlayFailed: step = 0xFFFB; break;
        case CdAudioOutcome::StopFailed: step = 0; break;
    }
    return ((status.deviceError & 0xFFFFu) << 16) | step;
}

void SetCdAudioForTests(CdAudioCalls* replacement) { g_Replacement.store(replacement); }

CdAudioStatus CCdAudio::Play(uint32_t track) {
    m_Track = track;
    if (CdAudioCalls* r = g_Replacement.load()) return r->Play(track);
    return DrivePlay(track);
}

CdAudioStatus CCdAudio::Stop() {
    if (CdAudioCalls* r = g_Replacement.load()) return r->Stop();
    return DriveStop();
}

CdAudioStatus CCdAudio::Close() {
    if (CdAudioCalls* r = g_Replacement.load()) return r->Close();
    if (m_DeviceId == -1) return {};
    const CdAudioStatus status = DriveStop();
    DriveClose(m_DeviceId);
    return status;
}
