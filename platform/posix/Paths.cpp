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

std::string PlatformSharedDir() { return DataHome() + "tallow-fen/shared/screen-savers/"; }
