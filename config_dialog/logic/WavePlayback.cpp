#include "config_dialog/logic/WavePlayback.h"

#include "platform/Sound.h"
#include "xlib/XString.h"

bool PlayWaveFile(const std::string& path) {
    if (path.empty() || !XString(path.c_str()).FileExists()) return false;
    return Sound().PlayWave(path, false);
}

void StopWaveFile() { Sound().Stop(); }
