#include "app/x11/Monitors.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

std::vector<ScreenRect> ChooseMonitors(const std::vector<ScreenRect>& randr,
                                       const std::vector<ScreenRect>& xinerama) {
    if (randr.size() > 1 || xinerama.size() <= 1) return randr;
    std::vector<ScreenRect> out = xinerama;
    for (size_t i = 0; i < out.size(); ++i) out[i].primary = i == 0;
    return out;
}

std::vector<ScreenRect> Monitors(Display* dpy) {
    std::vector<ScreenRect> randr, xinerama;
    int eventBase = 0, errorBase = 0, count = 0;
    if (XRRQueryExtension(dpy, &eventBase, &errorBase)) {
        if (XRRMonitorInfo* m = XRRGetMonitors(dpy, DefaultRootWindow(dpy), True, &count)) {
            for (int i = 0; i < count; ++i)
                randr.push_back(ScreenRect{m[i].x, m[i].y, m[i].width, m[i].height, m[i].primary != 0});
            XRRFreeMonitors(m);
        }
    }
    // Xinerama is asked only when its answer could matter.
    if (randr.size() <= 1 && XineramaIsActive(dpy)) {
        if (XineramaScreenInfo* xs = XineramaQueryScreens(dpy, &count)) {
            for (int i = 0; i < count; ++i)
                xinerama.push_back(ScreenRect{xs[i].x_org, xs[i].y_org, xs[i].width, xs[i].height, false});
            XFree(xs);
        }
    }
    return ChooseMonitors(randr, xinerama);
}
