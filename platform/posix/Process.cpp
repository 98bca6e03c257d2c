#include "platform/Process.h"

#include <unistd.h>

#include <cstdio>

void PlatformQuickExit(int code) {
    std::fflush(nullptr);
    _exit(code);
}
