// Where the program keeps its files when nothing else says so.
#pragma once

#include <string>

// The platform's path separator: '\\' on Windows, '/' elsewhere.
char PlatformPathSeparator();
// The installation directory used when no installation path is known, ending in the separator.
std::string PlatformDefaultInstallDir();
// The family's shared directory, ending in the separator.
std::string PlatformSharedDir();
