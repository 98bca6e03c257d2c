// Under Wine a Windows program can start a program of the host system: the
// vendor server is the host's Python, and its files live where both sides see
// them (the host's /tmp, drive Z: to Windows).
#include "platform/win32/WinInclude.h"

#include "tests/VendorServer.h"

#include <cstdlib>

bool SpawnHostProgram(const std::vector<std::string>& argv, std::string& error) {
    std::string line = "/usr/bin/" + argv[0];
    for (size_t i = 1; i < argv.size(); ++i) line += " \"" + argv[i] + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        error = "cannot start " + line + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    // A host program gets no Windows handles worth keeping.
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return true;
}

void VendorServerFolder(std::string& local, std::string& host) {
    local = "Z:\\tmp\\";
    host = "/tmp/";
}

void SetProcessEnv(const char* name, const char* value) {
    _putenv_s(name, value ? value : "");
}
