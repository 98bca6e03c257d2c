// Outline-font figures: how long building the glyph lists takes, and the CPU
// cost per frame of drawing three 40-character lines of extruded text.
// Run: build/linux/font_bench, or cmake/wine-run.sh build/windows/font_bench.exe
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/CpuTime.h"
#include "platform/GLInclude.h"
#include "render/COutlineFont.h"
#include "tests/GLTestContext.h"

namespace {

double WallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

const char* const kLines[3] = {
    "Tuesday, December 8, 2026    10:42:17 PM",   // 40 characters each
    "Happy Holidays!  Weather: 72 F, sunny ok",
    "You have 3 new messages in 2 mailboxes!!",
};

struct Figures {
    double wall = 0, processCpu = 0, threadCpu = 0;
};

Figures Frames(COutlineFont* font, int frames) {
    Figures f;
    double w0 = WallMs(), p0 = PlatformProcessCpuMs(), t0 = PlatformThreadCpuMs();
    for (int i = 0; i < frames; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0.0f, 0.0f, -30.0f);
        glRotatef(static_cast<float>(i % 360), 0.0f, 1.0f, 0.0f);
        if (font) {
            for (int line = 0; line < 3; ++line) {
                glPushMatrix();
                glTranslatef(0.0f, 1.5f * (1 - line), 0.0f);
                glColor3f(1.0f, 0.3f * line, 0.5f);
                font->DrawText(kLines[line]);
                glPopMatrix();
            }
        }
        glFinish();
    }
    f.wall = (WallMs() - w0) / frames;
    f.processCpu = (PlatformProcessCpuMs() - p0) / frames;
    f.threadCpu = (PlatformThreadCpuMs() - t0) / frames;
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    GLTestContext gl(800, 600);
    if (!gl.IsReady()) {
        std::fprintf(stderr, "no GL context: %s\n", gl.Error().c_str());
        return 1;
    }
    std::printf("platform %s, renderer %s\n", GLTestContext::PlatformName(),
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));

    COutlineFont font;
    std::vector<double> createMs;
    for (int i = 0; i < 5; ++i) {
        double t0 = WallMs(), c0 = PlatformThreadCpuMs(), p0 = PlatformProcessCpuMs();
        if (!font.Create(gl.DeviceContext(), "Arial", 0.05f, 1, 0.5f, 700)) {
            std::fprintf(stderr, "Create failed\n");
            return 1;
        }
        glFinish();
        createMs.push_back(WallMs() - t0);
        std::printf("Create #%d: %.1f ms wall, %.1f ms CPU process, %.1f ms CPU this thread\n", i + 1,
                    createMs.back(), PlatformProcessCpuMs() - p0, PlatformThreadCpuMs() - c0);
    }
    std::sort(createMs.begin(), createMs.end());
    std::printf("Create of the 255 glyph lists: median %.1f ms, best %.1f ms\n", createMs[2], createMs[0]);

    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_COLOR_MATERIAL);

    Frames(&font, 20);   // warm up
    Figures empty = Frames(nullptr, frames);
    Figures text = Frames(&font, frames);
    std::printf("%d frames of 800x600 (software GL: rasterising is CPU work too)\n", frames);
    std::printf("  empty frame:        %.3f ms wall, %.3f ms CPU process, %.3f ms CPU drawing thread\n", empty.wall,
                empty.processCpu, empty.threadCpu);
    std::printf("  3 lines x 40 chars: %.3f ms wall, %.3f ms CPU process, %.3f ms CPU drawing thread\n", text.wall,
                text.processCpu, text.threadCpu);
    std::printf("  text alone:         %.3f ms wall, %.3f ms CPU process, %.3f ms CPU drawing thread\n",
                text.wall - empty.wall, text.processCpu - empty.processCpu, text.threadCpu - empty.threadCpu);
    font.Delete();
    return 0;
}
