#include "config_dialog/win32/WaveButtons.h"

#include <vector>

#include "config_dialog/win32/Controls.h"

bool ChooseWaveFile(HWND owner, std::string& path) {
    std::vector<char> buffer(MAX_PATH * 4, '\0');
    if (!ShowOpenFileDialog(owner, "Wav files (*.wav)\0*.wav\0", "wav", 0, buffer)) return false;
    path = buffer.data();
    return true;
}
