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

std::string ConfigFileRefusal(const std::string& path) {
    switch (PlatformFileKind(path.c_str())) {
        case FileKind::Missing:
        case FileKind::Regular: return std::string();
        case FileKind::Other: return "is not a regular file";
        case FileKind::Unreadable: break;
    }
    return "exists but cannot be read";
}

bool ConfigMayReplace(const std::string& path, std::string& error) {
    const std::string refusal = ConfigFileRefusal(path);
    if (refusal.empty()) return true;
    error = "Error: " + path + " " + refusal + "; it is left as it is.";
    return false;
}

std::string ConfigFileDamage(const XString& text, const std::vector<std::string_view>& sections) {
    const std::string_view all = text.View();
    std::string faults;
    auto add = [&](const std::string& fault) {
        if (!faults.empty()) faults += "; ";
        faults += fault;
    };
    const size_t begin = all.find("<ConfigFile");
    if (begin == std::string_view::npos) add("no opening <ConfigFile>");
    if (all.find("</ConfigFile>", begin == std::string_view::npos ? 0 : begin) == std::string_view::npos)
        add("no closing </ConfigFile>");
    for (std::string_view name : sections) {
        const std::string open = "<" + std::string(name) + ">", close = "</" + std::string(name) + ">";
        const size_t at = all.find(open);
        if (at != std::string_view::npos && all.find(close, at + open.size()) == std::string_view::npos)
            add("section " + open + " has no " + close);
    }
    return faults;
}

bool ConfigWriteWhole(XString& text, const std::string& path, std::string& error) {
    error.clear();
    if (!ConfigMayReplace(path, error)) return false;
    const std::string folder = FolderOf(path);
    if (!folder.empty() && !PlatformDirectoryExists(folder.c_str())) {
        XString dir(folder.c_str());
        if (!dir.CreateDirectory()) {
            error = dir.GetErrorMessage();
            return false;
        }
    }
    PlatformRemoveStaleTempFiles(folder.empty() ? std::string(".") + PlatformPathSeparator() : folder,
                                 kStaleTempSeconds);
    std::string temp;
    // Private: the main file holds the mail passwords.
    if (!PlatformCreateTempFile(folder.empty() ? std::string(".") + PlatformPathSeparator() : folder, temp, true)) {
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
