// Writes or reads the saver's settings files with mail accounts in them, the
// way the saver itself does, so that an end-to-end test can carry one file
// between the Windows and the Linux program.
//   mg_mailconfig write <dir> <server> <user> <password> <minutes> [...]
//   mg_mailconfig read <dir>      prints "server|user|password|minutes" lines
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/CScreenSaver.h"
#include "xlib/XPaths.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mg_mailconfig write|read <dir> [server user password minutes]...\n");
        return 2;
    }
    std::string dir = argv[2];
    if (dir.back() != '/' && dir.back() != '\\') dir += dir.find('\\') != std::string::npos ? '\\' : '/';
    SetInstallPath(dir);
    SetSharedPath(dir);
    CScreenSaver& saver = FullScreenSaver();
    if (std::strcmp(argv[1], "write") == 0) {
        if ((argc - 3) % 4 != 0) return 2;
        saver.DefaultAll();
        for (int i = 3; i + 3 < argc; i += 4) {
            CEmailAccount a;
            a.Pop3 = argv[i];
            a.UserName = argv[i + 1];
            a.Password = argv[i + 2];
            a.Minutes = std::atoi(argv[i + 3]);
            saver.Email().Accounts.Add(a);
        }
        if (!saver.Save()) {
            std::fprintf(stderr, "%s\n", saver.ErrorText().c_str());
            return 1;
        }
        return 0;
    }
    if (std::strcmp(argv[1], "read") == 0) {
        if (!saver.Load()) {
            std::fprintf(stderr, "%s\n", saver.ErrorText().c_str());
            return 1;
        }
        const auto& accounts = saver.Email().Accounts;
        for (unsigned i = 0; i < accounts.GetCount(); ++i) {
            const CEmailAccount& a = accounts.Get(i);
            std::printf("%s|%s|%s|%d\n", a.Pop3.c_str(), a.UserName.c_str(), a.Password.c_str(), a.Minutes);
        }
        return 0;
    }
    return 2;
}
