#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

bool PlatformIsPathSeparator(char c) { return c == '/'; }

size_t PlatformPathRootLength(const char* path) {
    size_t n = 0;
    while (path && path[n] == '/') ++n;
    return n;
}

bool PlatformDirectoryExists(const char* path) {
    struct stat st;
    return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool PlatformMakeDirectory(const char* path) { return ::mkdir(path, 0777) == 0 || errno == EEXIST; }

bool PlatformCopyFile(const char* from, const char* to, bool overwrite) {
    // Non-blocking, and only a regular file: opening a FIFO would wait for a
    // writer, and a device would never end.
    const int in = ::open(from, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    // Opening the source itself as the target would truncate it before the copy.
    struct stat target;
    if (::stat(to, &target) == 0 && target.st_dev == st.st_dev && target.st_ino == st.st_ino) {
        ::close(in);
        return false;
    }
    // Non-blocking too: a FIFO without a reader in the target's place fails at once.
    const int out =
        ::open(to, O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC | (overwrite ? 0 : O_EXCL), 0666);
    if (out < 0) {
        ::close(in);
        return false;
    }
    char buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buf, sizeof buf);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(out, buf + done, static_cast<size_t>(got - done));
            if (put < 0) {
                if (errno == EINTR) continue;
                ok = false;
                break;
            }
            done += put;
        }
        if (!ok) break;
    }
    ::close(in);
    if (::close(out) != 0) ok = false;
    return ok;
}

bool PlatformDeleteFile(const char* path) { return ::unlink(path) == 0; }

bool PlatformFileReadable(const char* path) {
    // Non-blocking: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    const bool isFile = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return isFile;
}

FileKind PlatformFileKind(const char* path, uint64_t* size) {
    if (!path || !*path) return FileKind::Missing;
    struct stat st;
    if (::stat(path, &st) != 0) return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Unreadable;
    if (!S_ISREG(st.st_mode)) return FileKind::Other;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? FileKind::Missing : FileKind::Unreadable;
    // Replaced by something else between the two looks.
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    ::close(fd);
    if (regular && size) *size = static_cast<uint64_t>(st.st_size);
    return regular ? FileKind::Regular : FileKind::Other;
}
