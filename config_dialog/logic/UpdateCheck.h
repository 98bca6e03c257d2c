// The update check's one network step: a text download from the vendor's web
// server, whose host (and optional port) MEADOWGLOW_VENDOR_HOST overrides.
#pragma once

#include <string>

// "http://" + the vendor host + `path`.
std::string VendorUrl(const std::string& path);
// Downloads `path` from the vendor host as text; false when the server could
// not be reached or answered with an error.
bool DownloadVendorText(const std::string& path, std::string& text);
