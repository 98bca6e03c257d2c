// One complete screen saver: its modules, its OpenGL context on a window, its
// render thread and frame clock. The process holds two: full screen and preview.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <initializer_list>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/CGeneralConfig.h"
#include "app/CVideoMode.h"
#include "app/SceneRect.h"
#include "app/SettingOverrides.h"
#include "platform/Clock.h"
#include "platform/Download.h"
#include "platform/GLSurface.h"
#include "render/Projection.h"
#include "scene/CBgBitmap.h"
#include "scene/CEffects.h"
#include "scene/CStarFields.h"
#include "scene/CCritters.h"
#include "services/CInternet.h"
#include "services/CEmail.h"
#include "services/CReminders.h"
#include "services/CSystemAlarm.h"
#include "services/CSystemCDPlayer.h"
#include "services/CSystemDateTime.h"
#include "services/CWallPaper.h"
#include "services/CWeatherData.h"
#include "xlib/BoundedWorker.h"
#include "xlib/HoldGate.h"
#include "xlib/StopSignal.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

// Serialises whole-file configuration access between the dialog, the render
// threads and window creation; recursive because Load calls Save.
extern std::recursive_mutex g_Lock;
// Running render threads of all instances.
extern std::atomic<int32_t> g_InstanceThreadCount;

class CScreenSaver {
public:
    CScreenSaver();
    ~CScreenSaver();
    CScreenSaver(const CScreenSaver&) = delete;
    CScreenSaver& operator=(const CScreenSaver&) = delete;

    void SetWindow(NativeWindow window) { m_Window = window; }
    NativeWindow GetWindow() const { return m_Window; }
    // A window that spans several monitors shows the scene in this part of it
    // (window coordinates, y downwards) and black around it. Set before Start;
    // without it the scene fills the window.
    void SetSceneRect(const ScreenRect& rect) {
        m_SceneRect = rect;
        m_HasSceneRect = true;
    }

    // Starts the render thread; false when it could not be started.
    bool Start();
    // Asks the render thread to end and waits for it (about ten seconds at most).
    // A render thread still running at the limit is stuck inside a frame; tearing
    // the display or the driver down under it would crash, so the process then
    // ends on the spot with kHungRenderThreadExitCode, after a run-log entry.
    void Stop();
    // For a process that ends once this instance has stopped
    // (SetProcessEndsAfterStop): stops the render thread, runs `lastWork` (the
    // exit tasks) and ends the process with `code`. A thread inside a frame is
    // not waited for when nothing left needs it to finish (a wallpaper, a disc
    // to stop): the frame has no effects outside the process, the thread is
    // kept from starting another, and the end tears nothing down under it. So
    // `lastWork` must leave the render context and its window alone (hiding
    // the window is fine).
    [[noreturn]] void StopAndEndProcess(int code, const std::function<void()>& lastWork = {});
    // Holds the render thread between frames (or before it sets up its
    // context) until ReleaseFrames, for a host whose own window changes must
    // not meet a frame in progress (the settings dialog under Wine). Waits up
    // to `ms` for the thread to be held; true once it is, or when none runs.
    // A stop still ends a held thread at once.
    bool HoldFrames(unsigned ms);
    void ReleaseFrames();
    static constexpr int kHungRenderThreadExitCode = 3;
    static constexpr unsigned kDefaultStopLimitMs = BoundedWorker::kStopLimitMs;
    // How long Stop waits for the render threads (tests shorten it).
    static void SetStopLimitMs(unsigned ms);
    // Restarts `preview`'s render thread in `previewWindow` (the settings dialog's preview).
    void RefreshPreview(CScreenSaver& preview, NativeWindow previewWindow);

    void Init();
    // The window's size changed (the window system said so, on any thread):
    // the render thread follows it before its next frame.
    void NoteWindowResized();
    // On the render thread: when the window's client size differs from the
    // one the scene was set up for, the viewport, the projection and every
    // module's size-dependent set-up again. True when it changed anything.
    bool FollowWindowSize();
    void Logic();
    void DrawFrame();
    void Destroy();

