#include "platform/Sound.h"

#include "platform/win32/WinInclude.h"

#include <mmsystem.h>

// The multimedia wave player and the message beep. SND_NODEFAULT: a missing
// file must give silence, not the system's default sound.
namespace {
class WinSound : public SoundService {
public:
    bool PlayWave(const std::string& path, bool loop) override {
        // An asynchronous play reports success before it has looked at the file.
        const DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
        DWORD flags = SND_FILENAME | SND_ASYNC | SND_NODEFAULT;
        if (loop) flags |= SND_LOOP;
        return PlaySoundA(path.c_str(), nullptr, flags) != FALSE;
    }
    void Stop() override { PlaySoundA(nullptr, nullptr, 0); }
    void Beep() override { MessageBeep(0); }
};
}  // namespace

std::unique_ptr<SoundService> MakePlatformSoundService() { return std::make_unique<WinSound>(); }
