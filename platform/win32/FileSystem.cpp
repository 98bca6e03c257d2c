#include "platform/win32/WinInclude.h"

#include "platform/FileSystem.h"

#include <cstdio>
#include <cstring>
#include <string>

bool PlatformIsPathSeparator(char c) { return c == '\\' || c == '/'; }

size_t PlatformPathRootLength(const char* path) {
    if (!path) return 0;
    const size_t len = std::strlen(path);
    if (len >= 3 && path[1] == ':' && PlatformIsPathSeparator(path[2])) return 3;
    if (len >= 2 && PlatformIsPathSeparator(path[0]) && PlatformIsPathSeparator(path[1])) {
        // "\\server\share\": neither the server nor the share can be created.
        size_t i = 2;
        for (int part = 0; part < 2; ++part) {
            while (i < len && !PlatformIsPathSeparator(path[i])) ++i;
            if (i < len) ++i;
        }
        return i;
    }
    return 0;
}

bool PlatformDirectoryExists(const char* path) {
    if (!path || !*path) return false;
    const size_t len = std::strlen(path);
    const bool absolute = len >= 3 && ((path[0] == '\\' && path[1] == '\\') || (path[1] == ':' && path[2] == '\\'));
    if (absolute) {
        // The classic search for any entry inside the folder, with the
        // system's old path-length limit.
        if (len >= 286) return false;
        std::string pattern(path);
        pattern += pattern.back() == '\\' ? "*" : "\\*";
        WIN32_FIND_DATAA fd;
        HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
        if (h == INVALID_HANDLE_VALUE) return false;
        FindClose(h);
        return true;
    }
    // Relative: asked of the file system directly rather than by changing the
    // process-wide current folder, which other threads rely on.
    const DWORD attr = GetFileAttributesA(path);
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlatformMakeDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool PlatformCopyFile(const char* from, const char* to, bool overwrite) {
    return CopyFileA(from, to, overwrite ? FALSE : TRUE) != 0;
}

bool PlatformDeleteFile(const char* path) { return DeleteFileA(path) != 0; }

bool PlatformFileReadable(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    std::fclose(f);
    const DWORD attr = GetFileAttributesA(path);
    return attr == INVALID_FILE_ATTRIBUTES || !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

FileKind PlatformFileKind(const char* path, uint64_t* size) {
    if (!path || !*path) return FileKind::Missing;
    const DWORD attr = GetFileAttributesA(path);
    if (attr == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND || err == ERROR_INVALID_NAME
                   ? FileKind::Missing
                   : FileKind::Unreadable;
    }
    if (attr & FILE_ATTRIBUTE_DIRECTORY) return FileKind::Other;
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND ? FileKind::Missing : FileKind::Unreadable;
    }
    const DWORD type = GetFileType(h);
    LARGE_INTEGER length{};
    const bool sized = type == FILE_TYPE_DISK && GetFileSizeEx(h, &length);
    CloseHandle(h);
    if (sized && size) *size = static_cast<uint64_t>(length.QuadPart);
    return type == FILE_TYPE_DISK ? FileKind::Regular : FileKind::Other;
}
