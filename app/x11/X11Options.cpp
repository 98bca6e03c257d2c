#include "app/x11/X11Front.h"

#include <cstdlib>

#include "app/CommandLine.h"

namespace {
bool ParseWindowId(const std::string& text, uint64_t& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);  // XScreenSaver passes hex or decimal
    if (!end || *end != '\0' || v == 0) return false;
    out = v;
    return true;
}

bool ParseSize(const std::string& text, unsigned& w, unsigned& h) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    int a = std::atoi(text.substr(0, x).c_str());
    int b = std::atoi(text.substr(x + 1).c_str());
    if (a <= 0 || b <= 0 || a > 16384 || b > 16384) return false;
    w = static_cast<unsigned>(a);
    h = static_cast<unsigned>(b);
    return true;
}
}  // namespace

X11Options ParseX11Options(const std::vector<std::string>& args, const char* xscreensaverWindow) {
    X11Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--bench") {
            o.mode = X11Mode::Bench;
            for (size_t j = 0; j < args.size(); ++j) {
                const std::string& a = args[j];
                bool hasValue = j + 1 < args.size();
                if (a == "--bench") continue;
                if (a == "--unpaced") {
                    o.unpaced = true;
                } else if (a == "--frames" && hasValue) {
                    int n = std::atoi(args[++j].c_str());
                    if (n <= 0) o.error = "--frames needs a positive number";
                    else o.frames = static_cast<unsigned>(n);
                } else if (a == "--size" && hasValue) {
                    if (!ParseSize(args[++j], o.width, o.height)) o.error = "--size needs WIDTHxHEIGHT";
                } else if (a == "--bench-emitters" && hasValue) {
                    int n = std::atoi(args[++j].c_str());
                    if (n < 0 || n > 64) o.error = "--bench-emitters needs a number from 0 to 64";
                    else o.benchEmitters = static_cast<unsigned>(n);
                } else if (a == "--snapshot" && hasValue) {
                    o.snapshot = args[++j];
                } else {
                    o.error = "unknown benchmark option " + a;
                }
            }
            return o;
        }
    }

    // XScreenSaver's conventions come before the screen-saver switches.
    bool root = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-root") {
            root = true;
        } else if (args[i] == "-window-id" || args[i] == "--window-id") {
            o.mode = X11Mode::HostWindow;
            if (i + 1 >= args.size() || !ParseWindowId(args[i + 1], o.window)) {
                o.error = "-window-id needs a window id";
            }
            o.windowGiven = true;
            return o;
        } else if (args[i] == "-window" || args[i] == "--window") {
            o.mode = X11Mode::PlainWindow;
            return o;
        }
    }
    if (xscreensaverWindow && *xscreensaverWindow && (root || args.empty())) {
        o.mode = X11Mode::HostWindow;
        if (ParseWindowId(xscreensaverWindow, o.window)) {
            o.windowGiven = true;
        } else {
            o.error = "XSCREENSAVER_WINDOW does not name a window";
        }
        return o;
    }
    if (root) {
        o.mode = X11Mode::HostWindow;
        o.window = 0;
        return o;
    }

    std::string line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) line += ' ';
        line += args[i];
    }
    SaverSwitch sw = ParseSaverSwitch(line);
    switch (sw.action) {
        case SaverAction::NoSwitch:
        case SaverAction::Configure:
            o.mode = X11Mode::Settings;
            break;
        case SaverAction::ChangePassword:
            o.mode = X11Mode::ChangePassword;
            break;
        case SaverAction::FullScreen:
            o.mode = X11Mode::FullScreen;
            break;
        case SaverAction::Preview:
            o.mode = X11Mode::Preview;
            o.window = ParsePreviewHandle(sw.rest);
            if (o.window == 0) o.badHandle = sw.rest;
            break;
        case SaverAction::Unknown:
            o.mode = X11Mode::Unknown;
            break;
    }
    return o;
}
