// The X11 desktop: the root window's background picture, published the way
// desktop programs look for it, GNOME's own background setting when GNOME is
// there, and the desktop manager found among the top-level windows.
#include "platform/Desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ImageDecoder.h"

extern char** environ;

namespace {

// Keeps an X connection for one call; errors are recorded, never fatal.
int g_XError = 0;
int RecordError(Display*, XErrorEvent* e) {
    g_XError = e->error_code;
    return 0;
}

struct Connection {
    Display* dpy = XOpenDisplay(nullptr);
    XErrorHandler old = nullptr;
    Connection() {
        if (dpy) old = XSetErrorHandler(RecordError);
    }
    ~Connection() {
        if (!dpy) return;
        XSync(dpy, False);
        XSetErrorHandler(old);
        XCloseDisplay(dpy);
    }
};

int RunAndWait(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// GNOME draws its own background over the root window: tell it too, when its
// settings tool and schema are there. Its settings live behind the session's
// message bus; without one (a bare X server) there is nobody to tell, and
// asking would only start a throw-away bus. Nothing to do (and no failure) then.
void SetGnomeBackground(const std::string& path) {
    const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!bus || !*bus) return;
    const char* schema = "org.gnome.desktop.background";
    if (RunAndWait({"gsettings", "list-keys", schema}) != 0) return;
    const std::string uri = "file://" + path;
    RunAndWait({"gsettings", "set", schema, "picture-uri", uri});
    RunAndWait({"gsettings", "set", schema, "picture-uri-dark", uri});
    RunAndWait({"gsettings", "set", schema, "picture-options", "stretched"});
}

unsigned Shift(unsigned long mask) {
    unsigned s = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++s;
    }
    return s;
}

// The picture stretched to w x h in the visual's pixel layout.
XImage* StretchedImage(Display* dpy, Visual* visual, int depth, ImageBitmap* bitmap, unsigned w, unsigned h) {
    XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, w, h, 32, 0);
    if (!image) return nullptr;
    image->data = static_cast<char*>(std::malloc(static_cast<size_t>(image->bytes_per_line) * h));
    if (!image->data) {
        XDestroyImage(image);
        return nullptr;
    }
    const unsigned iw = PlatformImageWidth(bitmap), ih = PlatformImageHeight(bitmap);
    const unsigned pitch = PlatformImagePitch(bitmap);
    const uint8_t* bits = PlatformImageBits(bitmap);
    const unsigned rs = Shift(visual->red_mask), gs = Shift(visual->green_mask), bs = Shift(visual->blue_mask);
    for (unsigned y = 0; y < h; ++y) {
        // Rows are stored bottom-up; the screen's row y is the picture's row from the top.
        const unsigned sy = static_cast<unsigned>(static_cast<unsigned long long>(y) * ih / h);
        const uint8_t* row = bits + static_cast<size_t>(ih - 1 - sy) * pitch;
        for (unsigned x = 0; x < w; ++x) {
            const uint8_t* p = row + static_cast<size_t>(static_cast<unsigned long long>(x) * iw / w) * 3;
            const unsigned long pixel = ((static_cast<unsigned long>(p[2]) << rs) & visual->red_mask) |
                                        ((static_cast<unsigned long>(p[1]) << gs) & visual->green_mask) |
                                        ((static_cast<unsigned long>(p[0]) << bs) & visual->blue_mask);
            XPutPixel(image, static_cast<int>(x), static_cast<int>(y), pixel);
        }
    }
    return image;
}

Pixmap ReadPixmapProperty(Display* dpy, Window root, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(dpy, root, property, 0, 1, False, AnyPropertyType, &type, &format, &count, &after,
                           &data) == Success &&
        type == XA_PIXMAP && format == 32 && count == 1 && data)
        pixmap = *reinterpret_cast<Pixmap*>(data);
    if (data) XFree(data);
    return pixmap;
}

bool HasName(Display* dpy, Window w, const char* name) {
    XClassHint hint{};
    bool classOk = false;
    if (XGetClassHint(dpy, w, &hint)) {
        classOk = (hint.res_class && std::strcmp(hint.res_class, name) == 0) ||
                  (hint.res_name && std::strcmp(hint.res_name, name) == 0);
        if (hint.res_name) XFree(hint.res_name);
        if (hint.res_class) XFree(hint.res_class);
    }
    if (!classOk) return false;
    char* title = nullptr;
    bool titleOk = XFetchName(dpy, w, &title) && title && std::strcmp(title, name) == 0;
    if (title) XFree(title);
    return titleOk;
}

