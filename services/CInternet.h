// The InfoNook exit task: after a full-screen run, ask the vendor's server
// whether the user's news page is ready, store it as a local page and have the
// desktop manager open it. Owns the "<Internet>" configuration section.
#pragma once

#include "xlib/SaverModule.h"
#include "xlib/XString.h"

class CInternet : public TabledModule<CInternet> {
public:
    // Downloads url into `into`; false (with the error text in `into`) on failure.
    using Fetch = bool (*)(XString& into, const char* url);
    // Replaces the download (tests); null restores XString::DownloadFile.
    static void SetFetchForTests(Fetch fetch);

    CInternet();
    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CInternet>& Settings();

    // The whole exit task. `zipCode` is the weather module's zip code and
    // `product` the configuration name.
    void ProcessExitTasks(const XString& zipCode, const XString& product);

    // "&guid=...&TFNew=...&zip=...&product=..." for the request.
    XString CommonQuery(const XString& id, const XString& zipCode, const XString& product) const;
    // The vendor's InfoNook address for "Check" or "Display".
    static XString RequestUrl(const char* command, const XString& query);
    bool AnythingChosen() const;

    bool NotifyProducts;  // TFNewsNotifyProducts
    bool NotifyUpdates;   // TFNewsNotifyUpdates
    bool DisplayNews;     // TFNewsDisplayNews
    bool AskCoolSite;     // WebsiteAskCoolSite
    bool NewsUS;          // NewsDisplayUS
    bool NewsIntl;        // NewsDisplayIntl
};
