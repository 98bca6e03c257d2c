#include "app/x11/X11Front.h"

#include <cctype>
#include <cstdlib>
#include <string>

#include "app/CGeneralConfig.h"
#include "app/CommandLine.h"
#include "scene/CCritters.h"
#include "scene/CEffects.h"
#include "scene/CStarFields.h"
#include "services/CSystemDateTime.h"
#include "xlib/SettingsTable.h"

namespace {
bool ParseWindowId(const std::string& text, uint64_t& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    unsigned long long v = std::strtoull(text.c_str(), &end, 0);  // XScreenSaver passes hex or decimal
    if (!end || *end != '\0' || v == 0) return false;
    out = v;
    return true;
}

// "--word" is "-word"; one-letter switches ("-s", "/p") keep their form for
// the screen-saver switch parser.
std::string OneDash(const std::string& arg) {
    if (arg.size() > 3 && arg[0] == '-' && arg[1] == '-' && arg[2] != '-') return arg.substr(1);
    return arg;
}

// A word after its dashes ("-root", "--window-id"), as opposed to a
// screen-saver switch such as "-s", "/p" or "/c:1234".
bool IsWordOption(const std::string& arg) {
    return arg.size() > 2 && arg[0] == '-' && std::isalpha(static_cast<unsigned char>(arg[1])) &&
           std::isalpha(static_cast<unsigned char>(arg[2]));
}

// Toolkit options taken and dropped; -display is remembered. False when a
// value is missing.
bool DropToolkitOptions(std::vector<std::string>& args, X11Options& o) {
    std::vector<std::string> kept;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-display" || a == "-visual") {
            if (i + 1 >= args.size()) {
                o.error = a + " needs a value";
                return false;
            }
            if (a == "-display") o.display = args[i + 1];
            ++i;
        } else if (a != "-install" && a != "-fps" && a != "-no-fps" && a != "-pair") {
            kept.push_back(a);
        }
    }
    args.swap(kept);
    return true;
}
// The settings XScreenSaver's panel offers, each named as its module's
// settings table names it; a number's range is the table's. Read from the
// tables themselves: a usage error must not make a saver (whose defaults
// start the time-server list's download).
template <class Module>
const char* SectionOf() {
    return Module::Settings().Section();
}
template <class Module>
bool DescribeIn(std::string_view tag, SettingInfo& info) {
    return Module::Settings().Describe(tag, info);
}
struct PanelSetting {
    const char* name;
    const char* tag;
    const char* (*section)();
    bool (*describe)(std::string_view tag, SettingInfo& info);
};
const PanelSetting kNumberSettings[] = {
    {"-critters", "NumCritters", SectionOf<CCritters>, DescribeIn<CCritters>},
    {"-critter-size", "Size", SectionOf<CCritters>, DescribeIn<CCritters>},
    {"-critter-speed", "Speed", SectionOf<CCritters>, DescribeIn<CCritters>},
    {"-period", "SaverSpeed", SectionOf<CGeneralConfig>, DescribeIn<CGeneralConfig>},
    {"-star-scheme", "ColorScheme", SectionOf<CStarFields>, DescribeIn<CStarFields>},
};
// "-fog" switches it on, "-no-fog" off.
const PanelSetting kSwitchSettings[] = {
    {"-ladybugs", "LadyBugs", SectionOf<CCritters>, DescribeIn<CCritters>},
    {"-worms", "WiggleWorms", SectionOf<CCritters>, DescribeIn<CCritters>},
    {"-bees", "BuzzzyBees", SectionOf<CCritters>, DescribeIn<CCritters>},
    {"-stars", "Enabled", SectionOf<CStarFields>, DescribeIn<CStarFields>},
    {"-fog", "Fog/Enabled", SectionOf<CEffects>, DescribeIn<CEffects>},
    {"-date", "DisplayDate", SectionOf<CSystemDateTime>, DescribeIn<CSystemDateTime>},
    {"-time", "DisplayTime", SectionOf<CSystemDateTime>, DescribeIn<CSystemDateTime>},
    {"-countdown", "EnableCountDown", SectionOf<CSystemDateTime>, DescribeIn<CSystemDateTime>},
};

