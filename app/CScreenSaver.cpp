#include "app/CScreenSaver.h"

#include <chrono>
#include <condition_variable>

#include "app/ConfigFile.h"
#include "xlib/CloseTrace.h"
#include "xlib/ConfigSection.h"
#include "xlib/StopWatch.h"
#include "platform/GLInclude.h"
#include "platform/ImageDecoder.h"
#include "platform/Process.h"
#include "platform/Thread.h"
#include "scene/CEmitter.h"
#include "services/InstallationId.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"
#include "xlib/XString.h"

std::recursive_mutex g_Lock;
std::atomic<int32_t> g_InstanceThreadCount{0};

namespace {
std::atomic<unsigned> g_StopLimitMs{CScreenSaver::kDefaultStopLimitMs};
}  // namespace

void CScreenSaver::SetStopLimitMs(unsigned ms) { g_StopLimitMs = ms; }

CScreenSaver& FullScreenSaver() {
    static CScreenSaver saver;
    return saver;
}

CScreenSaver& PreviewSaver() {
    static CScreenSaver saver;
    return saver;
}

CScreenSaver::CScreenSaver() {
    XGuard("CScreenSaver constructor", [&] {
        XString emailError;
        if (!XEmail::Init(emailError)) {
            XString message("XEmail::Init failed. Msg=");
            message += emailError;
            WriteRunLog("Email Init", message);
        }
        StopWatch::Process().Start();
        XSeedRandom(PlatformTickCount());
        PlatformImageLibraryInitialise();
        m_Initialised = false;
        m_SmallWindow = true;
        m_CachedVideoMode = -1;
        DefaultAll();
    });
}

// "Id.dat" identifies this installation to the vendor's services; made once,
// by Load, which runs after the installation path has been read (the
// constructor runs before that on Windows, and would put it in the wrong folder).
void CScreenSaver::EnsureInstallationId() {
    XString path(InstallDir().c_str());
    path += "Id.dat";
    bool found = false, readable = false;
    // A damaged id is replaced here as well, before any request uses it.
    ReadInstallationId(path, "Guid Error", found, readable);
    if (found) return;
    XString id = MakeInstallationId();
    if (!id.WriteFile(path.c_str(), true))
        WriteRunLog("Guid Error", "Id.dat could not be saved. Will continue without Id.dat.", false);
}

CScreenSaver::~CScreenSaver() {
    XGuard("CScreenSaver destructor", [&] {
        // Joins an ended thread; one still running is let go.
        m_RenderThread.AwaitEnd(0);
        Destroy();
        PlatformImageLibraryDeInitialise();
        XString emailError;
        if (!XEmail::UnInit(emailError)) {
            XString message("XEmail::UnInit failed. Msg=");
            message += emailError;
            WriteRunLog("Email UnInit", message);
        }
    });
}

std::string CScreenSaver::MakeConfigFileName(bool shared) const {
    std::string path;
    XGuard("CScreenSaver::MakeConfigFileName", [&] {
        path = shared ? SharedDir() + "Shared.xml" : InstallDir() + m_ConfigName + ".xml";
    });
    return path;
}

// Adding a module: one line here, one in WriteMainText and one in ReadMainText,
// each at the module's place in the fixed section order.
void CScreenSaver::DefaultAll() {
    XGuard("CScreenSaver::DefaultAll", [&] {
        // The overrides keep the values they were given, not the ones
        // overwritten here.
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        PutOverridesAside();
        m_ConfigName = "Meadowglow";
        m_General.Default();
        m_Critters.Default();
        m_BgBitmap.Default();
        m_Stars.Default();
        m_CDPlayer.Default();
        m_Alarm.Default();
        m_Wallpaper.Default();
        m_Reminders.Default();
        m_Email.Default();
        m_DateTime.Default();
        m_Effects.Default();
        m_Internet.Default();
        m_Weather.Default();
        m_VideoMode.Default();
    });
}

