// Reading /proc/<pid>/stat, the Linux half of platform/CpuTime.h.
#pragma once

#include <optional>
#include <string>

// The start time (field 22, in clock ticks since boot) from the text of a
// /proc/<pid>/stat file; none when the text has no such field. The command
// name in parentheses may hold spaces and parentheses of its own.
std::optional<unsigned long long> ProcStatStartTicks(const std::string& stat);
