// Shared helpers for the unit tests.
#pragma once

#include <string>

// A fresh, empty directory for one test, ending in the platform's separator,
// removed again by the destructor.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return m_Path; }
    std::string File(const std::string& name) const { return m_Path + name; }

private:
    std::string m_Path;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);
