// The vendor's web services: weather, time and the time-server list, the
// InfoNook page and the update check all live on one host. It is fixed when
// the program is built and can be overridden with the environment variable
// MEADOWGLOW_VENDOR_HOST ("host" or "host:port"), which is how the tests point
// the program at a server on loopback. The paths and the fixed query values
// every request carries are kept here, and nowhere else.
#pragma once

#include <string>

namespace Vendor {

constexpr const char* kHostVariable = "MEADOWGLOW_VENDOR_HOST";

constexpr const char* kWeatherPath = "/cgi-bin/weatherfeed.exe";
constexpr const char* kTimeSyncPath = "/cgi-bin/TimeSync.exe";
constexpr const char* kInfoNookPath = "/cgi-bin/InfoNook.exe";
constexpr const char* kShowProductPath = "/cgi-bin/ShowProduct.exe";
// The support page the settings dialog's Help page opens in the browser.
constexpr const char* kSupportPath = "/support/Meadowglow.htm";

// The "x" (who asks) and "y" (access code) values of the weather request.
constexpr const char* kWeatherX = "meadowglow.tallowfen";
constexpr const char* kWeatherY = "MGW7Q2K9XF4LT8C";  // 15 characters
// The same pair for the time service.
constexpr const char* kTimeX = "meadowglow.tallowfen";
constexpr const char* kTimeY = "MGT3R8N6PZ2H";  // 12 characters

// The provider of the weather reports, for the credit line and its link.
constexpr const char* kWeatherProviderHost = "www.meadowweather.example";
constexpr const char* kWeatherProviderDomain = "meadowweather.example";

// The host (and port) in use: the variable when it holds a usable host,
// else the built-in one. A variable that is set but unusable is logged once.
std::string Host();
// "http://" + Host() + pathAndQuery.
std::string Url(const std::string& pathAndQuery);

// The requests themselves.
std::string WeatherUrl(const std::string& zipCode);
std::string TimeServerListUrl();
// `utcNow` is the current UTC time as "YYYYMMDDHHmmss".
std::string TimeUrl(const std::string& utcNow);

}  // namespace Vendor