// Sections in their fixed order: General, Critters, BgBitmap, Stars, CDPlayer,
// Sound, Wallpaper, Reminders (settings part), Email, DateTime, Effects,
// Internet, WeatherData, VideoMode.
void CScreenSaver::WriteMainText(XString& out) {
    ConfigFileBegin(out, m_ConfigName);
    m_General.Write(out);
    m_Critters.Write(out);
    m_BgBitmap.Write(out);
    m_Stars.Write(out);
    m_CDPlayer.Write(out);
    m_Alarm.Write(out);
    m_Wallpaper.Write(out);
    m_Reminders.Write(&out, nullptr);
    m_Email.Write(out);
    m_DateTime.Write(out);
    m_Effects.Write(out);
    m_Internet.Write(out);
    m_Weather.Write(out);
    m_VideoMode.Write(out);
    ConfigFileEnd(out);
}

void CScreenSaver::ReadMainText(const XString& whole) {
    m_General.Read(whole);
    m_Critters.Read(whole);
    m_BgBitmap.Read(whole);
    m_Stars.Read(whole);
    m_CDPlayer.Read(whole);
    m_Alarm.Read(whole);
    m_Wallpaper.Read(whole);
    m_Reminders.Read(&whole, nullptr);
    m_Email.Read(whole);
    m_DateTime.Read(whole);
    m_Effects.Read(whole);
    m_Internet.Read(whole);
    m_Weather.Read(whole);
    m_VideoMode.Read(whole);
}

namespace {
// The sections of the main file, in their fixed order.
const std::initializer_list<std::string_view> kMainSections = {
    "General", "Critters", "BgBitmap", "Stars",  "CDPlayer", "Sound",       "Wallpaper",
    "Reminders", "Email",  "DateTime", "Effects", "Internet", "WeatherData", "VideoMode"};

bool ReadWhole(XString& text, const std::string& path, std::string& error) {
    if (text.ReadFile(path.c_str())) return true;
    error = "Error: failed to read " + path + ". Msg=" + text.GetErrorMessage();
    return false;
}

bool Exists(const std::string& path) { return XString(path.c_str()).FileExists(); }
}  // namespace

bool CScreenSaver::WriteBoth(XString& mainText, XString& sharedText) {
    const std::string paths[2] = {MakeConfigFileName(false), MakeConfigFileName(true)};
    XString* texts[2] = {&mainText, &sharedText};
    // Neither file is written while the other may not be: no half-saved pair.
    for (const std::string& path : paths) {
        std::string why;
        if (!ConfigMayReplace(path, why)) {
            m_ErrorText = "Error: failed to write " + path + ". Msg=" + why;
            return false;
        }
    }
    for (int i = 0; i < 2; ++i) {
        std::string why;
        if (!ConfigWriteWhole(*texts[i], paths[i], why)) {
            m_ErrorText = "Error: failed to write " + paths[i] + ". Msg=" + why;
            return false;
        }
    }
    return true;
}

bool CScreenSaver::Save() {
    bool ok = false;
    XGuard("CScreenSaver::Save", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        m_ErrorText.clear();
        XString mainText, sharedText;
        // The file keeps its own values of what this run overrides.
        const bool overridden = m_OverridesApplied;
        PutOverridesAside();
        WriteMainText(mainText);
        if (overridden) ApplyOverrides();
        ConfigFileBegin(sharedText, "Shared");
        m_Reminders.Write(nullptr, &sharedText);
        ConfigFileEnd(sharedText);
        ok = WriteBoth(mainText, sharedText);
        if (ok) m_MainTextOnDisk = std::string(mainText.c_str(), mainText.GetLength());
    });
    return ok;
}

void CScreenSaver::SaveArrivedTimeServers() {
    // Every frame: the lock only once a list has come.
    if (!m_DateTime.HasArrivedList()) return;
    XGuard("CScreenSaver::SaveArrivedTimeServers", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        if (!m_DateTime.TakeRefreshedList()) return;
        // Only over the file as this instance last read or wrote it: a file
        // someone has changed since (the settings dialog) keeps their change,
        // and gets the list at its own next load.
        XString now;
        if (m_MainTextOnDisk.empty() || !now.ReadFile(MakeConfigFileName(false).c_str()) ||
            std::string(now.c_str(), now.GetLength()) != m_MainTextOnDisk)
            return;
        if (!Save()) WriteRunLog("Settings", m_ErrorText.c_str(), false);
    });
}

