#include "platform/GLSurface.h"

#include <GL/glx.h>
#include <dlfcn.h>

#include <deque>
#include <future>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/PixelFormat.h"
#include "platform/x11/X11GLVisual.h"

namespace {
PixelFormatInfo Describe(Display* dpy, XVisualInfo* vi) {
    PixelFormatInfo f;
    int value = 0;
    f.supportOpenGL = glXGetConfig(dpy, vi, GLX_USE_GL, &value) == 0 && value;
    if (!f.supportOpenGL) return f;
    f.drawToWindow = true;  // every X visual can back a window
    glXGetConfig(dpy, vi, GLX_DOUBLEBUFFER, &value);
    f.doubleBuffer = value != 0;
    glXGetConfig(dpy, vi, GLX_RGBA, &value);
    f.rgba = value != 0;
    glXGetConfig(dpy, vi, GLX_BUFFER_SIZE, &f.colorBits);
    glXGetConfig(dpy, vi, GLX_DEPTH_SIZE, &f.depthBits);
    // GLX does not tell software from hardware visuals; all rank alike.
    return f;
}
}  // namespace

XVisualInfo* ChooseGLVisual(Display* dpy, int screen) {
    XVisualInfo tmpl{};
    tmpl.screen = screen;
    int count = 0;
    XVisualInfo* all = XGetVisualInfo(dpy, VisualScreenMask, &tmpl, &count);
    if (!all) return nullptr;
    std::vector<PixelFormatInfo> formats;
    for (int i = 0; i < count; ++i) {
        PixelFormatInfo f = Describe(dpy, &all[i]);
        // Deeper-than-24 visuals carry alpha into the window: fine for GL, but
        // only TrueColor works for RGBA rendering.
        if (all[i].c_class != TrueColor) f.rgba = false;
        formats.push_back(f);
    }
    int best = ChoosePixelFormatIndex(formats);
    XVisualInfo* chosen = nullptr;
    if (best > 0) {
        int n = 0;
        XVisualInfo want{};
        want.visualid = all[best - 1].visualid;
        chosen = XGetVisualInfo(dpy, VisualIDMask, &want, &n);
    }
    XFree(all);
    return chosen;
}

namespace {
// Connections ChooseGLVisualForRendering set GLX up on, for GLSurface::Create.
std::mutex g_SpareMutex;
std::deque<Display*> g_Spare;

void KeepSpare(Display* render) {
    std::lock_guard<std::mutex> lock(g_SpareMutex);
    g_Spare.push_back(render);
    // A window opened again and again without a surface would pile them up.
    while (g_Spare.size() > 4) {
        XCloseDisplay(g_Spare.front());
        g_Spare.pop_front();
    }
}

// The connection PrewarmGLConnection is setting up, until taken.
std::mutex g_PrewarmMutex;
std::future<Display*> g_Prewarm;

Display* TakePrewarmed() {
    std::future<Display*> prewarm;
    {
        std::lock_guard<std::mutex> lock(g_PrewarmMutex);
        prewarm = std::move(g_Prewarm);
    }
    return prewarm.valid() ? prewarm.get() : nullptr;
}

Display* TakeSpare() {
    if (Display* prewarmed = TakePrewarmed()) return prewarmed;
    std::lock_guard<std::mutex> lock(g_SpareMutex);
    if (g_Spare.empty()) return nullptr;
    Display* d = g_Spare.front();
    g_Spare.pop_front();
    return d;
}
}  // namespace

void PrewarmGLConnection() {
    std::lock_guard<std::mutex> lock(g_PrewarmMutex);
    if (g_Prewarm.valid()) return;
    try {
        g_Prewarm = std::async(std::launch::async, []() -> Display* {
            Display* render = XOpenDisplay(nullptr);
            // A request the screen's own GLX library answers: it loads the
            // driver and makes its screen (the dispatcher answers some, such
            // as the version, without either).
            if (render) glXQueryExtensionsString(render, DefaultScreen(render));
            return render;
        });
    } catch (const std::system_error&) {
        // No thread to be had: the render thread sets GLX up itself, as before.
    }
}

