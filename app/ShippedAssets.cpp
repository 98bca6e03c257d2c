#include "app/ShippedAssets.h"

#include "xlib/XException.h"
#include "xlib/XString.h"

const std::vector<std::string>& ShippedAssetNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n;
        for (const char* base : {"ladybug", "wormbug", "beebug"})
            for (int frame = 0; frame < 2; ++frame) n.push_back(std::string(base) + char('0' + frame) + ".bmp");
        n.push_back("Email_A.bmp");
        n.push_back("Email_B.bmp");
        for (int k = 1; k <= 10; ++k) n.push_back("critterpic" + std::to_string(k) + ".jpg");
        n.push_back("Help.htm");
        return n;
    }();
    return names;
}

std::string FindShippedAssetDir(const std::string& programDir) {
    std::string found = programDir;
    XGuard("main FindShippedAssetDir", [&] {
        if (programDir.empty()) return;
        const std::string sep(1, programDir.back());
        const std::string share = "share" + sep + "meadowglow" + sep;
        const std::string up = ".." + sep;
        for (const std::string& dir : {programDir, programDir + up + share, programDir + up + up + share}) {
            if (XString((dir + ShippedAssetNames().front()).c_str()).FileExists()) {
                found = dir;
                return;
            }
        }
    });
    return found;
}

unsigned InstallShippedAssets(const std::string& fromDir, const std::string& toDir) {
    unsigned copied = 0;
    XGuard("main InstallShippedAssets", [&] {
        if (fromDir.empty() || toDir.empty() || fromDir == toDir) return;
        for (const std::string& name : ShippedAssetNames()) {
            XString target((toDir + name).c_str());
            if (target.FileExists()) continue;
            XString source((fromDir + name).c_str());
            if (!source.FileExists()) continue;
            if (source.CopyFile(target.c_str(), true, false))
                ++copied;
            else
                WriteRunLog("Install", source.GetErrorMessage());
        }
    });
    return copied;
}
