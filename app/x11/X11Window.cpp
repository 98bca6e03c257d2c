#include "app/x11/X11Window.h"

#include <poll.h>
#include <unistd.h>

#include "app/x11/SignalPipe.h"
#include "platform/x11/X11GLVisual.h"

namespace {
// Xlib's handlers are plain functions without a context: the trap's errors go here.
int g_TrappedError = 0;
int RecordXError(Display*, XErrorEvent* e) {
    g_TrappedError = e->error_code;
    return 0;
}
}  // namespace

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

XErrorTrap::XErrorTrap(Display* dpy) : m_Display(dpy), m_Previous(XSetErrorHandler(RecordXError)) {
    g_TrappedError = 0;
}

XErrorTrap::~XErrorTrap() { XSetErrorHandler(m_Previous); }

bool XErrorTrap::Failed() {
    XSync(m_Display, False);
    return g_TrappedError != 0;
}

bool WindowExists(Display* dpy, Window w) {
    XErrorTrap trap(dpy);
    XWindowAttributes attr;
    Status ok = XGetWindowAttributes(dpy, w, &attr);
    return !trap.Failed() && ok;
}

Cursor BlankCursor(Display* dpy) {
    static char bits[1] = {0};
    Pixmap pix = XCreateBitmapFromData(dpy, DefaultRootWindow(dpy), bits, 1, 1);
    XColor black{};
    Cursor c = XCreatePixmapCursor(dpy, pix, pix, &black, &black, 0, 0);
    XFreePixmap(dpy, pix);
    return c;
}

void PointerPosition(Display* dpy, int& x, int& y) {
    Window rootRet, childRet;
    int wx, wy;
    unsigned mask;
    x = y = 0;
    XQueryPointer(dpy, DefaultRootWindow(dpy), &rootRet, &childRet, &x, &y, &wx, &wy, &mask);
}

void GrabInput(Display* dpy, Window w, Cursor cursor) {
    for (int i = 0; i < 100; ++i) {
        if (XGrabKeyboard(dpy, w, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess) break;
        usleep(10000);
    }
    for (int i = 0; i < 100; ++i) {
        if (XGrabPointer(dpy, w, True, PointerMotionMask | ButtonPressMask | ButtonReleaseMask, GrabModeAsync,
                         GrabModeAsync, None, cursor, CurrentTime) == GrabSuccess)
            break;
        usleep(10000);
    }
}

void UngrabInput(Display* dpy) {
    XUngrabPointer(dpy, CurrentTime);
    XUngrabKeyboard(dpy, CurrentTime);
}

bool NextEvent(Display* dpy, XEvent& ev) {
    while (!TerminateRequested()) {
        if (XPending(dpy)) {
            XNextEvent(dpy, &ev);
            return true;
        }
        const int wake = SignalWakeFd();
        struct pollfd pfd[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {wake, POLLIN, 0}};
        poll(pfd, wake >= 0 ? 2 : 1, 1000);
    }
    return false;
}

bool GLWindow::Open(const GLWindowShape& shape, std::string& error) {
    const int screen = DefaultScreen(m_Display);
    XVisualInfo* vi = ChooseGLVisualForRendering(m_Display, screen);
    if (!vi) {
        error = "no double-buffered RGBA OpenGL visual on this display";
        return false;
    }
    XSetWindowAttributes swa{};
    m_Colormap = XCreateColormap(m_Display, RootWindow(m_Display, screen), vi->visual, AllocNone);
    swa.colormap = m_Colormap;
    swa.background_pixel = 0;
    swa.border_pixel = 0;
    swa.override_redirect = shape.overrideRedirect ? True : False;
    swa.event_mask = shape.events;
    const Window parent = shape.parent ? shape.parent : RootWindow(m_Display, screen);
    m_Window = XCreateWindow(m_Display, parent, shape.x, shape.y, shape.width, shape.height, 0, vi->depth, InputOutput,
                             vi->visual, CWColormap | CWBackPixel | CWBorderPixel | CWOverrideRedirect | CWEventMask,
                             &swa);
    XFree(vi);
    if (shape.name) XStoreName(m_Display, m_Window, shape.name);
    if (shape.closeButton) {
        m_DeleteAtom = XInternAtom(m_Display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(m_Display, m_Window, &m_DeleteAtom, 1);
    }
    if (shape.cursor != None) XDefineCursor(m_Display, m_Window, shape.cursor);
    if (shape.raised)
        XMapRaised(m_Display, m_Window);
    else
        XMapWindow(m_Display, m_Window);
    XEvent ev;
    for (int i = 0; i < 200; ++i) {
        if (XCheckTypedWindowEvent(m_Display, m_Window, MapNotify, &ev)) break;
        usleep(5000);
    }
    return true;
}

GLWindow::~GLWindow() {
    if (m_Window && WindowExists(m_Display, m_Window)) XDestroyWindow(m_Display, m_Window);
    if (m_Colormap) XFreeColormap(m_Display, m_Colormap);
    if (m_Window || m_Colormap) XSync(m_Display, False);
}
