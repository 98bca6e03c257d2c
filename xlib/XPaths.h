// The installation path of this process and the two directories built from it.
#pragma once

#include <string>

// The installation path as read at start-up (empty until then). Thread-safe.
void SetInstallPath(const std::string& path);
std::string GetInstallPath();

// The installation path when it is longer than one character, else the
// platform's default installation directory. Always ends in the separator.
std::string InstallDir();
// The family's shared directory, independent of the installation path.
std::string SharedDir();
// Replaces the platform's shared directory (tests keep their files apart this
// way); an empty path goes back to the platform's rule. Ends in the separator.
void SetSharedPath(const std::string& path);