bool CScreenSaver::Load() {
    bool ok = false;
    XGuard("CScreenSaver::Load", [&] {
        std::unique_lock<std::recursive_mutex> lock(g_Lock);
        DefaultAll();  // puts the overrides aside first
        EnsureInstallationId();
        m_ErrorText.clear();
        const std::string mainPath = MakeConfigFileName(false);
        const std::string sharedPath = MakeConfigFileName(true);
        if (RefuseUnreadable(mainPath)) return;
        const bool sharedExists = Exists(sharedPath);
        XString text;
        if (Exists(mainPath)) {
            if (!ReadWhole(text, mainPath, m_ErrorText)) return;
            m_MainTextOnDisk = std::string(text.c_str(), text.GetLength());
            ReportDamage(text, mainPath, kMainSections);
            ReadMainText(text);
        } else {
            // Never create the pair while one of them is there but unreadable.
            if (RefuseUnreadable(sharedPath)) return;
            // First run of this saver. Another saver of the family may already
            // keep reminders in the shared file: take them in before the save
            // that creates the files, so it writes them back instead of an
            // empty list.
            if (sharedExists) {
                XString shared;
                if (!ReadWhole(shared, sharedPath, m_ErrorText)) return;
                ReportDamage(shared, sharedPath, {"Reminders"});
                m_Reminders.Read(nullptr, &shared);
            }
            lock.unlock();
            Save();
            lock.lock();
            if (sharedExists) {
                ok = true;
                return;
            }
        }
        if (RefuseUnreadable(sharedPath)) return;
        if (Exists(sharedPath)) {
            if (!ReadWhole(text, sharedPath, m_ErrorText)) return;
            ReportDamage(text, sharedPath, {"Reminders"});
        }
        m_Reminders.Read(nullptr, &text);
        ok = true;
    });
    // On every way out, a file refused or damaged included: the run uses the
    // overrides whatever the file gave.
    XGuard("CScreenSaver::Load overrides", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        ApplyOverrides();
    });
    return ok;
}

// A settings file that is there but cannot be read (no permission, a FIFO,
// a folder) is reported once and left alone: the run goes on with what it
// has, and nothing is saved over the file.
bool CScreenSaver::RefuseUnreadable(const std::string& path) {
    const std::string refusal = ConfigFileRefusal(path);
    if (refusal.empty()) return false;
    m_ErrorText = "Error: failed to read " + path + ". Msg=The file " + refusal + ".";
    WriteRunLog("Settings", "The settings file " + path + " " + refusal +
                                ". The screen saver runs on its default settings and does not save over it.");
    return true;
}

void CScreenSaver::ReportDamage(const XString& text, const std::string& path,
                                std::initializer_list<std::string_view> sections) {
    const std::string damage = ConfigFileDamage(text, sections);
    if (damage.empty()) return;
    WriteRunLog("Settings", "The settings file " + path + " is damaged: " + damage +
                                ". What could be read is used; the rest keeps its defaults.");
}

bool CScreenSaver::BackupConfig() {
    bool ok = false;
    XGuard("CScreenSaver::BackupConfig", [&] {
        DefaultAll();
        m_MainBackup = "";
        m_SharedBackup = "";
        m_ErrorText.clear();
        const std::string mainPath = MakeConfigFileName(false);
        const std::string sharedPath = MakeConfigFileName(true);
        if (Exists(sharedPath) && !ReadWhole(m_SharedBackup, sharedPath, m_ErrorText)) return;
        if (!Exists(mainPath)) {
            // The files are created with the defaults; keep the shared list
            // that is already there rather than overwrite it with an empty one.
            if (!m_SharedBackup.IsEmpty()) m_Reminders.Read(nullptr, &m_SharedBackup);
            ok = Save();
            // What Restore puts back is then the files as just created.
            if (ok) ok = ReadWhole(m_MainBackup, mainPath, m_ErrorText);
            if (ok && m_SharedBackup.IsEmpty()) ok = ReadWhole(m_SharedBackup, sharedPath, m_ErrorText);
            return;
        }
        ok = ReadWhole(m_MainBackup, mainPath, m_ErrorText);
    });
    return ok;
}

