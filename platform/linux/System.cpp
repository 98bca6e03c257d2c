#include "platform/System.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <uuid/uuid.h>

bool PlatformSystemFolder(std::string& dir) {
    // There is no system folder of ours here: the user's data home stands in
    // for it, the folder the installation and shared directories live under.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg) {
        dir = xdg;
        return true;
    }
    const char* home = std::getenv("HOME");
    std::string h;
    if (home && *home) {
        h = home;
    } else if (const struct passwd* pw = getpwuid(getuid())) {
        if (pw->pw_dir) h = pw->pw_dir;
    }
    if (h.empty()) return false;
    if (h.back() != '/') h += '/';
    dir = h + ".local/share/";
    return true;
}

GuidStatus PlatformCreateGuid(std::string& text) {
    uuid_t id;
    uuid_generate(id);
    char buf[37];
    uuid_unparse_lower(id, buf);
    text.assign(buf, 36);
    return GuidStatus::Ok;
}

RegistryStatus PlatformReadRegistryValue(RegistryRoot, const std::string&, const std::string&, std::string& data,
                                         long& code) {
    data.clear();
    code = 0;
    return RegistryStatus::NoRegistry;
}
