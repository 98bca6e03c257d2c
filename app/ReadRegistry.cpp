#include "app/ReadRegistry.h"

#include "platform/Paths.h"
#include "platform/Registry.h"
#include "xlib/XPaths.h"
#include "xlib/XString.h"

void ReadRegistry() { ReadRegistryForProduct("Meadowglow"); }

void ReadRegistryForProduct(const std::string& product) {
    XGuard("main ReadRegistry", [&] {
        if (!PlatformHasRegistry()) return;
        const std::string key = "\\Software\\Tallow Fen Software\\Screen Savers\\" + product + "\\InstallPath";
        const std::string machine = "HKEY_LOCAL_MACHINE" + key;
        const std::string user = "HKEY_CURRENT_USER" + key;

        XString path;
        if (!path.ReadRegistryValue(machine.c_str()) || path.IsEmpty()) {
            WriteRunLog("ReadRegistryFailed", ("Error: failed to read registry string = " + machine).c_str());
            if (!path.ReadRegistryValue(user.c_str()))
                WriteRunLog("ReadRegistryFailed", ("Error: failed to read registry string = " + user).c_str());
        }
        // A lone separator (both reads failed) is too short to count:
        // InstallDir then uses the default folder.
        path.AppendNoExist(PlatformPathSeparator(), 1);
        SetInstallPath(std::string(path.View()));
    });
}