bool CScreenSaver::Restore() {
    bool ok = false;
    XGuard("CScreenSaver::Restore", [&] {
        m_ErrorText.clear();
        // Without a backup (BackupConfig failed or never ran) there is nothing
        // to put back; writing the empty texts would wipe both files.
        if (m_MainBackup.IsEmpty()) {
            m_ErrorText = "Error: there is no backup of the settings to restore.";
            return;
        }
        ok = WriteBoth(m_MainBackup, m_SharedBackup);
    });
    return ok;
}

int32_t CScreenSaver::GetReadOnlyVideoMode() {
    XGuard("CScreenSaver::GetReadOnlyVideoMode", [&] {
        if (m_CachedVideoMode != -1) return;
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        XString text;
        if (!text.ReadFile(MakeConfigFileName(false).c_str())) return;
        // From the video-mode section, so that a "<Mode>" key another module
        // might add earlier in the file is never taken for it.
        m_CachedVideoMode = ConfigReadInt(ConfigSectionText(text, "VideoMode"), "Mode");
    });
    return m_CachedVideoMode;
}

bool CScreenSaver::Start() {
    bool started = false;
    XGuard("CScreenSaver::Start", [&] {
        // A thread that outlived its stop still owns this instance's modules
        // and context: no second one may start beside it.
        if (m_RenderThread.IsRunning()) {
            WriteRunLog("Screen saver",
                        "The render thread of the previous run has not ended yet; no second one is started.", false);
            return;
        }
        {
            auto lock = m_RenderThread.Lock();
            m_MayEndProcess = m_ProcessEnding = false;
        }
        // Cleared here, not at the end of Init: a stop asked for while Init is
        // still running must end the thread, not be lost and leave Stop
        // waiting out its whole limit.
        m_QuitRequested.Reset();
        m_DownloadStop.Reset();
        // Counted before the thread exists, so that a thread that ends at once
        // never takes the count below zero.
        ++g_InstanceThreadCount;
        if (m_RenderThread.Start([this] { InstanceThread(this); }) != BoundedWorker::StartResult::Started) {
            --g_InstanceThreadCount;
            return;
        }
        started = true;
    });
    return started;
}

bool CScreenSaver::HoldFrames(unsigned ms) {
    return m_Hold.Close(ms, [this] { return m_RenderThread.IsRunning(); });
}

void CScreenSaver::ReleaseFrames() { m_Hold.Open(); }

bool CScreenSaver::AwaitStop(bool acceptFree, bool endProcessIfHung) {
    m_QuitRequested.Raise();
    m_Hold.Wake();
    m_DownloadStop.Request();
    // Under the worker's lock: the thread's word that the process may end,
    // and the note that it is ending, which keeps it from a further frame.
    const BoundedWorker::EndResult end = m_RenderThread.AwaitEnd(g_StopLimitMs.load(), [&] {
        if (!acceptFree || !m_MayEndProcess) return false;
        m_ProcessEnding = true;
        return true;
    });
    if (end == BoundedWorker::EndResult::Enough) return false;
    const bool ended = end == BoundedWorker::EndResult::Ended;
    if (!ended && !endProcessIfHung) {
        // The settings dialog's preview: the dialog stays, the preview stays
        // dark until the thread has ended and a later change restarts it.
        WriteRunLog("Screen saver",
                    "The preview's render thread did not end within " + std::to_string(g_StopLimitMs.load()) +
                        " ms of the stop; the preview is not restarted until it has.",
                    false);
        return false;
    }
    if (!ended) {
        WriteRunLog("Screen saver",
                    "The render thread did not end within " + std::to_string(g_StopLimitMs.load()) +
                        " ms of the stop; the process ends without its clean-up.",
                    false);
        PlatformQuickExit(kHungRenderThreadExitCode);
    }
    return true;
}

void CScreenSaver::Stop() {
    XGuard("CScreenSaver::Stop", [&] { AwaitStop(false); });
}

