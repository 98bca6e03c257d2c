#include "app/x11/X11Front.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {
X11Options Parse(std::vector<std::string> args, const char* env = nullptr) { return ParseX11Options(args, env); }
}  // namespace

TEST(X11Options, ScreenSaverSwitches) {
    EXPECT_EQ(X11Mode::FullScreen, Parse({"-s"}).mode);
    EXPECT_EQ(X11Mode::FullScreen, Parse({"/S"}).mode);
    EXPECT_EQ(X11Mode::FullScreen, Parse({" s"}).mode);
    EXPECT_EQ(X11Mode::FullScreen, Parse({"s"}).mode);
    EXPECT_EQ(X11Mode::Settings, Parse({}).mode);
    EXPECT_EQ(X11Mode::Settings, Parse({"/c"}).mode);
    EXPECT_EQ(X11Mode::Settings, Parse({"/c:1234"}).mode);
    EXPECT_EQ(X11Mode::ChangePassword, Parse({"/a"}).mode);
    EXPECT_EQ(X11Mode::Unknown, Parse({"/x"}).mode);

    X11Options p = Parse({"/p", "4194305"});
    EXPECT_EQ(X11Mode::Preview, p.mode);
    EXPECT_EQ(4194305u, p.window);
    for (auto bad : std::vector<std::vector<std::string>>{{"/p", "0"}, {"/p"}, {"/p", "abc"}}) {
        X11Options o = Parse(bad);
        EXPECT_EQ(X11Mode::Preview, o.mode);
        EXPECT_EQ(0u, o.window);
    }
}

TEST(X11Options, XScreenSaverConventions) {
    X11Options o = Parse({"-root"});
    EXPECT_EQ(X11Mode::HostWindow, o.mode);
    EXPECT_FALSE(o.windowGiven);

    o = Parse({"-window-id", "0x400007"});
    EXPECT_EQ(X11Mode::HostWindow, o.mode);
    EXPECT_EQ(0x400007u, o.window);
    o = Parse({"-window-id", "1234"});
    EXPECT_EQ(1234u, o.window);
    EXPECT_FALSE(Parse({"-window-id"}).error.empty());
    EXPECT_FALSE(Parse({"-window-id", "zz"}).error.empty());

    // The daemon names its window in the environment, with -root or nothing.
    o = Parse({"-root"}, "0x200001");
    EXPECT_EQ(X11Mode::HostWindow, o.mode);
    EXPECT_EQ(0x200001u, o.window);
    o = Parse({}, "77");
    EXPECT_EQ(X11Mode::HostWindow, o.mode);
    EXPECT_EQ(77u, o.window);
    EXPECT_FALSE(Parse({}, "junk").error.empty());
    // An explicit screen-saver switch wins over a stray variable.
    EXPECT_EQ(X11Mode::FullScreen, Parse({"-s"}, "77").mode);

    EXPECT_EQ(X11Mode::PlainWindow, Parse({"-window"}).mode);
}

// The options themselves are app/BenchRun's (tests/app/BenchRunTest.cpp):
// here only that they reach it from the Linux command line.
TEST(X11Options, BenchOptions) {
    X11Options o = Parse({"--bench"});
    EXPECT_EQ(X11Mode::Bench, o.mode);
    EXPECT_EQ(600u, o.bench.frames);

    o = Parse({"-fps", "--bench", "--frames", "50", "--size", "800x600", "-unpaced", "--snapshot", "out.png",
               "--critters", "7"});
    EXPECT_EQ(X11Mode::Bench, o.mode);
    EXPECT_EQ("", o.error);
    EXPECT_EQ(50u, o.bench.frames);
    EXPECT_EQ(800u, o.bench.width);
    EXPECT_EQ(600u, o.bench.height);
    EXPECT_TRUE(o.bench.unpaced);
    EXPECT_EQ("out.png", o.bench.snapshot);
    EXPECT_FALSE(o.overrides.Empty());

    EXPECT_FALSE(Parse({"--bench", "--bogus"}).error.empty());
}

