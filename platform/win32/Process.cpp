#include "platform/Process.h"

#include <cstdio>

#include "platform/win32/WinInclude.h"

void PlatformQuickExit(int code) {
    std::fflush(nullptr);
    // Unlike ExitProcess, this runs no DLL detach code: the GL driver is not
    // torn down under a thread that may still be inside it.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
    for (;;) Sleep(INFINITE);
}
