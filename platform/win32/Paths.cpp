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

namespace {
// The raw data of a registry value (its type is not checked); false when the
// key or the value cannot be read.
bool ReadValue(HKEY root, const std::string& key, const char* value, std::string& data) {
    data.clear();
    HKEY h = nullptr;
    if (RegOpenKeyA(root, key.c_str(), &h) != ERROR_SUCCESS) return false;
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExA(h, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (ok && size) {
        data.resize(size);
        ok = RegQueryValueExA(h, value, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) == ERROR_SUCCESS;
        data.resize(ok ? size : 0);
    }
    RegCloseKey(h);
    // Text ending in its NUL; a value stored without one keeps its last character.
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return ok;
}
}  // namespace

// Setup programs record "InstallPath" under the vendor's screen-saver key, in
// the machine's hive and the user's.
bool PlatformRecordedInstallFolder(const std::string& product, std::string& folder,
                                   std::vector<std::string>& misses) {
    const std::string key = "Software\\Tallow Fen Software\\Screen Savers\\" + product;
    const char* const value = "InstallPath";
    const auto miss = [&](const char* root) {
        misses.push_back("Error: failed to read registry string = " + std::string(root) + "\\" + key + "\\" + value);
    };
    folder.clear();
    // An empty machine-wide entry counts as none: the user's may name the folder.
    if (!ReadValue(HKEY_LOCAL_MACHINE, key, value, folder) || folder.empty()) {
        miss("HKEY_LOCAL_MACHINE");
        if (!ReadValue(HKEY_CURRENT_USER, key, value, folder)) miss("HKEY_CURRENT_USER");
    }
    return true;
}