// Every word option in both spellings, with the toolkit options a daemon or a
// user may add anywhere around it.
TEST(X11Options, BothDashFormsAndIgnoredToolkitOptions) {
    struct Case {
        std::vector<std::string> args;
        const char* env;
        X11Mode mode;
        uint64_t window;
        std::string display;
    };
    const Case cases[] = {
        {{"-root"}, nullptr, X11Mode::HostWindow, 0, ""},
        {{"--root"}, nullptr, X11Mode::HostWindow, 0, ""},
        {{"--root"}, "0x500001", X11Mode::HostWindow, 0x500001, ""},
        {{"-window-id", "0x400007"}, nullptr, X11Mode::HostWindow, 0x400007, ""},
        {{"--window-id", "0x400007"}, nullptr, X11Mode::HostWindow, 0x400007, ""},
        {{"-window"}, nullptr, X11Mode::PlainWindow, 0, ""},
        {{"--window"}, nullptr, X11Mode::PlainWindow, 0, ""},
        {{"-fps", "--root", "-no-fps"}, nullptr, X11Mode::HostWindow, 0, ""},
        {{"--install", "--pair", "-root"}, nullptr, X11Mode::HostWindow, 0, ""},
        {{"-visual", "default", "--visual", "0x21", "-window"}, nullptr, X11Mode::PlainWindow, 0, ""},
        {{"-display", ":7", "--root"}, nullptr, X11Mode::HostWindow, 0, ":7"},
        {{"--display", "host:1.0", "-s"}, nullptr, X11Mode::FullScreen, 0, "host:1.0"},
        {{"--fps"}, "77", X11Mode::HostWindow, 77, ""},
        {{"-s", "-fps"}, nullptr, X11Mode::FullScreen, 0, ""},
        {{"--s"}, nullptr, X11Mode::FullScreen, 0, ""},
        {{"-p", "4194305"}, nullptr, X11Mode::Preview, 4194305, ""},
        {{"--bench", "--frames", "5"}, nullptr, X11Mode::Bench, 0, ""},
        {{"-bench", "-frames", "5"}, nullptr, X11Mode::Bench, 0, ""},
    };
    for (const Case& c : cases) {
        std::string label;
        for (const auto& a : c.args) label += a + " ";
        X11Options o = Parse(c.args, c.env);
        EXPECT_TRUE(o.error.empty()) << label << o.error;
        EXPECT_EQ(c.mode, o.mode) << label;
        EXPECT_EQ(c.window, o.window) << label;
        EXPECT_EQ(c.display, o.display) << label;
        if (c.mode == X11Mode::Bench) {
            EXPECT_EQ(5u, o.bench.frames) << label;
        }
    }
    // A toolkit option that needs a value and has none.
    EXPECT_FALSE(Parse({"-root", "-display"}).error.empty());
    EXPECT_FALSE(Parse({"--visual"}).error.empty());
}

// A word nobody knows asks for the usage text; a letter switch nobody knows
// stays the screen saver's own "do nothing, -1".
TEST(X11Options, UnknownOptionsGiveTheUsageText) {
    for (auto bad : std::vector<std::vector<std::string>>{{"-frobnicate"}, {"--frobnicate"}, {"--root", "-foo"},
                                                           {"-wobble", "-s"}, {"--help"}}) {
        X11Options o = Parse(bad);
        EXPECT_EQ(X11Mode::Usage, o.mode) << bad[0];
        EXPECT_FALSE(o.unknownOption.empty());
    }
    EXPECT_EQ("-frobnicate", Parse({"--frobnicate"}).unknownOption);
    EXPECT_EQ(X11Mode::Unknown, Parse({"/x"}).mode);
    EXPECT_EQ(X11Mode::Unknown, Parse({"-x"}).mode);
    EXPECT_EQ(X11Mode::Settings, Parse({"/c:1234"}).mode);
    const std::string usage = X11UsageText();
    for (const char* mentioned : {"-root", "-window-id", "-window", "-s", "-fps"})
        EXPECT_NE(std::string::npos, usage.find(mentioned)) << mentioned;
}

