#include "app/BenchRun.h"

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "app/BenchEmitters.h"
#include "app/CScreenSaver.h"
#include "platform/CpuTime.h"
#include "platform/GLInclude.h"
#include "xlib/PngWriter.h"

namespace {
double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool ParseSize(const std::string& text, unsigned& w, unsigned& h) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    const int a = std::atoi(text.substr(0, x).c_str());
    const int b = std::atoi(text.substr(x + 1).c_str());
    if (a <= 0 || b <= 0 || a > 16384 || b > 16384) return false;
    w = static_cast<unsigned>(a);
    h = static_cast<unsigned>(b);
    return true;
}

// Digits only, at most `hi`.
bool ParseCount(const std::string& text, unsigned long long hi, unsigned long long& out) {
    if (text.empty() || text.size() > 20) return false;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    char* end = nullptr;
    const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
    if (*end || n > hi) return false;
    out = n;
    return true;
}
}  // namespace

bool ParseBenchOptions(const std::vector<std::string>& words, BenchOptions& o, std::string& error) {
    for (size_t j = 0; j < words.size(); ++j) {
        const std::string& a = words[j];
        const bool hasValue = j + 1 < words.size();
        unsigned long long n = 0;
        if (a == "-bench") continue;
        if (a == "-unpaced") {
            o.unpaced = true;
        } else if (a == "-frames") {
            if (!hasValue || !ParseCount(words[++j], 0xFFFFFFFFull, n) || n == 0) {
                error = "--frames needs a positive number";
                return false;
            }
            o.frames = static_cast<unsigned>(n);
        } else if (a == "-size") {
            if (!hasValue || !ParseSize(words[++j], o.width, o.height)) {
                error = "--size needs WIDTHxHEIGHT";
                return false;
            }
        } else if (a == "-bench-emitters") {
            if (!hasValue || !ParseCount(words[++j], 64, n)) {
                error = "--bench-emitters needs a number from 0 to 64";
                return false;
            }
            o.emitters = static_cast<unsigned>(n);
        } else if (a == "-seed") {
            if (!hasValue || !ParseCount(words[++j], 0xFFFFFFFFull, n)) {
                error = "--seed needs a number from 0 to 4294967295";
                return false;
            }
            o.seed = static_cast<int64_t>(n);
        } else if (a == "-snapshot" || a == "-bench-out") {
            if (!hasValue || words[j + 1].empty()) {
                error = "-" + a + " needs a file name";
                return false;
            }
            (a == "-snapshot" ? o.snapshot : o.out) = words[++j];
        } else {
            error = "unknown benchmark option " + a;
            return false;
        }
    }
    return true;
}

bool ParseBenchCommandLine(const std::vector<std::string>& args, BenchOptions& o, std::string& error) {
    std::vector<std::string> words;
    bool bench = false;
    for (const std::string& a : args) {
        const bool twoDashes = a.size() > 3 && a[0] == '-' && a[1] == '-' && a[2] != '-';
        words.push_back(twoDashes ? a.substr(1) : a);
        bench = bench || words.back() == "-bench";
    }
    if (!bench) return false;
    ParseBenchOptions(words, o, error);
    return true;
}

BenchRun::BenchRun(CScreenSaver& saver, const BenchOptions& o, std::function<void()> lastFrame)
    : m_Saver(saver), m_Options(o), m_LastFrame(std::move(lastFrame)) {
    m_Figures.frames = o.frames;
    m_Figures.width = o.width;
    m_Figures.height = o.height;
    m_Figures.emitters = o.emitters;
}

BenchRun::~BenchRun() { m_Saver.SetFrameObserver(nullptr); }

bool BenchRun::Start(NativeWindow window) {
    m_Saver.SetFrameObserver([this](unsigned index) { OnFrame(index); });
    if (m_Options.unpaced) m_Saver.SetPeriodOverride(0);
    if (m_Options.seed >= 0) m_Saver.SetSeedOverride(m_Options.seed);
    m_Saver.SetWindow(window);
    return m_Saver.Start();
}

