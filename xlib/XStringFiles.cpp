// XString operations on files, folders and system facts. The string itself is
// the subject: it names the file or folder, or receives the result. Failures
// are reported by a false result and the error-message slot, never thrown,
// except for running out of memory.
#include "xlib/XString.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/System.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// The folder part of a file name: everything before its last separator.
// Empty when the name has no folder part (or names a file in the root),
// in which case there is no folder to check or create.
std::string FolderPart(const char* filename) {
    const std::string name(filename);
    for (size_t i = name.size(); i-- > 0;) {
        if (PlatformIsPathSeparator(name[i])) {
            if (i < PlatformPathRootLength(filename)) return std::string();
            return name.substr(0, i);
        }
    }
    return std::string();
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return s;
}
}  // namespace

bool XString::ReadFile(const char* filename, int mode) {
    (void)mode;  // every transfer is binary: the content is read exactly as stored
    ClearError();
    if (!filename) return Fail("Error: in XString::ReadFile filename is NULL.");
    if (!*filename) return Fail("Error: in XString::ReadFile filename is zero length.");
    // Only ordinary files: a FIFO or a device would block the read or never end.
    FilePtr f(PlatformFileKind(filename) == FileKind::Regular ? std::fopen(filename, "rb") : nullptr);
    if (!f) return Fail("Error: in XString::ReadFile failed to open filename=", filename);
    long size = -1;
    if (std::fseek(f.get(), 0, SEEK_END) == 0) size = std::ftell(f.get());
    if (size < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0)
        return Fail("Error: in XString::ReadFile failed to seek to start of file.");
    ResetStats();
    m_Length = 0;
    Data()[0] = '\0';
    try {
        if (static_cast<unsigned long>(size) > kMaxLength)
            Throw(XERR_NO_MEMORY, "in MakeSize could not allocate memory for temporary buffer.");
        MakeSize(static_cast<unsigned>(size));
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "ReadFile MakeSize");
    }
    const size_t got = size ? std::fread(Data(), 1, static_cast<size_t>(size), f.get()) : 0;
    if (got != static_cast<size_t>(size)) {
        Data()[0] = '\0';
        return Fail("Error: in XString::ReadFile failed to read file data.");
    }
    m_Length = static_cast<uint32_t>(size);
    Data()[m_Length] = '\0';
    return true;
}

bool XString::WriteFile(const char* filename, bool bCreatePathNoExist, int mode) {
    (void)mode;  // every transfer is binary: exactly GetLength() bytes are written
    ClearError();
    if (!filename) return Fail("Error: in XString::WriteFile filename is NULL.");
    if (!*filename) return Fail("Error: in XString::WriteFile filename is zero length.");
    try {
        const std::string folder = FolderPart(filename);
        if (!folder.empty() && !PlatformDirectoryExists(folder.c_str())) {
            if (!bCreatePathNoExist) return Fail("Error: in XString::WriteFile filename path does not exist.");
            XString dir(folder.c_str());
            if (!dir.CreateDirectory())
                return Fail("Error: in XString::WriteFile CreateDirectory failed. Msg=", dir.GetErrorMessage());
        }
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "WriteFile");
    }
    FILE* raw = std::fopen(filename, "wb");
    if (!raw) return Fail("Error: in XString::WriteFile failed to open filename=", filename);
    const size_t put = m_Length ? std::fwrite(Data(), 1, m_Length, raw) : 0;
    // A failed close is a failed write: buffered data may not have reached the file.
    const bool closed = std::fclose(raw) == 0;
    if (put != m_Length || !closed) return Fail("Error: in XString::WriteFile failed to write file data.");
    return true;
}

bool XString::CopyFile(const char* pcszCopyToFileName, bool bCreatePathNoExist, bool bOverwrite) {
    ClearError();
    if (!pcszCopyToFileName) return Fail("Error: in XString::CopyFile CopyToFileName is NULL.");
    std::string folder;
    try {
        folder = FolderPart(pcszCopyToFileName);
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "CopyFile");
    }
    if (!folder.empty() && !PlatformDirectoryExists(folder.c_str())) {
        if (!bCreatePathNoExist)
            return Fail("Error: in XString::CopyFile the directory path=" + folder +
                        " does not exist. Use bCreatePathNoExist=true to automatically create the path.");
        try {
            XString dir(folder.c_str());
            if (!dir.CreateDirectory())
                return Fail("Error: in XString::CopyFile CreateDirectory failed. Msg=", dir.GetErrorMessage());
        } catch (const XException& e) {
            throw XException::Rewrap(e, "XString", "CopyFile CreateDirectory");
        }
    }
    if (!PlatformCopyFile(c_str(), pcszCopyToFileName, bOverwrite))
        return Fail("Error: in XString::CopyFile failed on file=" + std::string(View()) + ". The file may be in use.");
    return true;
}

bool XString::DeleteFile() {
    ClearError();
    if (m_Length == 0 || !PlatformDeleteFile(c_str()))
        return Fail("Error: in XString::DeleteFile failed to delete filename=", View());
    return true;
}

