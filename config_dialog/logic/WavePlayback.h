// The wave-file buttons' playing, shared by the Windows and Linux views:
// playing goes through the process-wide sound service, so a page plays exactly
// what the saver would.
#pragma once

#include <string>

// Starts `path` without waiting when it names an existing file; true when it
// started. An empty or missing file plays nothing.
bool PlayWaveFile(const std::string& path);

// Ends whatever sound this process plays; nothing playing is not an error.
void StopWaveFile();
