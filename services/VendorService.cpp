#include "services/VendorService.h"

#include <atomic>
#include <cstdlib>

#include "xlib/RunLog.h"

#ifndef MG_VENDOR_HOST_DEFAULT
#define MG_VENDOR_HOST_DEFAULT "www.tallowfen.example"
#endif

namespace Vendor {

namespace {
// Letters, digits, dots and hyphens, an optional ":port", or a bracketed IPv6
// address: nothing that could carry a path, a query or a second URL.
bool UsableHost(const std::string& host) {
    if (host.empty() || host.size() > 255) return false;
    size_t end = host.size();
    const size_t colon = host.rfind(':');
    const bool bracketed = host[0] == '[';
    if (colon != std::string::npos && (!bracketed || host.find(']') < colon)) {
        const std::string port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
        if (std::stoul(port) == 0 || std::stoul(port) > 65535) return false;
        end = colon;
    }
    if (end == 0) return false;
    for (size_t i = 0; i < end; ++i) {
        const char c = host[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '-' || (bracketed && (c == '[' || c == ']' || c == ':'));
        if (!ok) return false;
    }
    return true;
}

std::atomic<bool> g_Logged{false};
}  // namespace

std::string Host() {
    const char* value = std::getenv(kHostVariable);
    if (value && *value) {
        if (UsableHost(value)) return value;
        if (!g_Logged.exchange(true))
            WriteRunLog("Vendor host",
                        std::string(kHostVariable) + " is not a host name with an optional port: \"" + value +
                            "\". The built-in host " MG_VENDOR_HOST_DEFAULT " is used instead.",
                        false);
    }
    return MG_VENDOR_HOST_DEFAULT;
}

std::string Url(const std::string& pathAndQuery) { return "http://" + Host() + pathAndQuery; }

std::string WeatherUrl(const std::string& zipCode) {
    return Url(std::string(kWeatherPath) + "?cmd=All&zip=" + zipCode + "&x=" + kWeatherX + "&y=" + kWeatherY);
}

std::string TimeServerListUrl() {
    return Url(std::string(kTimeSyncPath) + "?cmd=List&x=" + kTimeX + "&y=" + kTimeY);
}

std::string TimeUrl(const std::string& utcNow) {
    return Url(std::string(kTimeSyncPath) + "?cmd=GetTime&mytime=" + utcNow + "&x=" + kTimeX + "&y=" + kTimeY);
}

}  // namespace Vendor
