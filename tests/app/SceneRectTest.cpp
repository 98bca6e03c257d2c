#include "app/SceneRect.h"

#include <gtest/gtest.h>

// The scene's place inside a window that covers several monitors, and the
// matching viewport (OpenGL counts y from the bottom).
TEST(SceneRect, PrimaryMonitorInWindowCoordinates) {
    struct Case {
        const char* what;
        std::vector<ScreenRect> monitors;
        ScreenRect window;
        ScreenRect scene;
        int viewX, viewY;
    };
    const Case cases[] = {
        {"no monitors known: the whole window", {}, {0, 0, 1024, 768}, {0, 0, 1024, 768}, 0, 0},
        {"two side by side, first primary",
         {{0, 0, 1024, 768, true}, {1024, 0, 1024, 768, false}},
         {0, 0, 2048, 768},
         {0, 0, 1024, 768},
         0,
         0},
        {"the primary listed second", {{0, 0, 800, 600, false}, {800, 0, 1024, 768, true}},
         {0, 0, 1824, 768}, {800, 0, 1024, 768}, 800, 0},
        {"none marked primary: the first",
         {{0, 0, 1024, 768, false}, {1024, 0, 1280, 1024, false}},
         {0, 0, 2304, 1024},
         {0, 0, 1024, 768},
         0,
         256},
        {"virtual screen starting left of the primary (Windows)",
         {{0, 0, 1920, 1080, true}},
         {-1280, 0, 3200, 1080},
         {1280, 0, 1920, 1080},
         1280,
         0},
        {"primary below another monitor", {{0, 600, 800, 600, true}, {0, 0, 800, 600, false}}, {0, 0, 800, 1200},
         {0, 600, 800, 600}, 0, 0},
        {"primary larger than the window: clipped", {{0, 0, 4000, 4000, true}}, {0, 0, 1024, 768},
         {0, 0, 1024, 768}, 0, 0},
        {"primary outside the window: the whole window", {{5000, 0, 800, 600, true}}, {0, 0, 1024, 768},
         {0, 0, 1024, 768}, 0, 0},
        {"empty monitor entries skipped", {{0, 0, 0, 0, true}, {0, 0, 640, 480, false}}, {0, 0, 1280, 480},
         {0, 0, 640, 480}, 0, 0},
    };
    for (const Case& c : cases) {
        ScreenRect r = SceneRectInWindow(c.monitors, c.window);
        EXPECT_EQ(c.scene.x, r.x) << c.what;
        EXPECT_EQ(c.scene.y, r.y) << c.what;
        EXPECT_EQ(c.scene.width, r.width) << c.what;
        EXPECT_EQ(c.scene.height, r.height) << c.what;
        int vx = -1, vy = -1;
        SceneViewport(r, c.window.height, vx, vy);
        EXPECT_EQ(c.viewX, vx) << c.what;
        EXPECT_EQ(c.viewY, vy) << c.what;
    }
}
