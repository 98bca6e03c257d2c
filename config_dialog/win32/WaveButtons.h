// The wave-file buttons that several pages share: choose one wave file, play
// it, stop it (config_dialog/logic/WavePlayback.h).
#pragma once

#include "platform/win32/WinInclude.h"

#include <string>

#include "config_dialog/logic/WavePlayback.h"

// Runs the single-file "Wav files (*.wav)" open dialog owned by `owner`. True
// with the chosen path in `path` when the user confirmed; `path` is left alone
// otherwise.
bool ChooseWaveFile(HWND owner, std::string& path);
