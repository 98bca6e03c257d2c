// Where the scene goes when one window covers several monitors: on the primary
// monitor, while the rest of the window stays black.
#pragma once

#include <vector>

struct ScreenRect {
    int x = 0, y = 0;  // top-left corner, y downwards
    int width = 0, height = 0;
    bool primary = false;
};

// The primary monitor (else the first one listed) in the coordinates of a
// window placed at `window`, clipped to it. With no monitor inside the window,
// the whole window.
ScreenRect SceneRectInWindow(const std::vector<ScreenRect>& monitors, const ScreenRect& window);

// The same rectangle as an OpenGL viewport origin (x, y from the bottom).
void SceneViewport(const ScreenRect& scene, int windowHeight, int& x, int& y);
