#include "platform/Sound.h"

#include <SDL2/SDL.h>
#include <X11/Xlib.h>

#include "platform/linux/LateLibrary.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

// Waves through SDL's audio, mixed by our own callback into one fixed device
// format; the beep is the X server's bell, or a short tone of our own when no
// display can be reached. Audio is opened on the first sound only, so a saver
// that makes none never touches the sound system; SDL itself is loaded then
// too, so such a saver does not even map it and the fifty libraries it brings.
namespace {
// The SDL calls the service makes, looked up in the library when first needed.
#define SDL_CALLS(X) \
    X(SetHint) X(InitSubSystem) X(QuitSubSystem) X(OpenAudioDevice) X(CloseAudioDevice) X(PauseAudioDevice) \
    X(LockAudioDevice) X(UnlockAudioDevice) X(RWFromFile) X(LoadWAV_RW) X(FreeWAV) X(BuildAudioCVT) \
    X(ConvertAudio)
#define SDL_CALLS_MEMBER(name) MG_LATE_MEMBER(SDL_, name)
#define SDL_CALLS_BIND(name) MG_LATE_BIND(SDL_, name)
struct SdlCalls {
    SDL_CALLS(SDL_CALLS_MEMBER)
};

// The first attempt decides; the library stays loaded for the process's life.
const SdlCalls* Sdl() {
    return LateCalls<SdlCalls>("libSDL2-2.0.so.0", [](LateLibrary& lib, SdlCalls& calls) {
        SDL_CALLS(SDL_CALLS_BIND)
    });
}
#undef SDL_CALLS_BIND
#undef SDL_CALLS_MEMBER
#undef SDL_CALLS

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kBeepMs = 150;
constexpr double kBeepHz = 880.0;
constexpr double kTwoPi = 6.283185307179586;

class SdlSound : public SoundService {
public:
    ~SdlSound() override {
        if (m_Device) Sdl()->CloseAudioDevice(m_Device);
        if (m_AudioOpened) Sdl()->QuitSubSystem(SDL_INIT_AUDIO);
        if (m_Display) XCloseDisplay(m_Display);
    }

    bool PlayWave(const std::string& path, bool loop) override {
        std::lock_guard<std::mutex> lock(m_Mutex);
        // The file first: one that cannot be read never opens the audio device.
        std::vector<int16_t> samples;
        if (path.empty() || !LoadWave(path, samples) || !OpenAudio()) return false;
        Sdl()->LockAudioDevice(m_Device);
        m_Wave.swap(samples);
        m_WavePos = 0;
        m_Loop = loop;
        Sdl()->UnlockAudioDevice(m_Device);
        return true;
    }

    void Stop() override {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (!m_Device) return;
        Sdl()->LockAudioDevice(m_Device);
        m_Wave.clear();
        m_WavePos = 0;
        m_TonePos = m_Tone.size();
        Sdl()->UnlockAudioDevice(m_Device);
    }

