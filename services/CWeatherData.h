// The outdoor temperature for a zip code, in the top-right corner: extruded
// digits coloured from blue (cold) to red (hot), circled by a particle swirl
// of the same colour. A worker thread fetches the vendor's weather report
// every 30 minutes; the render thread reads what it found. Owns the
// "<WeatherData>" configuration section.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/Download.h"
#include "render/COutlineFont.h"
#include "scene/CEmitter.h"
#include "xlib/BoundedWorker.h"
#include "xlib/SaverModule.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

class CWeatherData : public TabledModule<CWeatherData> {
public:
    // The keys of a report, in the order the service sends them.
    static constexpr int kKeyCount = 16;
    static const char* const kKeys[kKeyCount];
    // The temperature text before the first report: drawn as nothing.
    static constexpr const char* kNoTemperature = "1000";
    // Minutes between downloads, failed ones included.
    static constexpr double kIntervalMinutes = 30.0;
    // A report is a few hundred bytes: anything near this is no report.
    static constexpr size_t kReplyMaxBytes = 256 * 1024;

    // The local time the worker goes by; tests hand in a clock of their own.
    using NowSource = XDateTime (*)();

    CWeatherData();
    // Stops the worker; leaves the font's lists alone (see Release).
    ~CWeatherData();
    CWeatherData(const CWeatherData&) = delete;
    CWeatherData& operator=(const CWeatherData&) = delete;

    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CWeatherData>& Settings();
    // Builds the report request and the font (the OpenGL context must be current).
    void Setup(const SceneContext& scene) override { Setup(scene.width, scene.height, scene.deviceContext); }
    void Setup(int32_t width, int32_t height, void* dc);
    void Process(const XDateTime& now) override;
    void Draw(const XDateTime& now) override;
    // Deletes the font's display lists; the context must be current.
    void Release() override;

    // A copy of the zip code (for the settings dialog).
    XString GetZipCode() const { return ZipCode; }
    bool IsShown() const { return !ZipCode.IsEmpty() && DisplayTemp; }

    // One round of the worker at `now`: downloads the report when the
    // temperature is shown and 30 minutes have passed since the last try.
    // True when it tried.
    bool PollOnce(const XDateTime& now);
    // Takes every key of a report whose value is not empty.
    void TakeReply(const XString& reply);
    // The last reported value of a key (kKeys), or empty.
    XString GetValue(const char* key) const;
    XString GetTemperatureText() const { return GetValue("Temp"); }
    // What Draw writes of a reported text: its first kMaxDrawnChars
    // characters. The stored value stays whole; a server's endless text must
    // not cost a frame per letter.
    static constexpr unsigned kMaxDrawnChars = 16;
    static XString DrawnText(const XString& text);
    // The colour for a temperature in degrees Fahrenheit: blue, cyan, green,
    // yellow and red at 35, 53.75, 72.5, 91.25 and 110, straight lines between.
    static void TemperatureColour(double t, float rgb[3]);

    void SetNowSource(NowSource now) { m_Now = now ? now : LocalNow; }
    bool IsThreadRunning() const { return m_Worker.IsRunning(); }

    XString DataUrl;
    COutlineFont Font;
    int32_t SpinAngle;   // degrees about X; -1 = no spin in progress
    int32_t SwirlAngle;  // 0..350 in steps of 10
    XDateTime LastSpin;
    CEmitter Swirl;
    XString ZipCode;
    bool DisplayTemp;
    XString ProviderText;
    XString ProviderUrl;

private:
    friend bool StartWeatherThread(CWeatherData& weather);
    friend void StopWeatherThread(CWeatherData& weather);
    static void InstanceThread(CWeatherData* self);
    static XDateTime LocalNow();
    void BuildDataUrl();

    // The reported values: written by the worker, read by the render thread.
    // A lock of their own, so no configuration load can hold up a frame.
    mutable std::mutex m_ValuesMutex;
    XString m_Values[kKeyCount];

    XDateTime m_LastDownload;
    NowSource m_Now = LocalNow;
    std::atomic<bool> m_Quit{false};
    std::mutex m_WaitMutex;
    std::condition_variable m_Wake;  // the worker's wait between downloads
    DownloadStop m_DownloadStop;
    BoundedWorker m_Worker;
};

// Sets the temperature to "1000" (none yet) and starts the worker, unless the
// temperature is hidden: no worker is needed then, and none is started. False
// (and a run-log entry) when the thread could not be started, or when the
// worker of an earlier run is still running (it outlived its stop): its state
// is then left as it is and no second worker starts beside it.
bool StartWeatherThread(CWeatherData& weather);
// Ends the worker at once, a download in progress included, and waits for it
// (BoundedWorker::kStopLimitMs at most; a worker that does not end by then is
// let go).
void StopWeatherThread(CWeatherData& weather);
