#include "platform/win32/WinInclude.h"

#include "platform/Paths.h"

namespace {
// "C:" from the Windows directory, the part before its first backslash.
std::string Drive() {
    char dir[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
    std::string w(dir, n <= MAX_PATH ? n : 0);
    size_t cut = w.find('\\');
    return cut == std::string::npos ? w : w.substr(0, cut);
}
}  // namespace

char PlatformPathSeparator() { return '\\'; }

std::string PlatformDefaultInstallDir() {
    return Drive() + "\\Program files\\Tallow Fen Software\\Screen Savers\\Meadowglow\\";
}

std::string PlatformSharedDir() { return Drive() + "\\Program files\\Tallow Fen Software\\Shared\\Screen Savers\\"; }
