#include "config_dialog/win32/UpdateCheck.h"

#include <cstdlib>

namespace {
const char kDefaultVendorHost[] = "www.tallowfen.com";
}

std::string VendorUrl(const std::string& path) {
    const char* host = std::getenv("MEADOWGLOW_VENDOR_HOST");
    return std::string("http://") + (host && *host ? host : kDefaultVendorHost) + path;
}

// The shared HTTP download is not part of this program yet; until it is, the
// check reports the server as unavailable rather than pretend it asked.
bool DownloadVendorText(const std::string& path, std::string& text) {
    (void)path;
    text.clear();
    return false;
}
