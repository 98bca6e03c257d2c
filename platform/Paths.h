// Where the program keeps its files when nothing else says so.
#pragma once

#include <string>
#include <vector>

// The platform's path separator: '\\' on Windows, '/' elsewhere.
char PlatformPathSeparator();
// The installation directory used when no installation path is known, ending in the separator.
std::string PlatformDefaultInstallDir();
// The family's shared directory, ending in the separator.
std::string PlatformSharedDir();

// The installation folder a setup program recorded for `product`, the
// machine-wide record first, then the user's. False when this platform keeps
// no such record: the installation path then
// follows the folder rules alone. True when it looked: `folder` holds what
// was found, as stored (empty when nothing was), and `misses` one run-log
// text for each place that could not be read.
bool PlatformRecordedInstallFolder(const std::string& product, std::string& folder,
                                   std::vector<std::string>& misses);