// Every setting option: its lowest and highest values and each switch both
// ways land in the overrides, in every mode and in both dash forms; a value
// out of the file's bounds, or none, is refused with the option's range.
TEST(X11Options, SettingOptionsForOneRun) {
    struct Number {
        const char* option;
        int64_t lo, hi;
        const char *section, *tag;
        std::optional<int64_t> got(const SettingOverrides& s) const {
            const SettingOverride* o = s.Find(section, tag);
            return o ? std::optional<int64_t>(o->value.number) : std::nullopt;
        }
    };
    const Number numbers[] = {
        {"--critters", 0, 50000, "Critters", "NumCritters"}, {"--critter-size", 0, 2, "Critters", "Size"},
        {"--critter-speed", 0, 64, "Critters", "Speed"},     {"--period", 0, 100, "General", "SaverSpeed"},
        {"--star-scheme", 0, 19, "Stars", "ColorScheme"},
    };
    const std::vector<std::vector<std::string>> modes = {
        {"-root"}, {"--window-id", "0x400007"}, {"-window"}, {"-s"}, {"--bench", "--frames", "2"}, {"/p", "77"}};
    for (const Number& n : numbers) {
        for (const auto& mode : modes) {
            for (int64_t v : {n.lo, n.hi, (n.lo + n.hi) / 2}) {
                for (bool oneDash : {false, true}) {
                    std::vector<std::string> args = mode;
                    args.push_back(oneDash ? std::string(n.option + 1) : std::string(n.option));
                    args.push_back(std::to_string(v));
                    X11Options o = Parse(args);
                    EXPECT_TRUE(o.error.empty()) << n.option << " " << v << ": " << o.error;
                    EXPECT_NE(X11Mode::Usage, o.mode) << n.option;
                    EXPECT_EQ(std::optional<int64_t>(v), n.got(o.overrides)) << n.option << " " << v;
                }
            }
        }
        EXPECT_EQ(X11Mode::HostWindow, Parse({n.option, "1", "-root"}).mode) << n.option;
        const std::string range = std::string(n.option) + " needs a number from " +
                                  std::to_string(n.lo) + " to " + std::to_string(n.hi);
        for (const std::string& bad : {std::to_string(n.hi + 1), std::string("-1"), std::string(""),
                                       std::string("12x"), std::string("+3"), std::string("99999999999999")}) {
            EXPECT_EQ(range, Parse({"-root", n.option, bad}).error) << n.option << " " << bad;
        }
        EXPECT_EQ(range, Parse({"-root", n.option}).error) << n.option;
        EXPECT_FALSE(n.got(Parse({"-root"}).overrides).has_value()) << n.option;
    }

    struct Switch {
        const char *name, *section, *tag;
        std::optional<bool> got(const SettingOverrides& s) const {
            const SettingOverride* o = s.Find(section, tag);
            return o ? std::optional<bool>(o->value.flag) : std::nullopt;
        }
    };
    const Switch switches[] = {
        {"ladybugs", "Critters", "LadyBugs"}, {"worms", "Critters", "WiggleWorms"},
        {"bees", "Critters", "BuzzzyBees"},   {"stars", "Stars", "Enabled"},
        {"fog", "Effects", "Fog/Enabled"},    {"date", "DateTime", "DisplayDate"},
        {"time", "DateTime", "DisplayTime"},  {"countdown", "DateTime", "EnableCountDown"},
    };
    for (const Switch& s : switches) {
        for (const auto& mode : modes) {
            for (const char* dashes : {"-", "--"}) {
                std::vector<std::string> on = mode, off = mode;
                on.push_back(dashes + std::string(s.name));
                off.push_back(dashes + std::string("no-") + s.name);
                X11Options o = Parse(on);
                EXPECT_TRUE(o.error.empty()) << on.back();
                EXPECT_EQ(std::optional<bool>(true), s.got(o.overrides)) << on.back();
                o = Parse(off);
                EXPECT_TRUE(o.error.empty()) << off.back();
                EXPECT_EQ(std::optional<bool>(false), s.got(o.overrides)) << off.back();
            }
        }
        // The last word wins, as the panel may append to a command of its own.
        EXPECT_EQ(std::optional<bool>(false), s.got(Parse({"-root", std::string("--") + s.name, std::string("--no-") + s.name}).overrides));
        EXPECT_FALSE(s.got(Parse({"-root"}).overrides).has_value()) << s.name;
        // Only the exact words: a misspelling is still an unknown option.
        EXPECT_EQ(X11Mode::Usage, Parse({"-root", std::string("--") + s.name + "s"}).mode) << s.name;
    }
    // Nothing given leaves the run with the file's settings.
    EXPECT_TRUE(Parse({"-root"}).overrides.Empty());
    // The usage text names every option.
    const std::string usage = X11UsageText();
    for (const Number& n : numbers) EXPECT_NE(std::string::npos, usage.find(n.option + 1)) << n.option;
    for (const Switch& s : switches)
        EXPECT_NE(std::string::npos, usage.find("-no-" + std::string(s.name))) << s.name;
}
