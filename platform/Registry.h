// Whether this platform keeps settings in a system registry at all.
#pragma once

bool PlatformHasRegistry();
