#include "services/CInternet.h"

#include "xlib/SettingsTable.h"

#include <string>

#include "platform/Download.h"
#include "services/DesktopManager.h"
#include "services/InstallationId.h"
#include "services/VendorService.h"
#include "xlib/ConfigSection.h"
#include "xlib/RunLog.h"
#include "xlib/UserFile.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

namespace {
// In the order of the section and of the query.
constexpr Setting<CInternet> kRows[] = {
    SettingOf("TFNewsNotifyProducts", &CInternet::NotifyProducts, true),
    SettingOf("TFNewsNotifyUpdates", &CInternet::NotifyUpdates, true),
    SettingOf("TFNewsDisplayNews", &CInternet::DisplayNews, true),
    SettingOf("WebsiteAskCoolSite", &CInternet::AskCoolSite, true),
    SettingOf("NewsDisplayUS", &CInternet::NewsUS, true),
    SettingOf("NewsDisplayIntl", &CInternet::NewsIntl, true),
};
constexpr SettingsTable<CInternet> kTable("Internet", kRows);
// Each switch's name in the request, row by row.
constexpr const char* kQueryNames[] = {"&TFNew=", "&TFUdt=", "&TFNews=", "&CoolSite=", "&USNews=", "&IntlNews="};
static_assert(sizeof(kQueryNames) / sizeof(kQueryNames[0]) == sizeof(kRows) / sizeof(kRows[0]));

bool DownloadWithXString(XString& into, const char* url) { return into.DownloadFile(url); }

CInternet::Fetch g_Fetch = DownloadWithXString;

// The check answers with one short tag; the page is a web page of our own.
constexpr size_t kCheckMaxBytes = 256 * 1024;
constexpr size_t kPageMaxBytes = 4u << 20;

const char kError[] = "InfoNook Error";
}  // namespace

void CInternet::SetFetchForTests(Fetch fetch) { g_Fetch = fetch ? fetch : DownloadWithXString; }

CInternet::CInternet() { Default(); }

const SettingsTable<CInternet>& CInternet::Settings() { return kTable; }

template class TabledModule<CInternet>;

void CInternet::Default() { kTable.Default(*this); }

void CInternet::Read(const XString& config) {
    XGuard("CInternet::Read", [&] {
        if (!kTable.Read(*this, config)) Default();
    });
}

void CInternet::Write(XString& out) const {
    XGuard("CInternet::Write", [&] { kTable.WriteSection(*this, out); });
}

bool CInternet::AnythingChosen() const {
    for (const Setting<CInternet>& s : kTable)
        if (this->*s.flag) return true;
    return false;
}

XString CInternet::CommonQuery(const XString& id, const XString& zipCode, const XString& product) const {
    XString query("&guid=");
    XString encodedId(id);
    encodedId.UrlEncode(false);
    query += encodedId;
    for (size_t i = 0; i < kTable.size(); ++i) {
        query += kQueryNames[i];
        query.Append(this->*kRows[i].flag);
    }
    query += "&zip=";
    query += zipCode;
    query += "&product=";
    XString encoded(product);
    encoded.UrlEncode(false);
    query += encoded;
    return query;
}

XString CInternet::RequestUrl(const char* command, const XString& query) {
    XString url(Vendor::Url(std::string(Vendor::kInfoNookPath) + "?cmd=").c_str());
    url += command;
    url += query;
    return url;
}

void CInternet::ProcessExitTasks(const XString& zipCode, const XString& product) {
    XGuard("CInternet::ProcessExitTasks", [&] {
        if (!AnythingChosen()) return;

        XString idPath(InstallDir().c_str());
        idPath += "Id.dat";
        bool found = false, readable = false;
        const XString id = ReadInstallationId(idPath, kError, found, readable);
        if (!found)
            WriteRunLog(kError, "Id.dat was not found. Will continue without Id.dat.");
        else if (!readable)
            WriteRunLog(kError, "Id.dat could not be read. Will continue without Id.dat.");

        const XString query = CommonQuery(id, zipCode, product);
        XString reply(true, false);
        bool fetched;
        {
            DownloadLimitScope limit(kCheckMaxBytes);
            fetched = g_Fetch(reply, RequestUrl("Check", query).c_str());
        }
        if (!fetched) {
            WriteRunLog(kError, "Failed to download InfoNook. Please check your Internet connection.");
            return;
        }
        XString status = reply.SubBetweenFwd("<Status>", "</Status>");
        if (status.CompareNoCase("False") == 0) {
            WriteRunLog(kError, "InfoNook is not ready at this time. Please try again later.");
            return;
        }
        {
            DownloadLimitScope limit(kPageMaxBytes);
            fetched = g_Fetch(reply, RequestUrl("Display", query).c_str());
        }
        if (!fetched) {
            WriteRunLog(kError, "Failed to download InfoNook. Please check your Internet connection.");
            return;
        }

        XString page(InstallDir().c_str());
        page += id;
        page += ".htm";
        // Something other than a file in the page's place (a FIFO would hold
        // the write, and the process, for ever) is left alone.
        if (UserFileRefused(page, kAnyFileLength, "The news page") || !reply.WriteFile(page.c_str(), true)) {
            WriteRunLog(kError, "Failed to write InfoNook data file. Please try again later.");
            return;
        }
        XString config(InstallDir().c_str());
        config += product;
        config += ".xml";
        const XString command = HtmlPageCommandLine("InfoNook", page.c_str(), config.c_str());
        if (!SendDesktopManagerCommand(kShowInfoNookCommand, command))
            WriteRunLog("Error", "While in CInternet::ProcessExitTasks, SendDesktopManagerCommand failed.");
    });
}
