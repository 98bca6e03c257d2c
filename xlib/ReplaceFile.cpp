#include "xlib/ReplaceFile.h"

#include <string>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"

bool WriteFileReplacing(const XString& data, const XString& path) {
    std::string folder(path.View());
    while (!folder.empty() && !PlatformIsPathSeparator(folder.back())) folder.pop_back();
    if (!folder.empty() && !PlatformDirectoryExists(folder.c_str())) {
        XString dir(folder.c_str());
        if (!dir.CreateDirectory()) return false;
    }
    std::string temp;
    if (!PlatformCreateTempFile(folder, temp)) return false;
    XString bytes(data);
    const bool ok = bytes.WriteFile(temp.c_str()) && PlatformSyncFile(temp.c_str()) &&
                    PlatformReplaceFile(temp.c_str(), std::string(path.View()).c_str());
    if (!ok) PlatformDeleteFile(temp.c_str());
    return ok;
}
