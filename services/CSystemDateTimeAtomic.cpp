// Setting the computer's clock from a time server when a full-screen run ends.
#include <string>

#include "platform/Download.h"
#include "services/CSystemDateTime.h"
#include "services/VendorService.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"

namespace {
// A time or a daytime answer is one line.
bool DownloadWithXString(XString& into, const char* url) {
    DownloadLimitScope limit(64 * 1024);
    return into.DownloadFile(url);
}

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
    return XString(Vendor::TimeUrl(std::string(now.View())).c_str());
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