void CScreenSaver::StopAndEndProcess(int code, const std::function<void()>& lastWork) {
    XGuard("CScreenSaver::StopAndEndProcess", [&] {
        CloseTraceMark("main: stop asked");
        const bool ended = AwaitStop(m_ProcessEndsAfterStop);
        CloseTraceMark(ended ? "main: render thread ended" : "main: render thread left in its frame");
        if (lastWork) lastWork();
    });
    CloseTraceMark("main: process ends");
    // No entry is cut short by the end, nor begun after it.
    HoldRunLogForExit();
    PlatformQuickExit(code);
}

void CScreenSaver::SetMayEndProcess(bool may) {
    auto lock = m_RenderThread.Lock();
    // The process is ending around this thread: it starts no further frame.
    if (!may && m_ProcessEnding)
        for (;;) m_RenderThread.Wait(lock);
    m_MayEndProcess = may;
    lock.unlock();
    if (may) m_RenderThread.NotifyAll();
}

bool CScreenSaver::NeedsTheLoopsEnd() const {
    // Any wallpaper type: before its Setup the module cannot yet tell whether it will act.
    return m_LastFrameForWallpaper || m_Wallpaper.Type != CWallPaper::kNone || m_CDPlayer.HasDiscToStop();
}

void CScreenSaver::MayEndUnlessNeeded() {
    if (m_ProcessEndsAfterStop) SetMayEndProcess(!NeedsTheLoopsEnd());
}

void CScreenSaver::RefreshPreview(CScreenSaver& preview, NativeWindow previewWindow) {
    XGuard("CScreenSaver::RefreshPreview", [&] {
        // A restart must not end the dialog's process, nor start a second
        // thread on an instance whose first one is still running.
        if (!preview.AwaitStop(false, false)) return;
        preview.SetWindow(previewWindow);
        if (!preview.Start()) WriteRunLog("Screen saver", "Failed to lauch screen saver preview.", false);
    });
}

void CScreenSaver::InstanceThread(CScreenSaver* saver) {
    DownloadStopScope downloads(saver->m_DownloadStop);
    saver->Init();
    XGuard("CScreenSaver::InstanceThread", [&] {
        PlatformSetCurrentThreadPriority(RenderThreadPriority(saver->m_VideoMode.ThreadPriority));
        StartEmailThread(saver->m_Email);
        StartWeatherThread(saver->m_Weather);
        saver->RunFrames();
    });
    CloseTraceMark("render: thread ends");
    // Before the worker records the end, so that a stop that has seen the
    // end also sees the count.
    --g_InstanceThreadCount;
}

