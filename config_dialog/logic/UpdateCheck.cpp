#include "config_dialog/logic/UpdateCheck.h"

#include "platform/Download.h"
#include "services/VendorService.h"
#include "xlib/XString.h"

std::string VendorUrl(const std::string& path) { return Vendor::Url(path); }

bool DownloadVendorText(const std::string& path, std::string& text) {
    // The answer is one short tag.
    DownloadLimitScope limit(256 * 1024);
    XString reply;
    if (!reply.DownloadFile(VendorUrl(path).c_str())) {
        text.clear();
        return false;
    }
    text.assign(reply.View());
    return true;
}
