// Writing a whole settings file safely: the text goes to a temporary file in
// the same folder, is flushed to the disk, and then replaces the old file in
// one step. A reader (this process or another) therefore sees the old file or
// the complete new one; a process that dies, or a disk that fills, part-way
// through leaves the old file as it was.
#pragma once

#include <vector>
#include <string>
#include <string_view>

#include "xlib/XString.h"

// Writes `text` whole to `path`, creating a missing folder. On failure returns
// false with the reason ("Error: ...") in `error`; the old file is untouched.
// Something at `path` that is not a readable ordinary file (a FIFO, a folder,
// a file this user may not read) is never replaced. Temporary files that an
// interrupted earlier write left in the folder are removed once they are
// older than kStaleTempSeconds.
bool ConfigWriteWhole(XString& text, const std::string& path, std::string& error);
constexpr unsigned kStaleTempSeconds = 300;

// Why the settings file at `path` may not be read or replaced: empty when it
// is missing or an ordinary readable file, else a reason such as "is not a
// regular file".
std::string ConfigFileRefusal(const std::string& path);
// False, with the "Error: ..." text in `error`, when ConfigFileRefusal has a reason.
bool ConfigMayReplace(const std::string& path, std::string& error);

// What is wrong with the container of a settings file's text: empty when
// nothing, else the faults found ("no closing </ConfigFile>", "section
// <Stars> has no </Stars>"), separated by "; ". `sections` are the tags the
// file may hold, without brackets.
std::string ConfigFileDamage(const XString& text, const std::vector<std::string_view>& sections);

// Test hook: with a value of 0 or more, the next writes store only that many
// bytes in the temporary file and then fail, as a full disk would. Negative
// switches the hook off.
void ConfigSimulateWriteFailureForTests(long long afterBytes);
