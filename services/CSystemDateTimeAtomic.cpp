// Setting the computer's clock from a time server when a full-screen run ends.
#include <cstdlib>
#include <string>
#include <type_traits>
#include <utility>

#include "services/CSystemDateTime.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"

namespace {
template <class S, class = void>
struct CanDownload : std::false_type {};
template <class S>
struct CanDownload<S, std::void_t<decltype(std::declval<S&>().DownloadFile(static_cast<const char*>(nullptr)))>>
    : std::true_type {};

template <class S>
bool Download(S& into, const char* url) {
    if constexpr (CanDownload<S>::value)
        return into.DownloadFile(url);
    else
        return false;
}

bool DownloadWithXString(XString& into, const char* url) { return Download(into, url); }

bool SetRealClock(const XDateTime& value) { return value.SetSystemClock(); }

CSystemDateTime::TimeFetch g_TimeFetch = DownloadWithXString;
CSystemDateTime::ClockSetter g_ClockSetter = SetRealClock;

const char kError[] = "Atomic Time Error";
}  // namespace

void CSystemDateTime::SetTimeFetchForTests(TimeFetch fetch) { g_TimeFetch = fetch ? fetch : DownloadWithXString; }

void CSystemDateTime::SetClockSetterForTests(ClockSetter setter) { g_ClockSetter = setter ? setter : SetRealClock; }

XString CSystemDateTime::VendorTimeRequest() {
    XString now;
    now.GetTime("YYYYMMDDHHmmss", true);
    const char* host = std::getenv("MEADOWGLOW_VENDOR_HOST");
    XString url("http://");
    url += host && *host ? host : "www.tallowfen.example";
    url += "/cgi-bin/TimeSync.exe?cmd=GetTime&mytime=";
    url += now;
    url += "&x=meadowglow.tallowfen&y=MGT3R8N6PZ2H";
    return url;
}

void CSystemDateTime::ProcessAtomicTime() {
    XGuard("CSystemDateTime::ProcessAtomicTime", [&] {
        if (!SetTime) return;
        XString address = TimeServer.IsEmpty() ? VendorTimeRequest() : TimeServer;
        // The server's time arrives as UTC and is kept as local time, the way
        // the clock is set.
        XDateTime serverTime;
        XString reply(true, false);
        if (address.FindFwd("TimeSync.exe") >= 0) {
            const bool fetched = g_TimeFetch(reply, address.c_str());
            if (!fetched || reply.FindFwd("<Error>") >= 0) {
                WriteRunLog(kError, fetched ? reply.View() : std::string_view(reply.GetErrorMessage()));
                return;
            }
            XString text(reply);
            text.Trim();
            // A reply that is no time would leave the value at year 1: refuse
            // it here rather than hand it to the clock.
            if (!serverTime.Parse(text.c_str(), "YYYYMMDDHHmmss", true)) {
                XString message("SetTime failed. The time service's reply is not a time: ");
                message += text.Sub(0, 200);
                WriteRunLog(kError, message.View());
                return;
            }
        } else {
            if (!g_TimeFetch(reply, address.c_str()) || !serverTime.SetFromDaytimeAnswer(reply.c_str())) {
                WriteRunLog(kError, "GetAtomicTime failed");
                return;
            }
        }
        if (!g_ClockSetter(serverTime)) WriteRunLog(kError, "SetTime failed");
    });
}
