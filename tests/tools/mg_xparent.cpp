// Test tool for the end-to-end scripts: an X window for the saver to draw into
// or to take as its preview parent, or a window-manager style close request.
//
//   mg_xparent [WIDTHxHEIGHT [X Y]]   maps a magenta window, prints its id in
//                                     decimal on stdout and stays up until killed
//   mg_xparent --send-delete ID       sends WM_DELETE_WINDOW to window ID
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
int SendDelete(Display* dpy, Window target) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = target;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    Status ok = XSendEvent(dpy, target, False, NoEventMask, &ev);
    XSync(dpy, False);
    return ok ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "mg_xparent: cannot open the display\n");
        return 2;
    }
    if (argc == 3 && std::strcmp(argv[1], "--send-delete") == 0)
        return SendDelete(dpy, static_cast<Window>(std::strtoul(argv[2], nullptr, 0)));

    unsigned w = 320, h = 240;
    int x = 40, y = 40;
    if (argc > 1 && std::sscanf(argv[1], "%ux%u", &w, &h) != 2) {
        std::fprintf(stderr, "usage: mg_xparent [WIDTHxHEIGHT [X Y]] | --send-delete ID\n");
        return 2;
    }
    if (argc > 3) {
        x = std::atoi(argv[2]);
        y = std::atoi(argv[3]);
    }
    int screen = DefaultScreen(dpy);
    // Magenta, a colour the saver's own frame never clears to, so a script can
    // tell whether anything was drawn over the window.
    XSetWindowAttributes swa{};
    swa.background_pixel = 0xFF00FF;
    swa.override_redirect = True;
    Window win = XCreateWindow(dpy, RootWindow(dpy, screen), x, y, w, h, 0, CopyFromParent, InputOutput,
                               CopyFromParent, CWBackPixel | CWOverrideRedirect, &swa);
    XStoreName(dpy, win, "mg_xparent");
    XSelectInput(dpy, win, StructureNotifyMask);
    XMapRaised(dpy, win);
    XEvent ev;
    do XNextEvent(dpy, &ev);
    while (ev.type != MapNotify);
    std::printf("%lu\n", static_cast<unsigned long>(win));
    std::fflush(stdout);
    for (;;) XNextEvent(dpy, &ev);  // ends with the process (a signal or the display going away)
}
