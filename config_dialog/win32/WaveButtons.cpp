#include "config_dialog/win32/WaveButtons.h"

#include <commdlg.h>

#include <vector>

#include "platform/Sound.h"
#include "xlib/XString.h"

bool ChooseWaveFile(HWND owner, std::string& path) {
    std::vector<char> buffer(MAX_PATH * 4, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = "Wav files (*.wav)\0*.wav\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrDefExt = "wav";
    ofn.Flags = OFN_EXPLORER | OFN_LONGNAMES | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn) || buffer[0] == '\0') return false;
    path = buffer.data();
    return true;
}

bool PlayWaveFile(const std::string& path) {
    if (path.empty() || !XString(path.c_str()).FileExists()) return false;
    return Sound().PlayWave(path, false);
}

void StopWaveFile() { Sound().Stop(); }
