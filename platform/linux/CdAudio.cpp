#include "platform/CdAudio.h"

#include <cdio/cdio.h>
#include <cdio/audio.h>
#include <cdio/logging.h>
#include <cdio/track.h>

#include <mutex>

#include "platform/linux/LateLibrary.h"

// libcdio's audio control on the default drive. The drive plays on its own
// once started, so each operation opens it, gives its command and lets go.
namespace {
// Loaded with the first CD command: most runs never play a disc.
#define CDIO_CALLS(X)                                                                                       \
    X(log_set_handler) X(open) X(destroy) X(get_first_track_num) X(get_num_tracks) X(get_track_msf) \
    X(audio_play_msf) X(audio_stop)
#define CDIO_CALLS_MEMBER(name) MG_LATE_MEMBER(cdio_, name)
#define CDIO_CALLS_BIND(name) MG_LATE_BIND(cdio_, name)
struct CdioCalls {
    CDIO_CALLS(CDIO_CALLS_MEMBER)
};

// Null when the library or one of its calls cannot be had: to the saver,
// the same as a machine without a drive.
const CdioCalls* Cdio() {
    return LateCalls<CdioCalls>("libcdio.so.19",
                                [](LateLibrary& lib, CdioCalls& calls) { CDIO_CALLS(CDIO_CALLS_BIND) });
}
#undef CDIO_CALLS_BIND
#undef CDIO_CALLS_MEMBER
#undef CDIO_CALLS

// libcdio's codes are negative; the log has always shown their size.
CdAudioStatus Failed(CdAudioOutcome outcome, int err) {
    return {outcome, static_cast<uint32_t>(err < 0 ? -err : err)};
}

// libcdio reports a missing drive on stderr by default; the saver runs on quietly.
void Quiet(cdio_log_level_t, const char*) {}

CdIo_t* OpenDrive() {
    const CdioCalls* cdio = Cdio();
    if (!cdio) return nullptr;
    static std::once_flag quiet;
    std::call_once(quiet, [cdio] { cdio->log_set_handler(&Quiet); });
    return cdio->open(nullptr, DRIVER_DEVICE);
}
}  // namespace

CdAudioStatus CCdAudio::DrivePlay(uint32_t track) {
    CdIo_t* cd = OpenDrive();
    if (!cd) return Failed(CdAudioOutcome::OpenFailed, DRIVER_OP_NO_DRIVER);
    m_DeviceId = 0;  // no device numbers here: 0 says the drive was opened
    CdAudioStatus status;
    msf_t from{}, to{};
    const track_t first = Cdio()->get_first_track_num(cd);
    const track_t count = Cdio()->get_num_tracks(cd);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        status = Failed(CdAudioOutcome::NotAddressable, DRIVER_OP_ERROR);  // no disc we can address
    } else if (track < first || track >= static_cast<uint32_t>(first) + count ||
               !Cdio()->get_track_msf(cd, static_cast<track_t>(track), &from) ||
               !Cdio()->get_track_msf(cd, CDIO_CDROM_LEADOUT_TRACK, &to)) {
        status = Failed(CdAudioOutcome::PlayFailed, DRIVER_OP_BAD_PARAMETER);
    } else {
        const driver_return_code_t rc = Cdio()->audio_play_msf(cd, &from, &to);
        if (rc != DRIVER_OP_SUCCESS) status = Failed(CdAudioOutcome::PlayFailed, rc);
    }
    Cdio()->destroy(cd);
    return status;
}

CdAudioStatus CCdAudio::DriveStop() {
    CdIo_t* cd = OpenDrive();
    if (!cd) return Failed(CdAudioOutcome::OpenFailed, DRIVER_OP_NO_DRIVER);
    m_DeviceId = 0;
    const driver_return_code_t rc = Cdio()->audio_stop(cd);
    Cdio()->destroy(cd);
    return rc == DRIVER_OP_SUCCESS ? CdAudioStatus{} : Failed(CdAudioOutcome::StopFailed, rc);
}

// Nothing stays open between operations.
void CCdAudio::DriveClose(int32_t) {}
