// A few facts from the operating system behind XString's system calls: the
// system's own folder, new GUIDs and raw registry values. The program itself
// asks for the installation folder a setup program recorded through
// PlatformRecordedInstallFolder (Paths.h), never the registry.
#pragma once

#include <string>

// The folder the system keeps for itself ("C:\Windows" on Windows). POSIX has
// none that concerns us: there it is the user's data home, the folder the
// installation and shared folders live under. No guarantee about a trailing
// separator. False on failure.
bool PlatformSystemFolder(std::string& dir);

enum class GuidStatus { Ok, CreateFailed, ConvertFailed, OutOfMemory };
// A new GUID as 36 characters, 8-4-4-4-12 lower-case hexadecimal digits, no braces.
GuidStatus PlatformCreateGuid(std::string& text);

enum class RegistryRoot { ClassesRoot, CurrentConfig, CurrentUser, LocalMachine, Users, DynData };
enum class RegistryStatus { Ok, OpenFailed, QueryFailed, QueryDataFailed, NoRegistry };
// Reads the raw data of a registry value (its type is not checked), for
// XString::ReadRegistryValue; where there is no registry every read answers
// NoRegistry. `code` receives the system's status code when a step fails.
RegistryStatus PlatformReadRegistryValue(RegistryRoot root, const std::string& key, const std::string& value,
                                         std::string& data, long& code);
