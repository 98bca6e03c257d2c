// The benchmark both front ends run (`--bench`): the options, the frame
// observer that takes the figures on the render thread, the snapshot of the
// last frame, and the lines printed at the end. The front end only opens the
// window and waits for the last frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/GLSurface.h"

class CScreenSaver;
class BenchEmitters;

struct BenchOptions {
    unsigned frames = 600;
    unsigned width = 1920, height = 1080;
    bool unpaced = false;
    std::string snapshot;        // the last frame as a PNG file
    std::string out;             // the figures written to this file too
    unsigned emitters = 0;       // hidden: emitters of 300 particles drawn over each frame
    // The random generator's seed, so that two builds draw the same scene (-1: the clock's).
    int64_t seed = -1;
};

// The benchmark's options, given as words in their one-dash form ("-frames",
// "-size"); "-bench" itself is skipped. False, with `error` set, on an
// unknown option or a bad or missing value.
bool ParseBenchOptions(const std::vector<std::string>& words, BenchOptions& o, std::string& error);

// The Windows program's command line, as words: true when one of them is
// "--bench" or "-bench", and then the rest parsed as ParseBenchOptions does
// (either dash form). False for any other command line, which leaves `o` and
// `error` alone.
bool ParseBenchCommandLine(const std::vector<std::string>& args, BenchOptions& o, std::string& error);

// One benchmark run of `saver` into a window the front end made.
class BenchRun {
public:
    // `lastFrame` is called on the render thread once the last frame is
    // drawn, so that the front end's wait can end.
    BenchRun(CScreenSaver& saver, const BenchOptions& o, std::function<void()> lastFrame);
    ~BenchRun();
    BenchRun(const BenchRun&) = delete;
    BenchRun& operator=(const BenchRun&) = delete;

    // Hands the saver the observer, the period and seed overrides and the
    // window, and starts its render thread. False when the thread did not start.
    bool Start(NativeWindow window);
    bool Done() const;
    unsigned FramesDrawn() const { return m_FramesDrawn.load(); }
    // Stops the render thread and times the close.
    void Stop();
    // After Stop: the figures' lines ("renderer:", "frames:", ... "snapshot:")
    // printed to stdout and written to the options' file, the snapshot saved.
    // The program's exit status: 1 when the run was cut short or a file could
    // not be written.
    int Report();

    // The report's lines (without "snapshot:"), from the figures taken.
    struct Figures {
        std::string renderer = "none";
        unsigned frames = 0, width = 0, height = 0, critters = 0;
        double wallMs = 0, cpuMs = 0, firstFrameMs = -1, closeMs = 0;
        unsigned emitters = 0;
        int liveParticles = 0;
    };
    static std::string FigureLines(const Figures& f);

private:
    void OnFrame(unsigned index);

    CScreenSaver& m_Saver;
    BenchOptions m_Options;
    std::function<void()> m_LastFrame;
    mutable std::mutex m_Mutex;
    bool m_Done = false;
    Figures m_Figures;
    double m_WallStart = 0, m_CpuStart = 0;
    std::vector<uint8_t> m_Pixels;  // RGB, top row first
    std::unique_ptr<BenchEmitters> m_Emitters;
    std::atomic<unsigned> m_FramesDrawn{0};
};
