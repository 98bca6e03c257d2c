// Files the user names in the settings: pictures, sprites, wave files, the
// trust file, the pages written for the user. Each is opened only when it is
// an ordinary file no larger than its kind allows (PlatformCheckUserFile).
#pragma once

#include <cstdint>

#include "xlib/XString.h"

// Wave files are read whole before they play; a minute of CD-quality sound
// is about 10 MiB.
constexpr uint64_t kMaxWaveFileBytes = 64ull << 20;
// A bundle of every public certificate authority is well under 1 MiB.
constexpr uint64_t kMaxTrustFileBytes = 16ull << 20;
// No limit on the length, for places where another check bounds it.
constexpr uint64_t kAnyFileLength = UINT64_MAX;

// True when `path` names something that is there but may not be opened;
// then one run-log entry (subject "File Refused") says what, where and why.
// A missing file or an empty name is not refused: the caller decides what
// that means, as it did before.
bool UserFileRefused(const XString& path, uint64_t maxBytes, const char* what);
