// Files and folders, as the string class needs them. Paths are in the
// platform's own form; every call is independent of the current folder's
// state except for relative paths, which are taken from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// True for a character that separates path components ('/' on POSIX; '\\' and '/' on Windows).
bool PlatformIsPathSeparator(char c);
// Length of the leading part of a path that names no folder to create:
// a drive ("C:\"), a network share ("\\server\share\") or the root ("/").
size_t PlatformPathRootLength(const char* path);
// True when the path names an existing folder.
bool PlatformDirectoryExists(const char* path);
// Creates one folder whose parent exists.
bool PlatformMakeDirectory(const char* path);
// Copies a file; an existing target is replaced only when `overwrite`.
bool PlatformCopyFile(const char* from, const char* to, bool overwrite);
bool PlatformDeleteFile(const char* path);
// True when the path names a file (not a folder) that can be opened for reading.
bool PlatformFileReadable(const char* path);

// What a path names, found without waiting on it: a FIFO or a device is never
// opened for reading, so the call never blocks.
enum class FileKind {
    Missing,     // nothing there
    Regular,     // an ordinary file this process can read
    Other,       // a folder, a FIFO, a device, ...
    Unreadable,  // something is there, or may be, but this process cannot read it
};
// `size`, when given, receives a regular file's length in bytes.
FileKind PlatformFileKind(const char* path, uint64_t* size = nullptr);

// A file the user names (a picture, a sprite, a wave, the trust file, a page
// written for the user) is opened only when it is an ordinary file of at most
// `maxBytes`: a FIFO blocks whoever opens it until someone writes into it, a
// device never ends, and a huge file takes the memory and the time. Refused
// comes with a reason that completes "<path> ...".
enum class UserFileVerdict { Usable, Missing, Refused };
UserFileVerdict PlatformCheckUserFile(const char* path, uint64_t maxBytes, std::string* reason = nullptr);
