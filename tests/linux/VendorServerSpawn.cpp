// The vendor server runs as a child process; it ends itself when the test
// removes its run file, and is reaped here so no zombie is left behind.
#include "tests/VendorServer.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

bool SpawnHostProgram(const std::vector<std::string>& argv, std::string& error) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (rc != 0) {
        error = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
        return false;
    }
    std::thread([pid] {
        int status = 0;
        waitpid(pid, &status, 0);
    }).detach();
    return true;
}

void VendorServerFolder(std::string& local, std::string& host) {
    local = "/tmp/";
    host = "/tmp/";
}

void SetProcessEnv(const char* name, const char* value) {
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}
