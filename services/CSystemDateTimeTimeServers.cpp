// The list of time servers offered for setting the clock, kept for a day in a
// cache file in the family's shared directory.
#include <string>

#include "services/CSystemDateTime.h"
#include "services/VendorService.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

namespace {

// The vendor's time service answers the list request with the addresses
// between "|" (or a text with "<Error>").
bool VendorTimeServerListFetch(XString& reply) { return reply.DownloadFile(Vendor::TimeServerListUrl().c_str()); }

CSystemDateTime::TimeServerListFetch g_TimeServerListFetch = VendorTimeServerListFetch;

}  // namespace

void CSystemDateTime::SetTimeServerListFetch(TimeServerListFetch fetch) {
    g_TimeServerListFetch = fetch ? fetch : VendorTimeServerListFetch;
    TimeServerFailureLogged() = false;
}

XString CSystemDateTime::CacheFilePath() {
    XString path(SharedDir().c_str());
    path += kCacheFileName;
    return path;
}

// The reply's pieces between "|", line ends removed; blank pieces are no servers.
void CSystemDateTime::SetListFromReply(XString reply) {
    reply.RemoveString("\r\n");
    XStringArray& pieces = reply.Split("|");
    for (unsigned i = 0; i < pieces.GetCount(); ++i) {
        XString piece = pieces.Get(i);
        piece.Trim(' ');
        if (!piece.IsEmpty()) TimeServers.Add(piece.c_str());
    }
}

bool CSystemDateTime::DownloadTimeServerList(XString& error) {
    bool filled = false;
    XGuard("CSystemDateTime::DownloadTimeServerList", [&] {
        TimeServers.Clear();
        XDateTime now;
        now.SetToNow();
        XString today;
        now.Format(today, "YYYYMMDD");
        const XString path = CacheFilePath();

        XString cache;
        if (cache.ReadFile(path.c_str()) && cache.BeginsWith(today.c_str())) {
            SetListFromReply(cache.Sub(8));
            filled = true;
            return;
        }

        error = "";
        XString reply;
        if (!g_TimeServerListFetch(reply)) {
            error = "Error: timer server list download failed. Please make sure you are connected to the Internet.";
            return;
        }
        if (reply.FindFwd("<Error>") >= 0) {
            error = "Error: timer server list download failed. Msg=";
            error += reply;
            return;
        }
        reply.RemoveString("\r\n");
        SetListFromReply(reply);
        XString file = today;
        file += reply;
        if (!file.WriteFile(path.c_str(), true))
            WriteRunLog("Error", "While in CSystemDateTime::DownloadTimeServerList, failed to write list.", false);
        filled = true;
    });
    return filled;
}