// The whole life of a render thread after Init, in the order the modules expect.
void CScreenSaver::RunFrames() {
    StopWatch& watch = StopWatch::Process();
    bool running = true;
    unsigned frame = 0;
    // The unshown last frame is drawn only for a wallpaper that will use it.
    const bool drawLastFrame = m_LastFrameForWallpaper || m_Wallpaper.WantsLastFrame();
    // The process may end in the middle of a frame (MayEndUnlessNeeded):
    // drawing has no effects outside the process, so a close need not wait for
    // the frame in progress. Logic may have such effects (sounds, the disc,
    // run-log entries): never ended in there.
    if (m_Initialised) CCritters::InitStatic(nullptr, m_General.PolygonDetail, m_General.RenderStyle);
    while (true) {
        m_Hold.Pass(m_QuitRequested);
        if (m_QuitRequested.Raised()) {
            running = false;
            if (!drawLastFrame) break;
        }
        // A host (the preview's parent, XScreenSaver) may destroy our window at
        // any time; drawing into a vanished window makes the driver misbehave.
        if (m_Initialised && !m_Surface.WindowAlive()) {
            WriteRunLog("Screen saver", "The window was closed by its owner; the screen saver stops.", false);
            break;
        }
        // A resized window (-window): the next frame fills the new size.
        if (m_Initialised && m_ResizePending.exchange(false)) FollowWindowSize();
        if (m_ProcessEndsAfterStop) SetMayEndProcess(false);
        Logic();
        // Auto-off may have stopped the disc.
        MayEndUnlessNeeded();
        DrawFrame();
        uint32_t period = m_PeriodOverride >= 0 ? static_cast<uint32_t>(m_PeriodOverride) : m_General.SaverSpeed;
        // Nobody waits for the unshown last frame. A stop that cuts the wait
        // short makes this frame the last one, and it is never shown.
        if (running && !PaceFrame(watch, m_LastFrameTime, period, &m_QuitRequested)) {
            if (!drawLastFrame) break;
            running = false;
        }
        if (m_Initialised) glFlush();
        if (m_FrameObserver) m_FrameObserver(frame);
        ++frame;
        // The frame drawn after the quit request is never shown: it stays in the
        // back buffer for the wallpaper.
        if (!running) break;
        if (m_Initialised) m_Surface.SwapBuffers();
    }
    CloseTraceMark("render: frame loop left");
    // The wallpaper, while the last frame is still in the back buffer of the
    // context it was drawn in.
    if (m_Initialised || !m_Wallpaper.WantsLastFrame())
        m_Wallpaper.WallpaperTheDesktop(m_BgBitmap.GetRandBgImageFileName());
    // Workers stop in the reverse order of their start: weather, then e-mail.
    StopWeatherThread(m_Weather);
    StopEmailThread(m_Email);
    CloseTraceMark("render: wallpaper done, workers stopped");
    // Everything with effects outside this process is done above this line;
    // what follows only frees what the process's end frees anyway.
    if (m_ProcessEndsAfterStop) {
        // A disc this run started would play on after the process.
        m_CDPlayer.Finish();
        return;
    }
    // The sprites die with this context; a later run makes its own.
    if (m_Initialised) CCritters::ReleaseStatic();
    Destroy();
}

void CScreenSaver::Init() {
    XGuard("CScreenSaver::Init", [&] {
        XSeedRandom(m_SeedOverride >= 0 ? static_cast<uint32_t>(m_SeedOverride) : PlatformTickCount());
        m_Now.SetToNow();
        FillSinCosTables();

        Load();
        // The settings are written; setting up the context and loading the
        // pictures and sprites has no effects outside the process, so a close
        // need not wait for it (the disc's start excepted).
        MayEndUnlessNeeded();
        // A stop that comes while the saver is still setting up (pictures and
        // sprites take a while to load) ends it there: the frame loop then
        // sees the stop at once and nothing is drawn.
        if (m_QuitRequested.Raised()) return;

        m_Hold.Pass(m_QuitRequested);
        if (m_QuitRequested.Raised()) return;
        std::string error;
        if (!m_Surface.Create(m_Window, error)) throw XException(5000, "CScreenSaver", error.c_str());
        if (m_QuitRequested.Raised()) return;

        unsigned clientW = 0, clientH = 0;
        m_Surface.ClientSize(clientW, clientH);
        SetSceneSize(clientW, clientH);
        const unsigned w = m_Width, h = m_Height;
        m_SmallWindow = !(w >= 320 && h >= 200);

        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
        glCullFace(GL_BACK);
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glDisable(GL_DITHER);

        // Module set-up goes here, in this order: background pictures, star
        // fields, CD player, wallpaper, e-mail, date and time, weather; the
        // critters last; then the fog of the special effects.
        m_BgBitmap.Setup(static_cast<int32_t>(w), static_cast<int32_t>(h));
        if (m_QuitRequested.Raised()) return;
        m_Stars.Setup(w, h);
        if (m_ProcessEndsAfterStop) SetMayEndProcess(false);
        m_CDPlayer.Setup(m_SmallWindow);
        MayEndUnlessNeeded();
        m_Wallpaper.Setup(w, h);
        m_Email.Setup(static_cast<int32_t>(w), static_cast<int32_t>(h), m_Surface.DeviceContext());
        m_DateTime.Setup(static_cast<int32_t>(w), static_cast<int32_t>(h), m_Surface.DeviceContext());
        m_Weather.Setup(static_cast<int32_t>(w), static_cast<int32_t>(h), m_Surface.DeviceContext());
        if (m_QuitRequested.Raised()) return;
        m_Critters.Setup(static_cast<int32_t>(w), static_cast<int32_t>(h));
        m_Effects.ApplyFog();

        glShadeModel(m_General.RenderStyle == 1 ? GL_FLAT : GL_SMOOTH);

        m_LastFrameTime = StopWatch::Process().Elapsed();
        m_Initialised = true;
    });
}

