// The pictures and pages shipped beside the program, and their first-start
// copy into the installation directory (where the modules look for them).
#pragma once

#include <string>
#include <vector>

// File names of everything the build places beside the program.
const std::vector<std::string>& ShippedAssetNames();

// Copies each shipped file that exists in `fromDir` and is missing from
// `toDir` (both ending in the separator), creating `toDir` when needed.
// Files already there, possibly the user's own versions, are never replaced.
// Returns how many files were copied.
unsigned InstallShippedAssets(const std::string& fromDir, const std::string& toDir);