// The root's children, and one level below them for windows a window manager
// has wrapped in a frame of its own.
Window FindTopLevel(Display* dpy, Window parent, const char* name, int depth) {
    Window root = None, up = None, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, parent, &root, &up, &children, &count)) return None;
    Window found = None;
    for (unsigned i = count; i-- > 0 && !found;)
        if (HasName(dpy, children[i], name)) found = children[i];
    for (unsigned i = count; depth > 0 && i-- > 0 && !found;) found = FindTopLevel(dpy, children[i], name, depth - 1);
    if (children) XFree(children);
    return found;
}

}  // namespace

std::string PlatformWallpaperFolder(const std::string& installDir) { return installDir; }

bool PlatformSetDesktopWallpaper(const std::string& path, int, std::string& error) {
    Connection c;
    if (!c.dpy) {
        error = "no X display to set the wallpaper on";
        return false;
    }
    Display* dpy = c.dpy;
    const size_t dot = path.rfind('.');
    const bool bmp = dot != std::string::npos && strcasecmp(path.c_str() + dot, ".bmp") == 0;
    std::string refusal;
    if (PlatformCheckUserFile(path.c_str(), kMaxImageFileBytes, &refusal) != UserFileVerdict::Usable) {
        error = "the picture " + path + " " + refusal;
        return false;
    }
    PlatformImageLibraryInitialise();
    ImageBitmap* bitmap = PlatformLoadImage(bmp ? ImageFileKind::Bmp : ImageFileKind::Jpeg, path.c_str());
    bool ok = false;
    if (!bitmap) {
        error = "could not read the picture " + path;
    } else {
        const int screen = DefaultScreen(dpy);
        const Window root = RootWindow(dpy, screen);
        const unsigned w = static_cast<unsigned>(DisplayWidth(dpy, screen));
        const unsigned h = static_cast<unsigned>(DisplayHeight(dpy, screen));
        const int depth = DefaultDepth(dpy, screen);
        XImage* image = StretchedImage(dpy, DefaultVisual(dpy, screen), depth, bitmap, w, h);
        if (!image) {
            error = "no memory for the wallpaper picture";
        } else {
            g_XError = 0;
            Pixmap pixmap = XCreatePixmap(dpy, root, w, h, static_cast<unsigned>(depth));
            XPutImage(dpy, pixmap, DefaultGC(dpy, screen), image, 0, 0, 0, 0, w, h);
            XDestroyImage(image);
            const Atom rootId = XInternAtom(dpy, "_XROOTPMAP_ID", False);
            const Atom setRootId = XInternAtom(dpy, "ESETROOT_PMAP_ID", False);
            // The pixmap must outlive this connection. The one a previous
            // setter left behind the same way is freed by ending what its
            // connection kept, as every root-picture setter does.
            const Pixmap previous = ReadPixmapProperty(dpy, root, setRootId);
            if (previous && previous == ReadPixmapProperty(dpy, root, rootId)) XKillClient(dpy, previous);
            XChangeProperty(dpy, root, rootId, XA_PIXMAP, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&pixmap), 1);
            XChangeProperty(dpy, root, setRootId, XA_PIXMAP, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&pixmap), 1);
            XSetWindowBackgroundPixmap(dpy, root, pixmap);
            XClearWindow(dpy, root);
            XSetCloseDownMode(dpy, RetainPermanent);
            XSync(dpy, False);
            ok = g_XError == 0;
            if (!ok) error = "the X server refused the wallpaper (error " + std::to_string(g_XError) + ")";
        }
        PlatformUnloadImage(bitmap);
    }
    PlatformImageLibraryDeInitialise();
    if (ok) SetGnomeBackground(path);
    return ok;
}

bool PlatformPostDesktopManagerCommand(unsigned number) {
    Connection c;
    if (!c.dpy) return false;
    Display* dpy = c.dpy;
    const Window target = FindTopLevel(dpy, DefaultRootWindow(dpy), kDesktopManagerName, 1);
    if (!target) return false;
    XRaiseWindow(dpy, target);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = target;
    ev.xclient.message_type = XInternAtom(dpy, kDesktopManagerAtom, False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(number);
    ev.xclient.data.l[1] = 0;
    XSendEvent(dpy, target, False, NoEventMask, &ev);
    XFlush(dpy);
    return true;
}