void CScreenSaver::SetSceneSize(unsigned clientW, unsigned clientH) {
    m_ClientWidth = clientW;
    m_ClientHeight = clientH;
    ScreenRect scene{0, 0, static_cast<int>(clientW), static_cast<int>(clientH), true};
    if (m_HasSceneRect) scene = SceneRectInWindow({m_SceneRect}, scene);
    const unsigned w = static_cast<unsigned>(scene.width), h = static_cast<unsigned>(scene.height);
    m_Width = w;
    m_Height = h;
    // The rest of the window is cleared with every frame and stays black.
    int viewX = 0, viewY = 0;
    SceneViewport(scene, static_cast<int>(clientH), viewX, viewY);
    glViewport(viewX, viewY, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(70.0, ProjectionAspect(w, h), static_cast<double>(0.2f), 70.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void CScreenSaver::NoteWindowResized() { m_ResizePending = true; }

bool CScreenSaver::FollowWindowSize() {
    bool changed = false;
    XGuard("CScreenSaver::FollowWindowSize", [&] {
        unsigned clientW = 0, clientH = 0;
        m_Surface.ClientSize(clientW, clientH);
        if (clientW == m_ClientWidth && clientH == m_ClientHeight) return;
        SetSceneSize(clientW, clientH);
        const int32_t w = static_cast<int32_t>(m_Width), h = static_cast<int32_t>(m_Height);
        // The modules whose set-up depends on the size, in their start order.
        // The small-window rule (alarm, disc) stays as the run began: the
        // disc was started, or not, for that size.
        m_BgBitmap.Setup(w, h);
        m_Stars.Setup(m_Width, m_Height);
        m_Wallpaper.Setup(m_Width, m_Height);
        m_Critters.Setup(w, h);
        changed = true;
    });
    return changed;
}

void CScreenSaver::Logic() {
    XGuard("CScreenSaver::Logic", [&] {
        m_Now.SetToNow();
        // Process, each with a copy of the frame's time: background pictures,
        // star fields, e-mail, date and time, weather, critters; then, in a
        // full-size window only, the alarm and the CD player.
        m_BgBitmap.Process(m_Now);
        m_Stars.Process(m_Now);
        m_Email.Process(m_Now);
        m_DateTime.Process(m_Now);
        m_Weather.Process(m_Now);
        m_Critters.Process(m_Now);
        // The time-server list a first run's download brought, into the file
        // it wrote before the list had come.
        SaveArrivedTimeServers();
        if (!m_SmallWindow) {
            m_Alarm.Process(m_Now);
            m_CDPlayer.Process(m_Now);
        }
    });
}

void CScreenSaver::DrawFrame() {
    if (!m_Initialised) return;
    bool pushed = false;
    XGuard("CScreenSaver::DrawFrame", [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // Background pictures draw here, before the camera is placed.
        m_BgBitmap.Draw(m_Now);
        glPushMatrix();
        pushed = true;
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        // Then, under the camera: star fields, critters, e-mail, date and time, weather.
        m_Stars.Draw(m_Now);
        m_Critters.Draw(m_Now, 0);
        m_Email.Draw(m_Now);
        m_DateTime.Draw(m_Now);
        m_Weather.Draw(m_Now);
        glPopMatrix();
        pushed = false;
    });
    if (pushed) glPopMatrix();
}

void CScreenSaver::Destroy() {
    XGuard("CScreenSaver::Destroy", [&] {
        // Their display lists and textures go with the context (also after a
        // set-up cut short by a stop).
        if (m_Initialised || m_Surface.IsCreated()) {
            m_DateTime.Release();
            m_Email.Release();
            m_Weather.Release();
        }
        // The picture belongs to the image library, which the destructor shuts down next.
        m_BgBitmap.Release();
        if (m_Initialised || m_Surface.IsCreated()) m_Surface.Destroy();
        m_Initialised = false;
    });
}
