#include "services/InstallationId.h"

#include <cctype>
#include <string>

#include "xlib/RunLog.h"
#include "xlib/XDateTime.h"

bool InstallationIdWellFormed(std::string_view id) {
    auto all = [&](auto test) {
        for (const char c : id)
            if (!test(static_cast<unsigned char>(c))) return false;
        return true;
    };
    if (id.size() == 16) return all([](unsigned char c) { return std::isdigit(c) != 0; });
    if (id.size() != 36) return false;
    for (size_t i = 0; i < id.size(); ++i) {
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? id[i] != '-' : !std::isxdigit(static_cast<unsigned char>(id[i]))) return false;
    }
    return true;
}

XString MakeInstallationId() {
    XString id(true, false);
    if (!id.CreateGuid(false)) {
        XDateTime now;
        now.SetToNow();
        now.Format(id, "YYYYMMDDHHmmssii");
    }
    return id;
}

XString ReadInstallationId(const XString& path, const char* subject, bool& found, bool& readable) {
    found = path.FileExists();
    readable = false;
    XString id(true, false);
    if (!found) return id;
    if (!id.ReadFile(path.c_str())) return XString(true, false);
    readable = true;
    XString trimmed(id);
    trimmed.Trim();
    if (InstallationIdWellFormed(trimmed.View())) return trimmed;

    // Shown printable and short: the text may be anything.
    std::string shown;
    for (const char c : id.View().substr(0, 40)) shown += c >= 32 && c < 127 ? c : '?';
    XString fresh = MakeInstallationId();
    std::string message = "Id.dat held \"" + shown + "\", which is not an installation id; ";
    if (fresh.WriteFile(path.c_str(), true)) {
        message += "it now holds a new one.";
    } else {
        message += "a new one could not be saved. Will continue without Id.dat.";
        fresh = "";
    }
    WriteRunLog(subject, message);
    return fresh;
}
