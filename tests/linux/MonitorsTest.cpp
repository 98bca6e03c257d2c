// Which extension's monitor list the full-screen window's scene follows.
#include "app/x11/Monitors.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string Describe(const std::vector<ScreenRect>& list) {
    std::string out;
    for (const ScreenRect& r : list)
        out += std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
               std::to_string(r.height) + (r.primary ? "*" : "") + ";";
    return out;
}
}  // namespace

TEST(Monitors, XineramaCountsOnlyWhereXRandRSeesOneMonitorAtMost) {
    const ScreenRect left{0, 0, 1024, 768, false}, right{1024, 0, 800, 600, true};
    const ScreenRect whole{0, 0, 1824, 768, true};
    // Xinerama's own primary flags mean nothing: its first screen is the primary one.
    const ScreenRect xa{0, 0, 640, 480, false}, xb{640, 0, 640, 480, true}, xc{1280, 0, 640, 480, true};
    struct Case {
        const char* what;
        std::vector<ScreenRect> randr, xinerama;
        const char* expected;
    } cases[] = {
        {"neither extension", {}, {}, ""},
        {"XRandR alone", {left, right}, {}, "0,0 1024x768;1024,0 800x600*;"},
        {"XRandR's several win over Xinerama's", {left, right}, {xa, xb, xc}, "0,0 1024x768;1024,0 800x600*;"},
        {"one XRandR monitor, Xinerama splits it", {whole}, {xa, xb}, "0,0 640x480*;640,0 640x480;"},
        {"no XRandR, three Xinerama screens", {}, {xa, xb, xc}, "0,0 640x480*;640,0 640x480;1280,0 640x480;"},
        {"one Xinerama screen is no split", {whole}, {xb}, "0,0 1824x768*;"},
        {"one Xinerama screen and no XRandR", {}, {xb}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, Describe(ChooseMonitors(c.randr, c.xinerama))) << c.what;
}
