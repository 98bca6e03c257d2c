#include "platform/win32/WinInclude.h"

#include "platform/AtomicFile.h"

#include <cctype>
#include <cstring>

bool PlatformCreateTempFile(const std::string& folder, std::string& path, bool /*privateFile*/) {
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

unsigned PlatformRemoveStaleTempFiles(const std::string& folder, unsigned olderThanSeconds) {
    // The names GetTempFileNameA gives with the prefix "mg": "mg", up to four hex
    // digits, ".tmp". Windows pads the number to four digits; Wine does not, so a
    // number below 0x1000 gives a shorter name there.
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((folder + "mg*.tmp").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    FILETIME nowFt;
    GetSystemTimeAsFileTime(&nowFt);
    const auto ticks = [](const FILETIME& ft) {
        return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    };
    const unsigned long long limit = static_cast<unsigned long long>(olderThanSeconds) * 10000000ull;
    unsigned removed = 0;
    do {
        const char* name = found.cFileName;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const size_t length = std::strlen(name);
        if (length < 7 || length > 10 || _strnicmp(name, "mg", 2) != 0 || _stricmp(name + length - 4, ".tmp") != 0)
            continue;
        bool hex = true;
        for (size_t i = 2; i < length - 4; ++i) hex = hex && std::isxdigit(static_cast<unsigned char>(name[i]));
        if (!hex) continue;
        const unsigned long long now = ticks(nowFt), written = ticks(found.ftLastWriteTime);
        if (now < written || now - written <= limit) continue;
        if (DeleteFileA((folder + name).c_str())) ++removed;
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return removed;
}
