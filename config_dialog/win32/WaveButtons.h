// The wave-file buttons that several pages share: choose one wave file, play
// it, stop it. Playing goes through the process-wide sound service, so a page
// plays exactly what the saver would.
#pragma once

#include "platform/win32/WinInclude.h"

#include <string>

// Runs the single-file "Wav files (*.wav)" open dialog owned by `owner`. True
// with the chosen path in `path` when the user confirmed; `path` is left alone
// otherwise.
bool ChooseWaveFile(HWND owner, std::string& path);

// Starts `path` without waiting when it names an existing file; true when it
// started. An empty or missing file plays nothing.
bool PlayWaveFile(const std::string& path);

// Ends whatever sound this process plays; nothing playing is not an error.
void StopWaveFile();