XVisualInfo* ChooseGLVisualForRendering(Display* display, int screen) {
    Display* render = TakePrewarmed();
    if (!render) render = XOpenDisplay(DisplayString(display));
    if (!render) return ChooseGLVisual(display, screen);
    XVisualInfo* chosen = ChooseGLVisual(render, screen);
    XVisualInfo* mine = nullptr;
    if (chosen) {
        // Visual ids are the server's, the same on every connection.
        XVisualInfo want{};
        want.visualid = chosen->visualid;
        want.screen = screen;
        int n = 0;
        mine = XGetVisualInfo(display, VisualIDMask | VisualScreenMask, &want, &n);
        XFree(chosen);
    }
    KeepSpare(render);
    return mine;
}

struct GLSurface::Impl {
    Display* display = nullptr;
    Window window = 0;
    GLXContext context = nullptr;
};

GLSurface::GLSurface() : m_Impl(new Impl) {}

GLSurface::~GLSurface() {
    Destroy();
    delete m_Impl;
}

bool GLSurface::IsCreated() const { return m_Impl->context != nullptr; }

void* GLSurface::DeviceContext() const { return nullptr; }

bool GLSurface::Create(NativeWindow window, std::string& error) {
    Destroy();
    // The render thread has its own connection so it never shares Xlib state with the input loop.
    m_Impl->display = TakeSpare();
    if (!m_Impl->display) m_Impl->display = XOpenDisplay(nullptr);
    if (!m_Impl->display) {
        error = "cannot open the X display";
        return false;
    }
    Display* dpy = m_Impl->display;
    XWindowAttributes attr;
    if (window == 0 || !XGetWindowAttributes(dpy, static_cast<Window>(window), &attr)) {
        error = "the window to render into does not exist";
        Destroy();
        return false;
    }
    XVisualInfo tmpl{};
    tmpl.visualid = XVisualIDFromVisual(attr.visual);
    int n = 0;
    XVisualInfo* vi = XGetVisualInfo(dpy, VisualIDMask, &tmpl, &n);
    if (!vi) {
        error = "the window's visual is unknown";
        Destroy();
        return false;
    }
    PixelFormatInfo f = Describe(dpy, vi);
    if (!f.supportOpenGL || !f.rgba) {
        XFree(vi);
        error = "the window's visual does not support RGBA OpenGL rendering";
        Destroy();
        return false;
    }
    m_Impl->context = glXCreateContext(dpy, vi, nullptr, True);
    if (!m_Impl->context) m_Impl->context = glXCreateContext(dpy, vi, nullptr, False);
    XFree(vi);
    if (!m_Impl->context) {
        error = "glXCreateContext failed";
        Destroy();
        return false;
    }
    m_Impl->window = static_cast<Window>(window);
    if (!glXMakeCurrent(dpy, m_Impl->window, m_Impl->context)) {
        error = "glXMakeCurrent failed";
        Destroy();
        return false;
    }
    return true;
}

void GLSurface::ClientSize(unsigned& width, unsigned& height) const {
    width = height = 0;
    XWindowAttributes attr;
    if (m_Impl->display && XGetWindowAttributes(m_Impl->display, m_Impl->window, &attr)) {
        width = static_cast<unsigned>(attr.width);
        height = static_cast<unsigned>(attr.height);
    }
}

bool GLSurface::WindowAlive() const {
    // With the process's error handler ignoring errors, a failed query is the
    // sign of a destroyed window.
    XWindowAttributes attr;
    return m_Impl->display && XGetWindowAttributes(m_Impl->display, m_Impl->window, &attr) != 0;
}

void GLSurface::SwapBuffers() {
    if (m_Impl->context) glXSwapBuffers(m_Impl->display, m_Impl->window);
}

void GLSurface::Destroy() {
    if (m_Impl->display) {
        if (m_Impl->context) {
            glXMakeCurrent(m_Impl->display, None, nullptr);
            glXDestroyContext(m_Impl->display, m_Impl->context);
        }
        XCloseDisplay(m_Impl->display);
    }
    m_Impl->display = nullptr;
    m_Impl->context = nullptr;
    m_Impl->window = 0;
}

GLProcedure GLProcAddress(const char* name) {
    // The program's own calls resolve to whichever library the process
    // loaded first (the window system's, or an offscreen one in the tests),
    // so a name is looked up the same way; GLX's lookup serves the names that
    // library does not export (extension suffixes).
    if (void* found = dlsym(RTLD_DEFAULT, name)) return reinterpret_cast<GLProcedure>(found);
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}
