#include "app/CScreenSaver.h"

#include "app/StopWatch.h"
#include "platform/GLInclude.h"
#include "scene/CEmitter.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XRandom.h"

std::recursive_mutex g_Lock;
std::atomic<int32_t> g_InstanceThreadCount{0};

double ProjectionAspect(unsigned width, unsigned height) {
    if (height == 0) return 1.0;
    return static_cast<double>(width / height);
}

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
        StopWatch::Process().Start();
        XSeedRandom(PlatformTickCount());
        m_Initialised = false;
        m_SmallWindow = true;
        m_CachedVideoMode = -1;
        DefaultAll();
    });
}

CScreenSaver::~CScreenSaver() {
    XGuard("CScreenSaver destructor", [&] {
        JoinOrRelease();
        Destroy();
    });
}

void CScreenSaver::DefaultAll() {
    XGuard("CScreenSaver::DefaultAll", [&] {
        m_ConfigName = "Meadowglow";
        m_General.Default();
        m_Stars.Default();
        m_Effects.Default();
    });
}

bool CScreenSaver::Load() {
    bool ok = false;
    XGuard("CScreenSaver::Load", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        DefaultAll();
        m_ErrorText.clear();
        ok = true;
    });
    return ok;
}

bool CScreenSaver::BackupConfig() {
    bool ok = false;
    XGuard("CScreenSaver::BackupConfig", [&] {
        DefaultAll();
        m_ErrorText.clear();
        ok = true;
    });
    return ok;
}

int32_t CScreenSaver::GetReadOnlyVideoMode() {
    int32_t mode = 0;
    XGuard("CScreenSaver::GetReadOnlyVideoMode", [&] {
        std::lock_guard<std::recursive_mutex> lock(g_Lock);
        if (m_CachedVideoMode < 0) m_CachedVideoMode = 0;
        mode = m_CachedVideoMode;
    });
    return mode;
}

void CScreenSaver::DoExitTasks() {
    XGuard("CScreenSaver::DoExitTasks", [&] {});
}

void CScreenSaver::JoinOrRelease() {
    if (!m_Thread.joinable()) return;
    if (m_ThreadDone)
        m_Thread.join();
    else
        m_Thread.detach();  // hung past Stop's limit: let it go rather than block the process
}

bool CScreenSaver::Start() {
    bool started = false;
    XGuard("CScreenSaver::Start", [&] {
        JoinOrRelease();
        m_ThreadDone = false;
        try {
            m_Thread = std::thread(&CScreenSaver::InstanceThread, this);
        } catch (const std::system_error&) {
            m_ThreadDone = true;
            return;
        }
        ++g_InstanceThreadCount;
        started = true;
    });
    return started;
}

void CScreenSaver::Stop() {
    XGuard("CScreenSaver::Stop", [&] {
        m_QuitRequested = true;
        int count = 0;
        while (g_InstanceThreadCount > 0) {
            PlatformSleepMs(10);
            if (++count > 1000) break;
        }
        PlatformSleepMs(10);
        JoinOrRelease();
    });
}

void CScreenSaver::RefreshPreview(CScreenSaver& preview, NativeWindow previewWindow) {
    XGuard("CScreenSaver::RefreshPreview", [&] {
        preview.Stop();
        preview.SetWindow(previewWindow);
        if (!preview.Start()) WriteRunLog("Screen saver", "Failed to lauch screen saver preview.", false);
    });
}

void CScreenSaver::InstanceThread(CScreenSaver* saver) {
    saver->Init();
    XGuard("CScreenSaver::InstanceThread", [&] { saver->RunFrames(); });
    saver->m_ThreadDone = true;
    --g_InstanceThreadCount;
}

// The whole life of a render thread after Init, in the order the modules expect.
void CScreenSaver::RunFrames() {
    StopWatch& watch = StopWatch::Process();
    bool running = true;
    unsigned frame = 0;
    while (true) {
        if (m_QuitRequested) running = false;
        Logic();
        DrawFrame();
        uint32_t period = m_PeriodOverride >= 0 ? static_cast<uint32_t>(m_PeriodOverride) : m_General.SaverSpeed;
        PaceFrame(watch, m_LastFrameTime, period);
        if (m_Initialised) glFlush();
        if (m_FrameObserver) m_FrameObserver(frame);
        ++frame;
        // The frame drawn after the quit request is never shown: it stays in the
        // back buffer for the wallpaper.
        if (!running) break;
        if (m_Initialised) m_Surface.SwapBuffers();
    }
    Destroy();
}

void CScreenSaver::Init() {
    XGuard("CScreenSaver::Init", [&] {
        XSeedRandom(PlatformTickCount());
        m_Now = PlatformLocalTime();
        FillSinCosTables();

        Load();

        std::string error;
        if (!m_Surface.Create(m_Window, error)) throw XException(5000, "CScreenSaver", error.c_str());

        unsigned w = 0, h = 0;
        m_Surface.ClientSize(w, h);
        m_Width = w;
        m_Height = h;
        m_SmallWindow = !(w >= 320 && h >= 200);

        glViewport(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h));
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(70.0, ProjectionAspect(w, h), static_cast<double>(0.2f), 70.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();

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
        m_Stars.Setup(w, h);
        m_Effects.ApplyFog();

        glShadeModel(m_General.RenderStyle == 1 ? GL_FLAT : GL_SMOOTH);

        m_QuitRequested = false;
        m_LastFrameTime = StopWatch::Process().Elapsed();
        m_Initialised = true;
    });
}

void CScreenSaver::Logic() {
    XGuard("CScreenSaver::Logic", [&] {
        m_Now = PlatformLocalTime();
        // Process, each with a copy of the frame's time: background pictures,
        // star fields, e-mail, date and time, weather, critters; then, in a
        // full-size window only, the alarm and the CD player.
        m_Stars.Process(m_Now);
    });
}

void CScreenSaver::DrawFrame() {
    if (!m_Initialised) return;
    bool pushed = false;
    XGuard("CScreenSaver::DrawFrame", [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // Background pictures draw here, before the camera is placed.
        glPushMatrix();
        pushed = true;
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        // Then, under the camera: star fields, critters, e-mail, date and time, weather.
        m_Stars.Draw(m_Now);
        glPopMatrix();
        pushed = false;
    });
    if (pushed) glPopMatrix();
}

void CScreenSaver::Destroy() {
    XGuard("CScreenSaver::Destroy", [&] {
        if (m_Initialised || m_Surface.IsCreated()) m_Surface.Destroy();
        m_Initialised = false;
    });
}
