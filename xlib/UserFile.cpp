#include "xlib/UserFile.h"

#include <string>

#include "platform/FileSystem.h"
#include "xlib/RunLog.h"

bool UserFileRefused(const XString& path, uint64_t maxBytes, const char* what) {
    if (path.IsEmpty()) return false;
    std::string reason;
    if (PlatformCheckUserFile(path.c_str(), maxBytes, &reason) != UserFileVerdict::Refused) return false;
    std::string message(what);
    message += " ";
    message.append(path.View());
    message += " " + reason + "; it is not opened.";
    WriteRunLog("File Refused", message);
    return true;
}
