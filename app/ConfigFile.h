// Writing a whole settings file safely: the text goes to a temporary file in
// the same folder, is flushed to the disk, and then replaces the old file in
// one step. A reader (this process or another) therefore sees the old file or
// the complete new one; a process that dies, or a disk that fills, part-way
// through leaves the old file as it was.
#pragma once

#include <string>

#include "xlib/XString.h"

// Writes `text` whole to `path`, creating a missing folder. On failure returns
// false with the reason ("Error: ...") in `error`; the old file is untouched.
bool ConfigWriteWhole(XString& text, const std::string& path, std::string& error);

// Test hook: with a value of 0 or more, the next writes store only that many
// bytes in the temporary file and then fail, as a full disk would. Negative
// switches the hook off.
void ConfigSimulateWriteFailureForTests(long long afterBytes);