// The range the table gives a number option.
void RangeOf(const PanelSetting& n, int64_t& lo, int64_t& hi) {
    SettingInfo info;
    if (!n.describe(n.tag, info) || !info.ranged) {
        lo = hi = 0;
        return;
    }
    lo = info.lo;
    hi = info.hi;
}

bool ParseBounded(const std::string& text, int64_t lo, int64_t hi, int64_t& out) {
    if (text.empty() || text.size() > 12) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

// Setting options taken out of `args` into o.overrides. False on a missing
// or refused value.
bool TakeSettingOptions(std::vector<std::string>& args, X11Options& o) {
    std::vector<std::string> kept;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool taken = false;
        for (const PanelSetting& n : kNumberSettings) {
            if (a != n.name) continue;
            int64_t v = 0, lo = 0, hi = 0;
            RangeOf(n, lo, hi);
            if (i + 1 >= args.size() || !ParseBounded(args[i + 1], lo, hi, v)) {
                o.error = std::string("-") + n.name + " needs a number from " + std::to_string(lo) + " to " +
                          std::to_string(hi);
                return false;
            }
            o.overrides.SetNumber(n.section(), n.tag, v);
            ++i;
            taken = true;
        }
        for (const PanelSetting& s : kSwitchSettings) {
            if (a == s.name) {
                o.overrides.SetSwitch(s.section(), s.tag, true);
                taken = true;
            } else if (a == std::string("-no") + s.name) {
                o.overrides.SetSwitch(s.section(), s.tag, false);
                taken = true;
            }
        }
        if (!taken) kept.push_back(a);
    }
    args.swap(kept);
    return true;
}
}  // namespace

const char* X11UsageText() {
    static const std::string text = [] {
        std::string t =
            "usage: meadowglow [option]\n"
            "  -s                 full screen until a key, a click or a mouse move\n"
            "  -window            in an ordinary window\n"
            "  -root              draw into the root window, or XScreenSaver's window\n"
            "  -window-id ID      draw into the window ID (decimal or 0x hex)\n"
            "  /p ID              as a preview inside the window ID\n"
            "  /c, -settings      the settings window (meadowglow-settings), or where\n"
            "                     the settings files are when it cannot open\n"
            "  -bench [-frames N] [-size WxH] [-unpaced] [-seed N] [-snapshot FILE.png]\n"
            "         [-bench-out FILE]\n"
            "Settings for this run only, never saved, with any of the above:\n ";
        for (const PanelSetting& n : kNumberSettings) {
            int64_t lo = 0, hi = 0;
            RangeOf(n, lo, hi);
            t += std::string(" ") + n.name + " " + std::to_string(lo) + "-" + std::to_string(hi);
        }
        t += "\n ";
        int onLine = 0;
        for (const PanelSetting& s : kSwitchSettings) {
            if (onLine++ == 4) t += "\n ";  // four to a line
            t += std::string(" ") + s.name + "/-no" + s.name;
        }
        t += "\nEvery word option may be written with one dash or two. Accepted and ignored:\n"
             "  -visual V, -install, -fps, -no-fps, -pair; -display D selects the display.\n";
        return t;
    }();
    return text.c_str();
}

X11Options ParseX11Options(const std::vector<std::string>& rawArgs, const char* xscreensaverWindow) {
    X11Options o;
    std::vector<std::string> args;
    for (const std::string& a : rawArgs) args.push_back(OneDash(a));
    if (!DropToolkitOptions(args, o)) return o;
    if (!TakeSettingOptions(args, o)) return o;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-bench") {
            o.mode = X11Mode::Bench;
            ParseBenchOptions(args, o.bench, o.error);
            return o;
        }
    }

    // XScreenSaver's conventions come before the screen-saver switches.
    bool root = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-root") {
            root = true;
        } else if (args[i] == "-window-id") {
            o.mode = X11Mode::HostWindow;
            if (i + 1 >= args.size() || !ParseWindowId(args[i + 1], o.window)) {
                o.error = "-window-id needs a window id";
            }
            o.windowGiven = true;
            return o;
        } else if (args[i] == "-window") {
            o.mode = X11Mode::PlainWindow;
            return o;
        } else if (args[i] == "-settings") {
            o.mode = X11Mode::Settings;
            return o;
        } else if (IsWordOption(args[i])) {
            o.mode = X11Mode::Usage;
            o.unknownOption = args[i];
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
