#include "config_dialog/win32/UpdateCheck.h"

#include "services/VendorService.h"
#include "xlib/XString.h"

std::string VendorUrl(const std::string& path) { return Vendor::Url(path); }

bool DownloadVendorText(const std::string& path, std::string& text) {
    XString reply;
    if (!reply.DownloadFile(VendorUrl(path).c_str())) {
        text.clear();
        return false;
    }
    text.assign(reply.View());
    return true;
}
