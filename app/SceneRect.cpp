#include "app/SceneRect.h"

#include <algorithm>

ScreenRect SceneRectInWindow(const std::vector<ScreenRect>& monitors, const ScreenRect& window) {
    ScreenRect whole{0, 0, window.width, window.height, true};
    const ScreenRect* chosen = nullptr;
    for (const ScreenRect& m : monitors) {
        if (m.width <= 0 || m.height <= 0) continue;
        if (!chosen || (m.primary && !chosen->primary)) chosen = &m;
    }
    if (!chosen) return whole;
    const int left = std::max(chosen->x, window.x), top = std::max(chosen->y, window.y);
    const int right = std::min(chosen->x + chosen->width, window.x + window.width);
    const int bottom = std::min(chosen->y + chosen->height, window.y + window.height);
    if (right <= left || bottom <= top) return whole;
    return ScreenRect{left - window.x, top - window.y, right - left, bottom - top, true};
}

void SceneViewport(const ScreenRect& scene, int windowHeight, int& x, int& y) {
    x = scene.x;
    y = windowHeight - scene.y - scene.height;
}
