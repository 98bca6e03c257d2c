#include "platform/win32/WinInclude.h"

#include "platform/Registry.h"

bool PlatformHasRegistry() { return true; }
