#include "platform/win32/WinInclude.h"

#include <mmsystem.h>

#include "platform/CdAudio.h"

// The predefined CD audio device through the multimedia command interface, with
// no notification window. Each operation opens the device for itself.
namespace {
CdAudioStatus Failed(CdAudioOutcome outcome, MCIERROR err) { return {outcome, static_cast<uint32_t>(err)}; }

MCIERROR Send(MCIDEVICEID id, UINT msg, DWORD_PTR flags, void* params) {
    return mciSendCommandA(id, msg, flags, reinterpret_cast<DWORD_PTR>(params));
}

// The new device in `id`, or the failed open's status.
CdAudioStatus Open(MCIDEVICEID& id) {
    MCI_OPEN_PARMSA open{};
    open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<DWORD_PTR>(MCI_DEVTYPE_CD_AUDIO));
    const MCIERROR err = Send(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID, &open);
    if (err) return Failed(CdAudioOutcome::OpenFailed, err);
    id = open.wDeviceID;
    return {};
}
}  // namespace

CdAudioStatus CCdAudio::DrivePlay(uint32_t track) {
    MCIDEVICEID id = 0;
    const CdAudioStatus opened = Open(id);
    if (!opened.Ok()) return opened;
    m_DeviceId = static_cast<int32_t>(id);
    MCI_SET_PARMS set{};
    set.dwTimeFormat = MCI_FORMAT_TMSF;
    MCIERROR err = Send(id, MCI_SET, MCI_SET_TIME_FORMAT, &set);
    if (err) {
        DriveClose(m_DeviceId);
        return Failed(CdAudioOutcome::NotAddressable, err);
    }
    MCI_PLAY_PARMS play{};
    play.dwFrom = MCI_MAKE_TMSF(track, 0, 0, 0);
    err = Send(id, MCI_PLAY, MCI_FROM, &play);
    // The drive plays on after the close; a failed play must not keep the device either.
    DriveClose(m_DeviceId);
    return err ? Failed(CdAudioOutcome::PlayFailed, err) : CdAudioStatus{};
}

CdAudioStatus CCdAudio::DriveStop() {
    MCIDEVICEID id = 0;
    const CdAudioStatus opened = Open(id);
    if (!opened.Ok()) return opened;
    m_DeviceId = static_cast<int32_t>(id);
    MCI_GENERIC_PARMS stop{};
    const MCIERROR err = Send(id, MCI_STOP, 0, &stop);
    DriveClose(m_DeviceId);
    return err ? Failed(CdAudioOutcome::StopFailed, err) : CdAudioStatus{};
}

void CCdAudio::DriveClose(int32_t device) {
    MCI_GENERIC_PARMS close{};
    Send(static_cast<MCIDEVICEID>(device), MCI_CLOSE, 0, &close);
}
