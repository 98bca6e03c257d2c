#include "platform/Process.h"

#include <spawn.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <thread>

extern char** environ;

bool PlatformRunProgram(const std::string& commandLine, bool wait) {
    std::vector<std::string> args = SplitProgramCommandLine(commandLine);
    if (args.empty() || args[0].empty()) return false;
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
    auto reap = [pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    };
    if (wait)
        reap();
    else
        std::thread(reap).detach();  // collects the exit status so no zombie is left behind
    return true;
}

void PlatformQuickExit(int code) {
    std::fflush(nullptr);
    _exit(code);
}
