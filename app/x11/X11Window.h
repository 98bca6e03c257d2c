// The X helpers the run modes and the benchmark share, and the one way they
// make a window of their own.
#pragma once

#include <X11/Xlib.h>

#include <string>

// The host may destroy the window we draw into at any moment (the preview's
// parent closing, a screen-saver daemon tearing its window down); the render
// thread's next swap then fails with BadDrawable. Xlib's default handler would
// end the process on the spot with status 1, skipping the orderly stop, so
// main installs this one and X errors are left to the code that checks for them.
int IgnoreXError(Display*, XErrorEvent*);

// Catches the X errors of the requests made while it lives, instead of the
// process-wide handler, which it puts back when it goes.
class XErrorTrap {
public:
    explicit XErrorTrap(Display* dpy);
    ~XErrorTrap();
    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;
    // Waits for the server's answers, then: did any request fail?
    bool Failed();

private:
    Display* m_Display;
    XErrorHandler m_Previous;
};

bool WindowExists(Display* dpy, Window w);
// An invisible pointer for the full-screen window.
Cursor BlankCursor(Display* dpy);
// Where the pointer is on the screen.
void PointerPosition(Display* dpy, int& x, int& y);
// Keyboard and pointer, retried briefly: a grab fails until the window is
// viewable and any earlier grab is gone.
void GrabInput(Display* dpy, Window w, Cursor cursor);
void UngrabInput(Display* dpy);
// Waits for the next X event or a termination signal (false then).
bool NextEvent(Display* dpy, XEvent& ev);

// What a window of our own looks like.
struct GLWindowShape {
    Window parent = 0;  // 0: the root window
    int x = 0, y = 0;
    unsigned width = 0, height = 0;
    bool overrideRedirect = false;
    long events = 0;
    const char* name = nullptr;  // the window's title, none when null
    bool raised = false;         // mapped on top of its siblings
    bool closeButton = false;    // takes the window manager's WM_DELETE_WINDOW
    Cursor cursor = None;        // None: the parent's
};

// A window with a double-buffered RGBA OpenGL visual, created, named and
// mapped by Open and destroyed with its colormap when this goes (unless
// someone else destroyed it first, as a preview's parent takes its children).
class GLWindow {
public:
    explicit GLWindow(Display* dpy) : m_Display(dpy) {}
    ~GLWindow();
    GLWindow(const GLWindow&) = delete;
    GLWindow& operator=(const GLWindow&) = delete;

    // Returns once the server has mapped the window (or after a second).
    // False, with `error` set, when the display has no such visual.
    bool Open(const GLWindowShape& shape, std::string& error);
    Window Id() const { return m_Window; }
    // The close button's message type; None without one.
    Atom DeleteAtom() const { return m_DeleteAtom; }

private:
    Display* m_Display;
    Window m_Window = 0;
    Colormap m_Colormap = 0;
    Atom m_DeleteAtom = None;
};