bool XString::CreateDirectory() {
    ClearError();
    if (m_Length == 0) return Fail("Error: in XString::CreateDirectory directory path is zero length.");
    const std::string path(View());
    const size_t len = path.size();
    size_t i = PlatformPathRootLength(path.c_str());
    bool ok = false, anyComponent = false;
    while (i < len) {
        while (i < len && PlatformIsPathSeparator(path[i])) ++i;  // doubled or trailing separators
        if (i >= len) break;
        size_t j = i;
        while (j < len && !PlatformIsPathSeparator(path[j])) ++j;
        const std::string upTo = path.substr(0, j);
        if (!PlatformDirectoryExists(upTo.c_str())) PlatformMakeDirectory(upTo.c_str());
        // Made, or there already; a file of that name does not count.
        ok = PlatformDirectoryExists(upTo.c_str());
        anyComponent = true;
        i = j;
    }
    if (!anyComponent) ok = PlatformDirectoryExists(path.c_str());
    if (!ok) return Fail("Error: in XString::CreateDirectory failed for path=", path);
    return true;
}

bool XString::PathExists() const { return m_Length && PlatformDirectoryExists(c_str()); }

bool XString::FileExists() const { return m_Length && PlatformFileReadable(c_str()); }

bool XString::GetWindowsDirectory() {
    ClearError();
    std::string dir;
    if (!PlatformSystemFolder(dir) || dir.empty())
        return Fail("Error: in XString::GetWindowsDirectory failed to obtain windows directory.");
    try {
        AssignRaw(dir.data(), static_cast<unsigned>(dir.size()));
        AppendNoExist(PlatformPathSeparator(), 1);
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "GetWindowsDirectory");
    }
    return true;
}

bool XString::CreateGuid(bool bRemoveDashes) {
    ClearError();
    std::string text;
    switch (PlatformCreateGuid(text)) {
        case GuidStatus::Ok: break;
        case GuidStatus::CreateFailed: return Fail("Error: in XString::CreateGuid failed to create a GUID.");
        case GuidStatus::ConvertFailed: return Fail("Error: in XString::CreateGuid failed to create string from GUID.");
        case GuidStatus::OutOfMemory:
            Throw(XERR_NO_MEMORY, "in CreateGuid out of memory when converting to the GUID to a string.");
    }
    try {
        AssignRaw(text.data(), static_cast<unsigned>(text.size()));
        if (bRemoveDashes) RemoveChar('-');
    } catch (const XException& e) {
        throw XException(e.GetCode(), "XString", "in CreateGuid failed at last copy. Msg=", e.GetMessage());
    }
    return true;
}

bool XString::ReadRegistryValue(const char* pcszPath) {
    ClearError();
    if (!pcszPath) return Fail("Error: in XString::ReadRegistryValue path is NULL.");
    std::string path(pcszPath);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    const size_t first = path.find('\\');
    const size_t last = path.rfind('\\');
    const std::string rootName = Upper(path.substr(0, first));
    const std::string valueName = last == std::string::npos ? std::string() : path.substr(last + 1);
    const std::string keyPath =
        (first != std::string::npos && last > first) ? path.substr(first + 1, last - first - 1) : std::string();

    static const struct {
        const char* name;
        RegistryRoot root;
    } roots[] = {{"HKEY_CLASSES_ROOT", RegistryRoot::ClassesRoot}, {"HKEY_CURRENT_CONFIG", RegistryRoot::CurrentConfig},
                 {"HKEY_CURRENT_USER", RegistryRoot::CurrentUser},  {"HKEY_LOCAL_MACHINE", RegistryRoot::LocalMachine},
                 {"HKEY_USERS", RegistryRoot::Users},               {"HKEY_DYN_DATA", RegistryRoot::DynData}};
    const RegistryRoot* root = nullptr;
    for (const auto& r : roots)
        if (rootName == r.name) root = &r.root;
    if (!root) return Fail("Error: in XString::ReadRegistryValue failed. Found unsupported key type = ", rootName);

    std::string data;
    long code = 0;
    switch (PlatformReadRegistryValue(*root, keyPath, valueName, data, code)) {
        case RegistryStatus::Ok: break;
        case RegistryStatus::NoRegistry:
            return Fail("Error: in XString::ReadRegistryValue failed. This system has no registry to read path=",
                        pcszPath);
        case RegistryStatus::OpenFailed:
            return Fail("Error: in XString::ReadRegistryValue RegOpenKey failed. Code = ", std::to_string(code));
        case RegistryStatus::QueryFailed:
            return Fail("Error: in XString::ReadRegistryValue RegQueryValueEx failed. Code = ", std::to_string(code));
        case RegistryStatus::QueryDataFailed:
            return Fail("Error: in XString::ReadRegistryValue RegQueryValueEx(2) failed. Code = ", std::to_string(code));
    }
    // Text ending in its NUL; a value stored without one keeps its last character.
    size_t n = data.size();
    if (n && data[n - 1] == '\0') --n;
    AssignRaw(data.data(), static_cast<unsigned>(n));
    return true;
}