// The render thread, after each frame is flushed and before it is presented.
void BenchRun::OnFrame(unsigned index) {
    const bool ready = m_Saver.IsInitialised();
    if (m_Options.emitters && ready) {
        if (!m_Emitters) m_Emitters = std::make_unique<BenchEmitters>(m_Options.emitters, 300);
        m_Emitters->Frame(index);
    }
    if (index == 0) {
        // The population the scene was set up with, so that a run shows which
        // count (file or command line) reached it.
        m_Figures.critters = m_Saver.Critters().GetPopulationSize();
        if (ready) {
            const GLubyte* r = glGetString(GL_RENDERER);
            const GLubyte* v = glGetString(GL_VERSION);
            m_Figures.renderer = std::string(r ? reinterpret_cast<const char*>(r) : "?") + ", OpenGL " +
                                 (v ? reinterpret_cast<const char*>(v) : "?");
        }
        m_Figures.firstFrameMs = PlatformMsSinceProcessStart();
        m_WallStart = WallMs();
        m_CpuStart = PlatformProcessCpuMs();
    }
    if (index + 1 == m_Options.frames) {
        m_Figures.wallMs = WallMs() - m_WallStart;
        m_Figures.cpuMs = PlatformProcessCpuMs() - m_CpuStart;
        if (m_Emitters) m_Figures.liveParticles = m_Emitters->LiveParticles();
        if (!m_Options.snapshot.empty() && ready) {
            // RGB, not BGR: OpenGL 1.1 (Windows' headers) has no GL_BGR.
            const size_t row = static_cast<size_t>(m_Options.width) * 3;
            std::vector<uint8_t> bottomUp(row * m_Options.height);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glReadPixels(0, 0, static_cast<GLsizei>(m_Options.width), static_cast<GLsizei>(m_Options.height), GL_RGB,
                         GL_UNSIGNED_BYTE, bottomUp.data());
            m_Pixels.resize(bottomUp.size());
            for (unsigned y = 0; y < m_Options.height; ++y)
                std::copy(bottomUp.begin() + (m_Options.height - 1 - y) * row,
                          bottomUp.begin() + (m_Options.height - y) * row, m_Pixels.begin() + y * row);
        }
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Done = true;
        }
        if (m_LastFrame) m_LastFrame();
    }
    m_FramesDrawn = index + 1;
}

bool BenchRun::Done() const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Done;
}

void BenchRun::Stop() {
    const double start = WallMs();
    m_Saver.Stop();
    m_Figures.closeMs = WallMs() - start;
    m_Saver.SetFrameObserver(nullptr);
}

std::string BenchRun::FigureLines(const Figures& f) {
    // The first frame starts the clocks, so n frames make n - 1 intervals.
    const double intervals = f.frames > 1 ? f.frames - 1 : 1;
    char buf[512];
    std::string s = "renderer: " + f.renderer + "\n";
    std::snprintf(buf, sizeof buf,
                  "frames: %u\nsize: %ux%u\ncritters: %u\nfps: %.1f\ncpu_ms_per_frame: %.3f\n"
                  "first_frame_ms: %.1f\nclose_ms: %.1f\n",
                  f.frames, f.width, f.height, f.critters, f.wallMs > 0 ? intervals * 1000.0 / f.wallMs : 0.0,
                  f.cpuMs / intervals, f.firstFrameMs, f.closeMs);
    s += buf;
    if (f.emitters) {
        std::snprintf(buf, sizeof buf, "emitters: %u, live particles: %d\n", f.emitters, f.liveParticles);
        s += buf;
    }
    return s;
}

int BenchRun::Report() {
    if (!Done()) return 1;  // a benchmark cut short is not a result
    std::string text = FigureLines(m_Figures);
    int status = 0;
    if (!m_Options.snapshot.empty()) {
        if (!m_Pixels.empty() &&
            WritePng(m_Options.snapshot, m_Options.width, m_Options.height, PngColour::Rgb, m_Pixels)) {
            text += "snapshot: " + m_Options.snapshot + "\n";
        } else {
            std::fprintf(stderr, "meadowglow: could not save %s\n", m_Options.snapshot.c_str());
            status = 1;
        }
    }
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    if (!m_Options.out.empty()) {
        FILE* f = std::fopen(m_Options.out.c_str(), "w");
        const bool written = f && std::fputs(text.c_str(), f) >= 0;
        if (!f || std::fclose(f) != 0 || !written) {
            std::fprintf(stderr, "meadowglow: could not write %s\n", m_Options.out.c_str());
            status = 1;
        }
    }
    return status;
}
