#include "platform/win32/WinInclude.h"

#include "platform/Process.h"

#include <cstdio>

bool PlatformRunProgram(const std::string& commandLine, bool wait) {
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi{};
    // CreateProcessA may write into the command line: give it a copy of its own.
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    if (wait) WaitForSingleObject(pi.hProcess, INFINITE);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return true;
}

void PlatformQuickExit(int code) {
    std::fflush(nullptr);
    // Unlike ExitProcess, this runs no DLL detach code: the GL driver is not
    // torn down under a thread that may still be inside it.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    for (;;) Sleep(INFINITE);
}
