// Writing a whole file so that a reader (or the next run) sees the old file or
// the complete new one, never one cut off part-way by a process that died.
#pragma once

#include "xlib/XString.h"

// Writes `data` to a temporary file beside `path` (making the folder when
// missing) and renames it over `path`. False, and `path` untouched, on failure.
bool WriteFileReplacing(const XString& data, const XString& path);