    // Configuration files: the main file (one section per module) and the
    // family's shared file (the reminder list). Failures return false with
    // the reason in ErrorText().
    std::string MakeConfigFileName(bool shared) const;
    void DefaultAll();
    bool Save();
    bool Load();
    // Once the background download has brought the time-server list that the
    // module was waiting for: the list into the module, and the module into
    // the main file, unless the file has changed since this instance last
    // read or wrote it.
    void SaveArrivedTimeServers();
    // Keeps both files' texts for Restore (the settings dialog's cancel).
    bool BackupConfig();
    bool Restore();
    // The main file as BackupConfig read it (a settings page's Cancel reads its sections back).
    const XString& MainBackup() const { return m_MainBackup; }
    // The shared file as BackupConfig read it (the reminders page's Cancel reads its list back).
    const XString& SharedBackup() const { return m_SharedBackup; }
    // The configured display mode, read once under g_Lock; 0 = leave the display alone.
    int32_t GetReadOnlyVideoMode();
    // Work done after the window has closed (full-screen runs only): the help
    // page on the first run, the news page and the clock synchronisation.
    void DoExitTasks();
    // Whether DoExitTasks has anything to do; asked after the stop.
    bool HasExitTasks() const;
    // Offers the help page once per installation.
    void DoShowHelpFile();

    bool IsInitialised() const { return m_Initialised; }
    bool IsSmallWindow() const { return m_SmallWindow; }
    // As after a set-up in a window of that kind (tests of the exit tasks).
    void SetSmallWindowForTests(bool isSmall) { m_SmallWindow = isSmall; }
    unsigned Width() const { return m_Width; }
    unsigned Height() const { return m_Height; }
    const std::string& ErrorText() const { return m_ErrorText; }
    CGeneralConfig& General() { return m_General; }
    CBgBitmap& BgBitmap() { return m_BgBitmap; }
    CSystemDateTime& DateTime() { return m_DateTime; }
    CStarFields& Stars() { return m_Stars; }
    CSystemCDPlayer& CDPlayer() { return m_CDPlayer; }
    CSystemAlarm& Alarm() { return m_Alarm; }
    CEffects& Effects() { return m_Effects; }
    CCritters& Critters() { return m_Critters; }
    CReminders& Reminders() { return m_Reminders; }
    CEmail& Email() { return m_Email; }
    CVideoMode& VideoMode() { return m_VideoMode; }
    CWallPaper& Wallpaper() { return m_Wallpaper; }
    CInternet& Internet() { return m_Internet; }
    CWeatherData& Weather() { return m_Weather; }

    // For the benchmark and rendering tests: called on the render thread after
    // each frame is drawn and flushed, before it is presented, with the frame's
    // index. Set before Start.
    void SetFrameObserver(std::function<void(unsigned)> observer) { m_FrameObserver = std::move(observer); }
    // Whether the render thread draws one more, never shown, frame after a stop
    // for the wallpaper to be made from. Only a wallpaper module that will read
    // it asks for it; until then a close skips that frame.
    bool WantsLastFrame() const { return m_LastFrameForWallpaper; }
    void SetLastFrameForWallpaper(bool wanted) { m_LastFrameForWallpaper = wanted; }
    // The process ends as soon as this instance has stopped (a full-screen or
    // XScreenSaver run): the render thread then leaves its GL objects and its
    // display connection to the system, which frees them at exit faster than
    // one by one, and the caller must end the process with StopAndEndProcess,
    // or PlatformQuickExit after Stop. Set before Start.
    void SetProcessEndsAfterStop(bool ends) { m_ProcessEndsAfterStop = ends; }
    // Overrides the configured frame period (e.g. 0 for unpaced runs); negative = use SaverSpeed.
    void SetPeriodOverride(int periodMs) { m_PeriodOverride = periodMs; }
    // Seeds the random generator with this at Init instead of the clock, so
    // that two builds draw the same scene (benchmark snapshots); negative = the clock.
    void SetSeedOverride(int64_t seed) { m_SeedOverride = seed; }
    // Settings for this run only, put over the file's at every Load and kept
    // out of every Save. Set before Start.
    void SetOverrides(const SettingOverrides& overrides) {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        PutOverridesAside();
        m_Overrides = overrides;
    }

    // What the table row of a module's setting says of it (its kind, range,
    // default and label), by the section and the tag; false when no module
    // has it.
    bool DescribeSetting(std::string_view section, std::string_view tag, SettingInfo& info);

