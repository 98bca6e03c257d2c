#include "platform/FileSystem.h"

UserFileVerdict PlatformCheckUserFile(const char* path, uint64_t maxBytes, std::string* reason) {
    std::string why;
    uint64_t size = 0;
    UserFileVerdict verdict = UserFileVerdict::Refused;
    switch (PlatformFileKind(path, &size)) {
        case FileKind::Missing:
            verdict = UserFileVerdict::Missing;
            why = "does not exist";
            break;
        case FileKind::Other: why = "is not a regular file"; break;
        case FileKind::Unreadable: why = "cannot be read"; break;
        case FileKind::Regular:
            if (size <= maxBytes) {
                verdict = UserFileVerdict::Usable;
            } else {
                why = "is " + std::to_string(size) + " bytes long, more than the " + std::to_string(maxBytes) +
                      " bytes allowed";
            }
            break;
    }
    if (reason) *reason = why;
    return verdict;
}
