#include "app/ReadRegistry.h"

#include <string>
#include <vector>

#include "platform/Paths.h"
#include "xlib/RunLog.h"
#include "xlib/XPaths.h"
#include "xlib/XString.h"

void ReadRegistry() { ReadRegistryForProduct("Meadowglow"); }

void ReadRegistryForProduct(const std::string& product) {
    XGuard("main ReadRegistry", [&] {
        std::string folder;
        std::vector<std::string> misses;
        if (!PlatformRecordedInstallFolder(product, folder, misses)) return;
        for (const std::string& miss : misses) WriteRunLog("ReadRegistryFailed", miss.c_str());
        // A lone separator (nothing recorded) is too short to count:
        // InstallDir then uses the default folder.
        if (folder.empty() || folder.back() != PlatformPathSeparator()) folder += PlatformPathSeparator();
        SetInstallPath(folder);
    });
}
