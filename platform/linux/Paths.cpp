#include "platform/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace {
std::string WithSlash(std::string p) {
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}

std::string DataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) return WithSlash(xdg);
    const char* home = std::getenv("HOME");
    std::string h;
    if (home && *home) {
        h = home;
    } else if (const struct passwd* pw = getpwuid(getuid())) {
        h = pw->pw_dir ? pw->pw_dir : "/tmp";
    } else {
        h = "/tmp";
    }
    return WithSlash(h) + ".local/share/";
}
}  // namespace

char PlatformPathSeparator() { return '/'; }

std::string PlatformDefaultInstallDir() {
    const char* mg = std::getenv("MEADOWGLOW_HOME");
    if (mg && *mg) return WithSlash(mg);
    return DataHome() + "meadowglow/";
}

// A private home (tests, a second installation) keeps the family's shared
// folder inside it too, so that nothing of it touches the user's own files.
std::string PlatformSharedDir() {
    const char* mg = std::getenv("MEADOWGLOW_HOME");
    if (mg && *mg) return WithSlash(mg) + "shared/";
    return DataHome() + "tallow-fen/shared/screen-savers/";
}

// Linux keeps no record of installations: the folder rules above decide.
bool PlatformRecordedInstallFolder(const std::string&, std::string& folder, std::vector<std::string>& misses) {
    folder.clear();
    misses.clear();
    return false;
}
