// Fuzz target: the whole settings file as the saver loads it, then saved and
// loaded again. Any crash, hang or sanitizer report is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/CScreenSaver.h"
#include "xlib/XPaths.h"

namespace {
std::string g_Main;

CScreenSaver& Saver() {
    static CScreenSaver saver;
    return saver;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/mg-fuzz-settings-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    const std::string dir = std::string(folder) + "/";
    SetInstallPath(dir);
    SetSharedPath(dir + "shared/");
    g_Main = dir + "Meadowglow.xml";
    Saver();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(g_Main.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    CScreenSaver& saver = Saver();
    saver.Load();
    saver.Save();
    saver.Load();
    return 0;
}