    // The module registry (its rows are in CScreenSaverModules.cpp) and the call
    // orders it gives.
    struct ModuleRow;
    struct CallOrder {
        std::vector<const ModuleRow*> setup, process, draw;
    };
    static const std::vector<ModuleRow>& Registry();
    static const CallOrder& Calls();
    // The main file's section tags, in the registry's order.
    std::vector<std::string_view> MainSections();
    // The section tag of a registry row's module in this instance.
    const char* SectionOf(const ModuleRow& row);

private:
    static void InstanceThread(CScreenSaver* saver);
    // Exchanges every override's value with its module's setting: done once,
    // the run uses the overrides and they keep the file's own values; done
    // again, both are back where they were.
    void SwapOverrides();
    // Under g_Lock: the file's own values back in the modules.
    void PutOverridesAside() {
        if (!m_OverridesApplied) return;
        SwapOverrides();
        m_OverridesApplied = false;
    }
    void ApplyOverrides() {
        if (m_OverridesApplied || m_Overrides.Empty()) return;
        SwapOverrides();
        m_OverridesApplied = true;
    }
    // The main file's text from the modules, in the fixed section order.
    void WriteMainText(XString& out);
    void ReadMainText(const XString& whole);
    bool WriteBoth(XString& mainText, XString& sharedText);
    bool RefuseUnreadable(const std::string& path);
    static void ReportDamage(const XString& text, const std::string& path,
                             const std::vector<std::string_view>& sections);
    // What the modules are set up for now.
    SceneContext Scene() const;
    void RunFrames();
    // The scene's rectangle in a client area of that size: viewport,
    // projection, m_Width and m_Height.
    void SetSceneSize(unsigned clientW, unsigned clientH);
    // Raises the stop and waits until the render thread has ended (true) or,
    // with `acceptFree`, is free to be left to the process's end (false: the
    // thread is then held at its next frame for good). At the stop limit the
    // thread is hung and the process ends here.
    bool AwaitStop(bool acceptFree, bool endProcessIfHung = true);
    // Set by the render thread: whether the process may end now, with the
    // thread wherever it is.
    void SetMayEndProcess(bool may);
    // Whether anything before the process's end needs the render thread to
    // finish its frame loop: a wallpaper to leave, a disc to stop. Render thread only.
    bool NeedsTheLoopsEnd() const;
    // For a process that ends after the stop: from here the process may end
    // with this thread wherever it is, unless the loop's end is needed.
    void MayEndUnlessNeeded();
    void EnsureInstallationId();

    std::string m_ErrorText;
    XString m_MainBackup;
    XString m_SharedBackup;
    std::string m_ConfigName;
    bool m_Initialised = false;
    // Raised by Stop; wakes the frame pacing at once.
    StopSignal m_QuitRequested;
    HoldGate m_Hold;
    bool m_SmallWindow = true;
    NativeWindow m_Window = 0;
    GLSurface m_Surface;
    int32_t m_CachedVideoMode = -1;
    unsigned m_Width = 0, m_Height = 0;
    XDateTime m_Now;
    uint32_t m_LastFrameTime = 0;
    CGeneralConfig m_General;
    CBgBitmap m_BgBitmap;
    CStarFields m_Stars;
    CSystemCDPlayer m_CDPlayer;
    CSystemAlarm m_Alarm;
    CEffects m_Effects;
    CCritters m_Critters;
    CWallPaper m_Wallpaper;
    CReminders m_Reminders;
    CEmail m_Email;
    CSystemDateTime m_DateTime;
    CInternet m_Internet;
    CWeatherData m_Weather;
    CVideoMode m_VideoMode;
    // Ends a download the render thread is waiting on (the time-server list
    // while loading) as soon as the saver is asked to stop.
    DownloadStop m_DownloadStop;

    BoundedWorker m_RenderThread;
    std::function<void(unsigned)> m_FrameObserver;
    int m_PeriodOverride = -1;
    int64_t m_SeedOverride = -1;
    // While applied, it holds the file's values of the settings it overrides.
    SettingOverrides m_Overrides;
    bool m_OverridesApplied = false;
    ScreenRect m_SceneRect;
    bool m_HasSceneRect = false;
    bool m_LastFrameForWallpaper = false;
    bool m_ProcessEndsAfterStop = false;
    unsigned m_ClientWidth = 0, m_ClientHeight = 0;
    std::atomic<bool> m_ResizePending{false};
    // The main file as this instance last read or wrote it.
    std::string m_MainTextOnDisk;
    // Both under the render thread worker's lock: the render thread's word that the
    // process may end now, whatever frame it is in; and that it is ending, so
    // the thread must start no further frame.
    bool m_MayEndProcess = false;
    bool m_ProcessEnding = false;
};

// The two instances of the process.
CScreenSaver& FullScreenSaver();
CScreenSaver& PreviewSaver();
