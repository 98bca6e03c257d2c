#include "xlib/XPaths.h"

#include "platform/Paths.h"

#include <mutex>

namespace {
std::mutex g_PathMutex;
std::string g_InstallPath;
std::string g_SharedPath;
}  // namespace

void SetInstallPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_PathMutex);
    g_InstallPath = path;
}

std::string GetInstallPath() {
    std::lock_guard<std::mutex> lock(g_PathMutex);
    return g_InstallPath;
}

std::string InstallDir() {
    std::string path = GetInstallPath();
    if (path.size() > 1) {
        char sep = PlatformPathSeparator();
        if (path.back() != sep) path += sep;
        return path;
    }
    return PlatformDefaultInstallDir();
}

void SetSharedPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_PathMutex);
    g_SharedPath = path;
}

std::string SharedDir() {
    {
        std::lock_guard<std::mutex> lock(g_PathMutex);
        if (!g_SharedPath.empty()) {
            std::string path = g_SharedPath;
            if (path.back() != PlatformPathSeparator()) path += PlatformPathSeparator();
            return path;
        }
    }
    return PlatformSharedDir();
}