    void Beep() override {
        std::lock_guard<std::mutex> lock(m_Mutex);
        if (OpenDisplay()) {
            XBell(m_Display, 0);
            XFlush(m_Display);
            return;
        }
        if (!OpenAudio()) return;
        Sdl()->LockAudioDevice(m_Device);
        m_TonePos = 0;  // a beep during a beep starts it over
        Sdl()->UnlockAudioDevice(m_Device);
    }

private:
    // The first attempt decides: a machine without audio is not asked again on
    // every frame of a beeping alarm.
    bool OpenAudio() {
        if (m_AudioTried) return m_Device != 0;
        m_AudioTried = true;
        const SdlCalls* sdl = Sdl();
        if (!sdl) return false;
        // The program handles its own termination signals.
        sdl->SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        if (sdl->InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
        m_AudioOpened = true;
        SDL_AudioSpec want{};
        want.freq = kRate;
        want.format = AUDIO_S16SYS;
        want.channels = kChannels;
        want.samples = 1024;
        want.callback = &SdlSound::Fill;
        want.userdata = this;
        // No changes allowed: SDL converts to the device, our buffers stay in one format.
        m_Device = sdl->OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
        if (!m_Device) return false;
        MakeTone();
        sdl->PauseAudioDevice(m_Device, 0);
        return true;
    }

    bool OpenDisplay() {
        if (!m_DisplayTried) {
            m_DisplayTried = true;
            m_Display = XOpenDisplay(nullptr);
        }
        return m_Display != nullptr;
    }

    void MakeTone() {
        const size_t frames = static_cast<size_t>(kRate) * kBeepMs / 1000;
        m_Tone.resize(frames * kChannels);
        for (size_t i = 0; i < frames; ++i) {
            // A short fade at both ends keeps the tone from clicking.
            const double edge = std::min(1.0, std::min(i, frames - i) / 200.0);
            const double v = 6000.0 * edge * std::sin(kTwoPi * kBeepHz * static_cast<double>(i) / kRate);
            for (int c = 0; c < kChannels; ++c) m_Tone[i * kChannels + c] = static_cast<int16_t>(v);
        }
        m_TonePos = m_Tone.size();
    }

    // The file in the device's format, or false when it is not a wave SDL reads.
    static bool LoadWave(const std::string& path, std::vector<int16_t>& out) {
        const SdlCalls* sdl = Sdl();
        if (!sdl) return false;
        SDL_AudioSpec wav{};
        Uint8* buf = nullptr;
        Uint32 len = 0;
        if (!sdl->LoadWAV_RW(sdl->RWFromFile(path.c_str(), "rb"), 1, &wav, &buf, &len)) return false;
        SDL_AudioCVT cvt{};
        bool ok = sdl->BuildAudioCVT(&cvt, wav.format, wav.channels, wav.freq, AUDIO_S16SYS, kChannels, kRate) >= 0;
        if (ok) {
            std::vector<Uint8> work(static_cast<size_t>(len) * static_cast<size_t>(cvt.len_mult));
            std::memcpy(work.data(), buf, len);
            cvt.buf = work.data();
            cvt.len = static_cast<int>(len);
            ok = cvt.needed == 0 || sdl->ConvertAudio(&cvt) == 0;
            const size_t bytes = cvt.needed ? static_cast<size_t>(cvt.len_cvt) : len;
            out.assign(reinterpret_cast<const int16_t*>(work.data()),
                       reinterpret_cast<const int16_t*>(work.data()) + bytes / sizeof(int16_t));
        }
        sdl->FreeWAV(buf);
        return ok;
    }

    // Runs on SDL's audio thread with the device locked.
    static void Fill(void* self, Uint8* stream, int len) {
        auto* s = static_cast<SdlSound*>(self);
        auto* out = reinterpret_cast<int16_t*>(stream);
        const size_t n = static_cast<size_t>(len) / sizeof(int16_t);
        for (size_t i = 0; i < n; ++i) {
            int32_t v = 0;
            if (!s->m_Wave.empty()) {
                v += s->m_Wave[s->m_WavePos++];
                if (s->m_WavePos >= s->m_Wave.size()) {
                    s->m_WavePos = 0;
                    if (!s->m_Loop) s->m_Wave.clear();
                }
            }
            if (s->m_TonePos < s->m_Tone.size()) v += s->m_Tone[s->m_TonePos++];
            out[i] = static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
        }
    }

    std::mutex m_Mutex;  // the callers' side; the audio thread uses the device lock
    bool m_AudioTried = false;
    bool m_AudioOpened = false;
    SDL_AudioDeviceID m_Device = 0;
    std::vector<int16_t> m_Wave;
    size_t m_WavePos = 0;
    bool m_Loop = false;
    std::vector<int16_t> m_Tone;
    size_t m_TonePos = 0;
    bool m_DisplayTried = false;
    Display* m_Display = nullptr;
};
}  // namespace

std::unique_ptr<SoundService> MakePlatformSoundService() { return std::make_unique<SdlSound>(); }
