#include "platform/Registry.h"

// Linux keeps no registry: installation paths come from the environment.
bool PlatformHasRegistry() { return false; }
