// The date-and-time overlay: a line of date and time, the name of today's
// holiday above it and a two-line countdown at the foot of the screen, in
// extruded outline letters that spin every 15 seconds. Owns the "<DateTime>"
// configuration section, including the clock-setting choices and the list of
// time servers offered for them.
#pragma once

#include <atomic>
#include <cstdint>

#include "render/COutlineFont.h"
#include "services/CColorCycler.h"
#include "xlib/SaverModule.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"
#include "xlib/XStringArray.h"

class CSystemDateTime : public TabledModule<CSystemDateTime> {
public:
    static constexpr int kDateFormatCount = 107;
    // The date formats the settings offer, in the order they are offered.
    static const char* const kDateFormats[kDateFormatCount];
    // Marks the unpadded twin of a format; removed before formatting.
    static constexpr const char* kNoPadding = " [No Padding]";
    static constexpr const char* kCacheFileName = "TimeServerCache.dat";
    // The longest text drawn on one line: a screen shows well under half of it,
    // and a longer one would only cost frame time.
    static constexpr unsigned kMaxTextLength = 200;

    // Fetches the vendor's time-server list reply; false when the download failed.
    using TimeServerListFetch = bool (*)(XString& reply);
    // Replaces the list download (tests); null restores the built-in one. A
    // failed download is logged once a run; replacing the download starts
    // that count afresh.
    static void SetTimeServerListFetch(TimeServerListFetch fetch);

    // Downloads url into `into` for the clock synchronisation; false on failure
    // (with the error text in `into`). Replaces the download for tests; null
    // restores XString::DownloadFile.
    using TimeFetch = bool (*)(XString& into, const char* url);
    static void SetTimeFetchForTests(TimeFetch fetch);
    // Sets the computer's clock; tests put a recorder in its place so that no
    // test ever changes the clock. Null restores XDateTime::SetSystemClock.
    using ClockSetter = bool (*)(const XDateTime& value);
    static void SetClockSetterForTests(ClockSetter setter);

    CSystemDateTime();
    // Leaves the font's lists alone: they belong to a context that may be gone
    // by now. Release them with Release while the context is current.
    ~CSystemDateTime() = default;
    CSystemDateTime(const CSystemDateTime&) = delete;
    CSystemDateTime& operator=(const CSystemDateTime&) = delete;

    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CSystemDateTime>& Settings();
    // Builds the font (the OpenGL context must be current) and starts both colours.
    void Setup(const SceneContext& scene) override { Setup(scene.width, scene.height, scene.deviceContext); }
    void Setup(int32_t width, int32_t height, void* dc);
    void Process(const XDateTime& now) override;
    void Draw(const XDateTime& now) override;
    // Deletes the font's display lists; the context must be current.
    void Release() override;

    // Fills the time-server list from today's cache file or from the vendor's
    // service; false with `error` set when neither gave one. Blocks for the
    // download: Default never calls it (see DefaultTimeServerList).
    bool DownloadTimeServerList(XString& error);
    // The same into `list`, for any thread.
    static bool FetchTimeServerList(XStringArray& list, XString& error);
    // The failed download's run-log entry, written once a run.
    static void LogTimeServerListFailure(const XString& error);
    // Ends the background list download at once, if one runs, and waits for
    // its thread (a process that ends otherwise need not call it).
    static void StopTimeServerListRefresh();
    // Waits up to `ms` for the background download to end (tests); true once none runs.
    static bool WaitTimeServerListRefresh(unsigned ms);
    // Between the two, a background download that would start (it loads
    // and starts the web client: some 10 ms on the asking thread) is only
    // noted, and starts at the release, on the releasing thread. A saver
    // process holds it from its start until its render thread runs, so
    // that its first frame does not wait for it.
    static void HoldTimeServerListRefresh();
    static void ReleaseTimeServerListRefresh();
    // A module left without servers (defaults or a file before the first
    // download had ended) takes the list of the background download once it
    // has ended; true when that filled the list. Called on the module's own
    // thread (each Write calls it): the download never writes into a module.
    bool TakeRefreshedList();
    // Whether TakeRefreshedList has a list to take (cheap, for every frame).
    bool HasArrivedList() const;
    // The list TakeRefreshedList would take, left where it is; false when it would take none.
    bool PeekRefreshedList(XStringArray& list) const;

    // Sets the computer's clock from the chosen time server (an exit task).
    void ProcessAtomicTime();
    // The vendor's time request for the current UTC time.
    static XString VendorTimeRequest();

    // Whether any part of the overlay is switched on.
    bool IsAnythingShown() const;
    // The texts Draw puts on the screen for `now`.
    XString DateTimeLine(const XDateTime& now) const;
    XString HolidayLine(const XDateTime& now) const;
    XString CountDownText(const XDateTime& now) const;
    static XString CountDownText(const XDateTimeSpan& span);
    // The format with every " [No Padding]" removed.
    static XString StripNoPadding(const char* format);
    // The full path of the time-server cache file.
    static XString CacheFilePath();

    COutlineFont Font;
    int32_t SpinAngle;  // degrees about X; -1 = no spin in progress
    XDateTime LastSpin;
    CColorCycler CountDownColor;
    CColorCycler TimeColor;

    bool SetTime;
    XString TimeServer;
    XString HolidaysFor;
    bool DisplayTime;
    bool DisplayDate;
    bool DisplayHolidays;
    bool DisplayMoonPhase;
    XString Format;
    bool EnableCountDown;
    XDateTime CountDownTo;
    XString CountDownMessage;
    bool CycleRed, CycleGreen, CycleBlue;
    bool CycleTimeRed, CycleTimeGreen, CycleTimeBlue;
    XStringArray TimeServers;

private:
    void DrawLine(const char* text, const CColorCycler& color, float x, float y, uint8_t align);
    // The list from the cache file whatever its date; true when it is today's.
    static bool ListFromCache(XStringArray& list);
    static void SetListFromReply(XString reply, XStringArray& list);
    // Today's list from the cache, else the cache's older one while a
    // background download (one at a time) brings the cache up to date: the
    // defaults never wait for the vendor's server.
    void DefaultTimeServerList();
    // The list from the cache file whatever its date, starting the background
    // download unless it is today's.
    void AwaitListUnlessCached();
    static std::atomic<bool>& TimeServerFailureLogged();

    std::atomic<bool> m_AwaitingList{false};
    std::atomic<unsigned> m_SeenGeneration{0};
};
