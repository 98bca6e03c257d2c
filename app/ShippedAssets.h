// The pictures and pages shipped beside the program, and their first-start
// copy into the installation directory (where the modules look for them).
#pragma once

#include <string>
#include <vector>

// File names of everything the build places beside the program.
const std::vector<std::string>& ShippedAssetNames();

// Where the shipped files are for a program in `programDir` (ending in the
// separator): beside it (a build folder, the Windows installation), else the
// installed data folder "share/meadowglow/" of the prefix the program lives
// under (bin/ or libexec/xscreensaver/). `programDir` itself when none has them.
std::string FindShippedAssetDir(const std::string& programDir);

// Copies each shipped file that exists in `fromDir` and is missing from
// `toDir` (both ending in the separator), creating `toDir` when needed.
// Files already there, possibly the user's own versions, are never replaced.
// Returns how many files were copied.
unsigned InstallShippedAssets(const std::string& fromDir, const std::string& toDir);
