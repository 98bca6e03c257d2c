// The help window's address for the installation's help page: GIO takes a
// file:// URI, so a folder with blanks or a '#' must arrive escaped, and the
// address must name the very file the installation holds.
#include <gtest/gtest.h>
#include <glib.h>

#include <string>

#include "config_dialog/gtk/WebPages.h"
#include "xlib/XPaths.h"

TEST(GtkScenePages, HelpPageUriNamesTheInstalledPageEscaped) {
    const std::string oldInstall = GetInstallPath();
    const struct {
        const char* install;
        const char* uri;
    } cases[] = {
        {"/opt/meadowglow/", "file:///opt/meadowglow/Help.htm"},
        // The separator is added when the folder lacks it.
        {"/opt/meadowglow", "file:///opt/meadowglow/Help.htm"},
        {"/home/ann/My Savers/#1/", "file:///home/ann/My%20Savers/%231/Help.htm"},
    };
    for (const auto& c : cases) {
        SetInstallPath(c.install);
        const std::string uri = HelpPageUri();
        EXPECT_EQ(uri, c.uri) << c.install;
        gchar* back = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
        ASSERT_NE(back, nullptr) << uri;
        EXPECT_EQ(std::string(back), InstallDir() + "Help.htm");
        g_free(back);
    }
    SetInstallPath(oldInstall);
}
