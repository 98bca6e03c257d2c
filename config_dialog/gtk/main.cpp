// meadowglow-settings: the settings form of the Linux saver. GTK lives only
// in this program, so that the saver's own start and memory stay as they are.
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/CScreenSaver.h"
#include "app/ShippedAssets.h"
#include "config_dialog/gtk/CGtkMainForm.h"
#include "config_dialog/gtk/GtkKit.h"
#include "platform/ProgramDir.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

int main(int argc, char** argv) {
    if (!gtk_init_check(&argc, &argv)) {
        std::fprintf(stderr, "meadowglow-settings: cannot open the display (is DISPLAY set?)\n");
        return 1;
    }
    int rc = 1;
    XGuard("meadowglow-settings main", [&] {
        const std::string programDir = PlatformProgramDir();
        // The icon beside the program, for a build tree that is not installed.
        gtk_icon_theme_append_search_path(gtk_icon_theme_get_default(), (programDir + "/icons").c_str());
        // The preview needs the sprites and pictures as much as a full-screen run.
        InstallShippedAssets(FindShippedAssetDir(programDir), InstallDir());
        CScreenSaver& saver = FullScreenSaver();
        if (!saver.BackupConfig() || !saver.Load()) {
            ShowError(nullptr, saver.ErrorText(), "Error");
            return;
        }
        // The saver beside this program in a build tree; where it installs otherwise.
        std::string saverProgram = programDir + "/meadowglow";
        if (access(saverProgram.c_str(), X_OK) != 0) saverProgram = programDir + "/" MG_BINDIR_TO_HACK "/meadowglow";
        CGtkMainForm form(saver, saverProgram);
        form.Run();
        rc = 0;
    });
    return rc;
}
