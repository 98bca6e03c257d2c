// A few facts from the operating system: its own folder, new GUIDs and the
// registry (Windows only: elsewhere every read fails with NoRegistry).
#pragma once

#include <string>

// The system's folder ("C:\Windows" on Windows; the user's data home on
// POSIX), without any guarantee about a trailing separator. False on failure.
bool PlatformWindowsDirectory(std::string& dir);

enum class GuidStatus { Ok, CreateFailed, ConvertFailed, OutOfMemory };
// A new GUID as 36 characters, 8-4-4-4-12 lower-case hexadecimal digits, no braces.
GuidStatus PlatformCreateGuid(std::string& text);

enum class RegistryRoot { ClassesRoot, CurrentConfig, CurrentUser, LocalMachine, Users, DynData };
enum class RegistryStatus { Ok, OpenFailed, QueryFailed, QueryDataFailed, NoRegistry };
// Reads the raw data of a registry value (its type is not checked). `code`
// receives the system's status code when a step fails.
RegistryStatus PlatformReadRegistryValue(RegistryRoot root, const std::string& key, const std::string& value,
                                         std::string& data, long& code);
