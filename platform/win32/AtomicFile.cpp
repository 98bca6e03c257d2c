#include "platform/win32/WinInclude.h"

#include "platform/AtomicFile.h"

bool PlatformCreateTempFile(const std::string& folder, std::string& path) {
    char name[MAX_PATH + 1] = {};
    if (GetTempFileNameA(folder.c_str(), "mg", 0, name) == 0) return false;
    path = name;
    return true;
}

bool PlatformSyncFile(const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const BOOL ok = FlushFileBuffers(h);
    CloseHandle(h);
    return ok != FALSE;
}

bool PlatformReplaceFile(const char* from, const char* to) {
    const DWORD attributes = GetFileAttributesA(to);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // A reader that has the old file open (without delete sharing) blocks the
    // replace for as long as it reads: wait for it, up to about two seconds.
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD err = GetLastError();
        if (err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION) return false;
        Sleep(10);
    }
    return false;
}
