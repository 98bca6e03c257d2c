// Test tool for the end-to-end scripts: a stand-in for the maker's desktop
// manager on X11, a top-level window whose WM_CLASS and WM_NAME are both
// "ZEZUZizo". Prints "ready", then one line "command N lparam L" for every
// ClientMessage of type _ZEZUZIZO_COMMAND it receives, until it is killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

int main() {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return 2;
    Window w = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 200, 100, 0, 0, 0);
    XStoreName(dpy, w, "ZEZUZizo");
    XClassHint hint;
    hint.res_name = const_cast<char*>("ZEZUZizo");
    hint.res_class = const_cast<char*>("ZEZUZizo");
    XSetClassHint(dpy, w, &hint);
    Atom command = XInternAtom(dpy, "_ZEZUZIZO_COMMAND", False);
    XSync(dpy, False);
    std::printf("ready\n");
    std::fflush(stdout);
    XEvent ev;
    for (;;) {
        XNextEvent(dpy, &ev);
        if (ev.type == ClientMessage && ev.xclient.message_type == command && ev.xclient.format == 32) {
            std::printf("command %ld lparam %ld\n", ev.xclient.data.l[0], ev.xclient.data.l[1]);
            std::fflush(stdout);
        }
    }
}
