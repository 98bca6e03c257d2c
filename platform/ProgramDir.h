// Where the running program's own file lies.
#pragma once

#include <string>

// The folder of the running executable, ending in the separator; empty when
// the system cannot tell.
std::string PlatformProgramDir();
