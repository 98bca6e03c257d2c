#include "config_dialog/win32/WaveButtons.h"

#include <vector>

#include "config_dialog/win32/Controls.h"
#include "platform/Sound.h"
#include "xlib/XString.h"

bool ChooseWaveFile(HWND owner, std::string& path) {
    std::vector<char> buffer(MAX_PATH * 4, '\0');
    if (!ShowOpenFileDialog(owner, "Wav files (*.wav)\0*.wav\0", "wav", 0, buffer)) return false;
    path = buffer.data();
    return true;
}

bool PlayWaveFile(const std::string& path) {
    if (path.empty() || !XString(path.c_str()).FileExists()) return false;
    return Sound().PlayWave(path, false);
}

void StopWaveFile() { Sound().Stop(); }
