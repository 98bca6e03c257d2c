#include "platform/CdAudio.h"

#include <cdio/cdio.h>
#include <cdio/audio.h>
#include <cdio/logging.h>
#include <cdio/track.h>

#include <mutex>

// libcdio's audio control on the default drive. The drive plays on its own
// once started, so each operation opens it, gives its command and lets go.
namespace {
// libcdio's codes are negative; the log has always shown their size.
CdAudioStatus Failed(CdAudioOutcome outcome, int err) {
    return {outcome, static_cast<uint32_t>(err < 0 ? -err : err)};
}

// libcdio reports a missing drive on stderr by default; the saver runs on quietly.
void Quiet(cdio_log_level_t, const char*) {}

CdIo_t* OpenDrive() {
    static std::once_flag quiet;
    std::call_once(quiet, [] { cdio_log_set_handler(&Quiet); });
    return cdio_open(nullptr, DRIVER_DEVICE);
}
}  // namespace

CdAudioStatus CCdAudio::DrivePlay(uint32_t track) {
    CdIo_t* cd = OpenDrive();
    if (!cd) return Failed(CdAudioOutcome::OpenFailed, DRIVER_OP_NO_DRIVER);
    m_DeviceId = 0;  // no device numbers here: 0 says the drive was opened
    CdAudioStatus status;
    msf_t from{}, to{};
    const track_t first = cdio_get_first_track_num(cd);
    const track_t count = cdio_get_num_tracks(cd);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        status = Failed(CdAudioOutcome::NotAddressable, DRIVER_OP_ERROR);  // no disc we can address
    } else if (track < first || track >= static_cast<uint32_t>(first) + count ||
               !cdio_get_track_msf(cd, static_cast<track_t>(track), &from) ||
               !cdio_get_track_msf(cd, CDIO_CDROM_LEADOUT_TRACK, &to)) {
        status = Failed(CdAudioOutcome::PlayFailed, DRIVER_OP_BAD_PARAMETER);
    } else {
        const driver_return_code_t rc = cdio_audio_play_msf(cd, &from, &to);
        if (rc != DRIVER_OP_SUCCESS) status = Failed(CdAudioOutcome::PlayFailed, rc);
    }
    cdio_destroy(cd);
    return status;
}

CdAudioStatus CCdAudio::DriveStop() {
    CdIo_t* cd = OpenDrive();
    if (!cd) return Failed(CdAudioOutcome::OpenFailed, DRIVER_OP_NO_DRIVER);
    m_DeviceId = 0;
    const driver_return_code_t rc = cdio_audio_stop(cd);
    cdio_destroy(cd);
    return rc == DRIVER_OP_SUCCESS ? CdAudioStatus{} : Failed(CdAudioOutcome::StopFailed, rc);
}

// Nothing stays open between operations.
void CCdAudio::DriveClose(int32_t) {}
