#include "tests/VendorServer.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "services/VendorService.h"
#include "tests/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// A loaded machine can take many seconds to start Python.
constexpr auto kStartLimit = std::chrono::seconds(90);

// The JSON string that starts at s[at] (the opening quote), unescaped.
std::string JsonString(const std::string& s, size_t at) {
    std::string out;
    for (size_t i = at + 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '"') break;
        if (c != '\\' || i + 1 >= s.size()) {
            out += c;
            continue;
        }
        c = s[++i];
        switch (c) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u':
                if (i + 4 < s.size()) {
                    out += static_cast<char>(std::stoi(s.substr(i + 1, 4), nullptr, 16) & 0xFF);
                    i += 4;
                }
                break;
            default: out += c;
        }
    }
    return out;
}

std::string ValueOf(const std::string& json, const std::string& key, size_t from = 0) {
    const std::string look = "\"" + key + "\": ";
    const size_t at = json.find(look, from);
    if (at == std::string::npos) return std::string();
    const size_t value = at + look.size();
    if (value < json.size() && json[value] == '"') return JsonString(json, value);
    const size_t end = json.find_first_of(",}", value);
    return json.substr(value, end - value);
}

}  // namespace

VendorServer::VendorServer() {
    static std::atomic<int> counter{0};
    std::string local, host;
    VendorServerFolder(local, host);
    const std::string name = "mg-vendor-" +
                             std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "-" +
                             std::to_string(counter++);
    m_Dir = local + name;
    m_UnixDir = host + name;
    std::error_code ec;
    fs::create_directories(m_Dir, ec);
    const char sep = m_Dir.find('\\') != std::string::npos ? '\\' : '/';
    m_Dir += sep;
    m_UnixDir += '/';
    WriteWholeFile(m_Dir + "run", "");
    WriteWholeFile(m_Dir + "knobs.json", "{}");
    const std::vector<std::string> argv = {
        "python3", std::string(MG_SOURCE_DIR) + "/tests/tools/vendor_server.py",
        "--port-file", m_UnixDir + "port",
        "--record", m_UnixDir + "requests.jsonl",
        "--knobs", m_UnixDir + "knobs.json",
        "--run-file", m_UnixDir + "run",
        "--max-seconds", "900",
    };
    if (!SpawnHostProgram(argv, m_Error)) return;
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string port = ReadWholeFile(m_Dir + "port");
        if (!port.empty()) {
            m_Port = static_cast<unsigned>(std::stoul(port));
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_Error = "the vendor server did not start within the limit";
}

VendorServer::~VendorServer() {
    // Without its run file the server ends within a fraction of a second.
    std::error_code ec;
    fs::remove_all(m_Dir, ec);
}

std::string VendorServer::HostPort() const { return "127.0.0.1:" + std::to_string(m_Port); }

std::string VendorServer::Url(const std::string& pathAndQuery) const { return "http://" + HostPort() + pathAndQuery; }

void VendorServer::SetKnobs(const std::string& json) {
    // Whole or not at all: the server reads the file while we write it.
    WriteWholeFile(m_Dir + "knobs.tmp", json);
    std::error_code ec;
    fs::rename(m_Dir + "knobs.tmp", m_Dir + "knobs.json", ec);
}

void VendorServer::ClearRequests() {
    std::error_code ec;
    fs::remove(m_Dir + "requests.jsonl", ec);
}

std::vector<std::string> VendorServer::Requests() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(m_Dir + "requests.jsonl"));
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string VendorServer::Field(const std::string& request, const std::string& name) {
    const std::string v = ValueOf(request, name);
    return v == "null" ? std::string() : v;
}

std::string VendorServer::Header(const std::string& request, const std::string& name) {
    const size_t headers = request.find("\"headers\": {");
    if (headers == std::string::npos) return std::string();
    return ValueOf(request, name, headers);
}

bool VendorServer::ViaProxy(const std::string& request) { return ValueOf(request, "proxy") == "true"; }

void VendorServerSuite::UseVendorHost(const std::string& host) { SetProcessEnv(Vendor::kHostVariable, host.c_str()); }
