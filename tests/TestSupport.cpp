#include "tests/TestSupport.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Paths.h"

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    fs::path p = fs::temp_directory_path() /
                 ("mgtest_" + std::to_string(stamp) + "_" + std::to_string(counter++));
    fs::create_directories(p);
    m_Path = p.string();
    if (m_Path.back() != PlatformPathSeparator()) m_Path += PlatformPathSeparator();
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(m_Path, ec);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteWholeFile(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}
