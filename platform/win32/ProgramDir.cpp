#include "platform/win32/WinInclude.h"

#include "platform/ProgramDir.h"

#include <vector>

std::string PlatformProgramDir() {
    std::vector<char> buf(MAX_PATH + 1);
    for (int attempt = 0; attempt < 6; ++attempt) {
        DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return std::string();
        if (n < buf.size()) {
            std::string path(buf.data(), n);
            size_t cut = path.find_last_of("\\/");
            return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
        }
        buf.resize(buf.size() * 2);  // truncated: try a larger buffer
    }
    return std::string();
}
