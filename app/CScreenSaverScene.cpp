// The scene of CScreenSaver: the GL set-up, the camera, and the frame loop
// over the registry's modules, on the render thread.
#include "app/CScreenSaverModules.h"

#include "platform/GLInclude.h"
#include "scene/CEmitter.h"
#include "xlib/CloseTrace.h"
#include "xlib/RunLog.h"
#include "xlib/StopWatch.h"
#include "xlib/XException.h"
#include "xlib/XRandom.h"

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
        // short makes this frame the last one, and it is never shown. The
        // first frame goes out at once (the set-up took longer than a period
        // anyway), and the pace counts from it.
        bool paced = true;
        if (running && frame == 0) {
            m_LastFrameTime = watch.Elapsed();
            paced = !m_QuitRequested.Raised();
        } else if (running) {
            paced = PaceFrame(watch, m_LastFrameTime, period, &m_QuitRequested);
        }
        if (!paced) {
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
        const bool drawAhead = Scene().drawAhead;
        for (const ModuleRow* row : Calls().setup) row->of(*this).Prepare(drawAhead);
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

        // In the registry's set-up order. A stop that comes meanwhile ends
        // the set-up after the module in hand.
        const SceneContext scene = Scene();
        for (const ModuleRow* row : Calls().setup) {
            const bool actsOutside = (row->flags & kSetupActsOutside) != 0;
            if (actsOutside && m_ProcessEndsAfterStop) SetMayEndProcess(false);
            row->of(*this).Setup(scene);
            if (actsOutside) MayEndUnlessNeeded();
            if (m_QuitRequested.Raised()) return;
        }

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

SceneContext CScreenSaver::Scene() const {
    SceneContext scene;
    scene.width = static_cast<int32_t>(m_Width);
    scene.height = static_cast<int32_t>(m_Height);
    scene.smallWindow = m_SmallWindow;
    scene.deviceContext = m_Surface.DeviceContext();
    scene.drawAhead = m_SeedOverride < 0;
    return scene;
}

void CScreenSaver::NoteWindowResized() { m_ResizePending = true; }

bool CScreenSaver::FollowWindowSize() {
    bool changed = false;
    XGuard("CScreenSaver::FollowWindowSize", [&] {
        unsigned clientW = 0, clientH = 0;
        m_Surface.ClientSize(clientW, clientH);
        if (clientW == m_ClientWidth && clientH == m_ClientHeight) return;
        SetSceneSize(clientW, clientH);
        // In their start order. The small-window rule (alarm, disc) stays as
        // the run began: the disc was started, or not, for that size.
        const SceneContext scene = Scene();
        for (const ModuleRow* row : Calls().setup) row->of(*this).Reshape(scene);
        changed = true;
    });
    return changed;
}

void CScreenSaver::Logic() {
    XGuard("CScreenSaver::Logic", [&] {
        m_Now.SetToNow();
        for (const ModuleRow* row : Calls().process)
            if (!m_SmallWindow || !(row->flags & kFullSizeOnly)) row->of(*this).Process(m_Now);
        // The time-server list a first run's download brought, into the file
        // it wrote before the list had come.
        SaveArrivedTimeServers();
    });
}

void CScreenSaver::DrawFrame() {
    if (!m_Initialised) return;
    bool pushed = false;
    XGuard("CScreenSaver::DrawFrame", [&] {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (const ModuleRow* row : Calls().draw)
            if (row->flags & kBeforeCamera) row->of(*this).Draw(m_Now);
        glPushMatrix();
        pushed = true;
        // The camera, for everything drawn in the scene's space.
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        for (const ModuleRow* row : Calls().draw)
            if (!(row->flags & kBeforeCamera)) row->of(*this).Draw(m_Now);
        glPopMatrix();
        pushed = false;
    });
    if (pushed) glPopMatrix();
}

void CScreenSaver::Destroy() {
    XGuard("CScreenSaver::Destroy", [&] {
        // Their display lists and textures go with the context (also after a
        // set-up cut short by a stop), in the reverse order of the set-up.
        const bool context = m_Initialised || m_Surface.IsCreated();
        const auto& setup = Calls().setup;
        for (auto it = setup.rbegin(); it != setup.rend(); ++it)
            if (context || ((*it)->flags & kReleaseWithoutContext)) (*it)->of(*this).Release();
        if (m_Initialised || m_Surface.IsCreated()) m_Surface.Destroy();
        m_Initialised = false;
    });
}

