// Replacing a whole file in one step, so that a reader sees the old file or
// the complete new one, never a file cut off part-way.
#pragma once

#include <string>

// Creates a new, empty file with a unique name in `folder` (which ends in the
// separator) and gives its path. The name never collides with another
// writer's, in this process or another. Where files have modes, a private
// file is readable and writable by its owner only (0600), any other readable
// by all (0644).
bool PlatformCreateTempFile(const std::string& folder, std::string& path, bool privateFile = false);
// Pushes the data written to `path` out to the disk.
bool PlatformSyncFile(const char* path);
// Renames `from` over `to` in one step, replacing an existing `to`. Where
// files have modes, an existing `to` keeps its own: `from` takes it first.
bool PlatformReplaceFile(const char* from, const char* to);
// Removes the temporary files PlatformCreateTempFile made in `folder` that
// were last written more than `olderThanSeconds` ago: what writers that died
// part-way left behind. Younger ones may still be another writer's. Returns
// how many were removed.
unsigned PlatformRemoveStaleTempFiles(const std::string& folder, unsigned olderThanSeconds);
