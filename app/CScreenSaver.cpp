// The life of a CScreenSaver: its instances, the render thread, and the
// protocol that ends it (or the process) within a limit. The settings store
// and the scene are in CScreenSaverSettings.cpp and CScreenSaverScene.cpp.
#include "app/CScreenSaver.h"

#include "xlib/CloseTrace.h"
#include "xlib/StopWatch.h"
#include "platform/ImageDecoder.h"
#include "platform/Process.h"
#include "platform/Thread.h"
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
    // The first frame no longer waits for it: the web client starts here, on
    // the starting thread, while the render thread makes its context.
    if (started) CSystemDateTime::ReleaseTimeServerListRefresh();
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

