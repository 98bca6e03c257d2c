#include "platform/AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

bool PlatformCreateTempFile(const std::string& folder, std::string& path, bool privateFile) {
    std::string pattern = folder + ".mg-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    // Set outright: mkstemp's mode depends on the umask and on the C library.
    ::fchmod(fd, privateFile ? 0600 : 0644);
    ::close(fd);
    path = name.data();
    return true;
}

bool PlatformSyncFile(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

bool PlatformReplaceFile(const char* from, const char* to) {
    // A mode the user gave the file stays; so does a private one.
    struct stat old;
    if (::stat(to, &old) == 0 && S_ISREG(old.st_mode) && ::chmod(from, old.st_mode & 07777) != 0) return false;
    if (::rename(from, to) != 0) return false;
    // Make the new name itself durable; a failure here does not undo the replace.
    std::string dir(to);
    const size_t cut = dir.rfind('/');
    dir = cut == std::string::npos ? std::string(".") : dir.substr(0, cut == 0 ? 1 : cut);
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
    return true;
}

unsigned PlatformRemoveStaleTempFiles(const std::string& folder, unsigned olderThanSeconds) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    const time_t now = ::time(nullptr);
    unsigned removed = 0;
    // The names mkstemp gives in PlatformCreateTempFile: ".mg-" and six characters.
    static constexpr char kPrefix[] = ".mg-";
    while (const struct dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, kPrefix, 4) != 0 || std::strlen(name) != 10) continue;
        const std::string path = folder + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (now - st.st_mtime <= static_cast<time_t>(olderThanSeconds)) continue;
        if (::unlink(path.c_str()) == 0) ++removed;
    }
    ::closedir(dir);
    return removed;
}
