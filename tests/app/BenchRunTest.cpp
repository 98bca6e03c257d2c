// The benchmark's options and printed lines, shared by both programs.
#include "app/BenchRun.h"

#include <gtest/gtest.h>

namespace {
struct Parsed {
    bool ok;
    BenchOptions o;
    std::string error;
};
Parsed Parse(const std::vector<std::string>& words) {
    Parsed p;
    p.ok = ParseBenchOptions(words, p.o, p.error);
    return p;
}
}  // namespace

TEST(BenchRun, OptionsAreReadWithTheirValues) {
    const BenchOptions defaults;
    EXPECT_EQ(600u, defaults.frames);
    EXPECT_EQ(1920u, defaults.width);
    EXPECT_EQ(1080u, defaults.height);
    EXPECT_FALSE(defaults.unpaced);
    EXPECT_EQ(-1, defaults.seed);
    EXPECT_EQ(0u, defaults.emitters);

    const Parsed p = Parse({"-bench", "-frames", "50", "-size", "800X600", "-unpaced", "-snapshot", "out.png",
                            "-bench-out", "figures.txt", "-seed", "4294967295", "-bench-emitters", "64"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(50u, p.o.frames);
    EXPECT_EQ(800u, p.o.width);
    EXPECT_EQ(600u, p.o.height);
    EXPECT_TRUE(p.o.unpaced);
    EXPECT_EQ("out.png", p.o.snapshot);
    EXPECT_EQ("figures.txt", p.o.out);
    EXPECT_EQ(4294967295, p.o.seed);
    EXPECT_EQ(64u, p.o.emitters);
    EXPECT_EQ(0, Parse({"-seed", "0"}).o.seed);
    EXPECT_EQ(16384u, Parse({"-size", "16384x1"}).o.width);
}

TEST(BenchRun, BadOrMissingValuesAreRefusedByName) {
    struct Case {
        std::vector<std::string> words;
        const char* named;  // what the message must mention
    } cases[] = {
        {{"-frames", "0"}, "--frames"},      {{"-frames", "-3"}, "--frames"},
        {{"-frames", "5x"}, "--frames"},     {{"-frames"}, "--frames"},
        {{"-size", "800"}, "--size"},        {{"-size", "0x600"}, "--size"},
        {{"-size", "16385x10"}, "--size"},   {{"-size"}, "--size"},
        {{"-seed", "-1"}, "--seed"},         {{"-seed", "4294967296"}, "--seed"},
        {{"-seed", "12x"}, "--seed"},        {{"-seed", ""}, "--seed"},
        {{"-seed", "+3"}, "--seed"},         {{"-seed"}, "--seed"},
        {{"-bench-emitters", "65"}, "--bench-emitters"}, {{"-bench-emitters", "-1"}, "--bench-emitters"},
        {{"-bench-emitters"}, "--bench-emitters"},
        {{"-snapshot"}, "--snapshot"},       {{"-snapshot", ""}, "--snapshot"},
        {{"-bench-out"}, "--bench-out"},     {{"-bogus"}, "-bogus"},
        {{"-frames", "10", "root"}, "root"},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse(c.words);
        std::string all;
        for (const std::string& w : c.words) all += w + " ";
        EXPECT_FALSE(p.ok) << all;
        EXPECT_NE(std::string::npos, p.error.find(c.named)) << all << "-> " << p.error;
    }
}

// The Windows program's words: the benchmark only when one of them asks for
// it, in either dash form, and the rest in either form too.
TEST(BenchRun, TheCommandLineAsksForTheBenchmarkInEitherForm) {
    struct Case {
        std::vector<std::string> args;
        bool bench;
        unsigned frames;
        bool error;
    } cases[] = {
        {{}, false, 600, false},
        {{"/s"}, false, 600, false},
        {{"/p", "1234"}, false, 600, false},
        {{"--frames", "5"}, false, 600, false},
        {{"--bench"}, true, 600, false},
        {{"-bench", "-frames", "7"}, true, 7, false},
        {{"--frames", "9", "--bench"}, true, 9, false},
        {{"--bench", "---frames", "9"}, true, 600, true},
        {{"--bench", "/s"}, true, 600, true},
    };
    for (const Case& c : cases) {
        BenchOptions o;
        std::string error;
        std::string all;
        for (const std::string& a : c.args) all += a + " ";
        EXPECT_EQ(c.bench, ParseBenchCommandLine(c.args, o, error)) << all;
        EXPECT_EQ(c.frames, o.frames) << all;
        EXPECT_EQ(c.error, !error.empty()) << all << error;
    }
}

// n frames are n - 1 intervals: the first frame starts the clocks.
TEST(BenchRun, FigureLinesCountIntervalsBetweenFrames) {
    BenchRun::Figures f;
    f.renderer = "llvmpipe, OpenGL 4.5";
    f.frames = 101;
    f.width = 640;
    f.height = 480;
    f.critters = 100;
    f.wallMs = 1000;
    f.cpuMs = 250;
    f.firstFrameMs = 183.26;
    f.closeMs = 12.04;
    EXPECT_EQ(
        "renderer: llvmpipe, OpenGL 4.5\nframes: 101\nsize: 640x480\ncritters: 100\nfps: 100.0\n"
        "cpu_ms_per_frame: 2.500\nfirst_frame_ms: 183.3\nclose_ms: 12.0\n",
        BenchRun::FigureLines(f));

    f.frames = 1;  // one frame: no interval to time
    f.wallMs = 0;
    f.emitters = 3;
    f.liveParticles = 900;
    const std::string one = BenchRun::FigureLines(f);
    EXPECT_NE(std::string::npos, one.find("\nfps: 0.0\ncpu_ms_per_frame: 250.000\n")) << one;
    EXPECT_NE(std::string::npos, one.find("\nemitters: 3, live particles: 900\n")) << one;
}
