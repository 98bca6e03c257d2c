#include "app/ConfigFile.h"

#include <atomic>

#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace {
std::atomic<long long> g_FailAfterBytes{-1};

// The folder part of a path, with its separator; empty for a bare file name.
std::string FolderOf(const std::string& path) {
    for (size_t i = path.size(); i-- > 0;)
        if (PlatformIsPathSeparator(path[i])) return path.substr(0, i + 1);
    return std::string();
}
}  // namespace

void ConfigSimulateWriteFailureForTests(long long afterBytes) { g_FailAfterBytes = afterBytes; }

bool ConfigWriteWhole(XString& text, const std::string& path, std::string& error) {
    error.clear();
    const std::string folder = FolderOf(path);
    if (!folder.empty() && !PlatformDirectoryExists(folder.c_str())) {
        XString dir(folder.c_str());
        if (!dir.CreateDirectory()) {
            error = dir.GetErrorMessage();
            return false;
        }
    }
    std::string temp;
    if (!PlatformCreateTempFile(folder.empty() ? std::string(".") + PlatformPathSeparator() : folder, temp)) {
        error = "Error: could not create a temporary file in folder=" + folder;
        return false;
    }

    bool written;
    const long long failAfter = g_FailAfterBytes;
    if (failAfter >= 0) {
        XString part;
        const unsigned n = failAfter < text.GetLength() ? static_cast<unsigned>(failAfter) : text.GetLength();
        part.SetData(text.c_str(), static_cast<int>(n));
        part.WriteFile(temp.c_str());
        written = false;
        error = "Error: simulated write failure after " + std::to_string(n) + " bytes.";
    } else {
        written = text.WriteFile(temp.c_str());
        if (!written) error = text.GetErrorMessage();
    }
    if (written && !PlatformSyncFile(temp.c_str())) {
        written = false;
        error = "Error: could not flush the temporary file " + temp + " to the disk.";
    }
    if (written && !PlatformReplaceFile(temp.c_str(), path.c_str())) {
        written = false;
        error = "Error: could not replace " + path + " with " + temp + ".";
    }
    if (!written) PlatformDeleteFile(temp.c_str());
    return written;
}
