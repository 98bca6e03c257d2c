// The start-up read of the installation path from the registry.
#pragma once

#include <string>

// Reads "InstallPath" under the vendor's screen-saver key for the product,
// machine hive first, then user hive, into the installation path (SetInstallPath),
// ending in the separator. Each failed read writes a "ReadRegistryFailed"
// run-log entry; when both fail InstallDir falls back to its default folder.
// On a platform that keeps no such record (Linux) it does nothing: the
// installation path comes from the environment's folder rules.
void ReadRegistry();
// The same for another product name (tests use their own key).
void ReadRegistryForProduct(const std::string& product);
