// The never-overwrite rule on Windows: a settings file another program holds
// open without sharing cannot be read, and must not be replaced either.
#include "platform/win32/WinInclude.h"

#include <gtest/gtest.h>

#include <string>

#include "app/CScreenSaver.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

TEST(SettingsFileWin32, FileHeldWithoutSharingIsNotReplaced) {
    TempDir install;
    const std::string oldInstall = GetInstallPath();
    SetInstallPath(install.Path());
    SetSharedPath(install.Path() + "shared\\");
    const std::string mainPath = install.File("Meadowglow.xml");
    const std::string text = "<ConfigFile name=\"Meadowglow\">\r\n\t<General>\r\n\t\t<SaverSpeed>42</SaverSpeed>\r\n"
                             "\t</General>\r\n</ConfigFile>";
    WriteWholeFile(mainPath, text);
    HANDLE held = CreateFileA(mainPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    {
        CScreenSaver saver;
        EXPECT_FALSE(saver.Load());
        EXPECT_EQ(10u, saver.General().SaverSpeed);
        EXPECT_EQ("Error: failed to read " + mainPath + ". Msg=The file exists but cannot be read.", saver.ErrorText());
        EXPECT_FALSE(saver.Save());
    }
    CloseHandle(held);
    EXPECT_EQ(text, ReadWholeFile(mainPath));
    EXPECT_NE(std::string::npos, ReadWholeFile(install.File("RunLog.txt"))
                                     .find("The settings file " + mainPath + " exists but cannot be read."));
    SetSharedPath("");
    SetInstallPath(oldInstall);
}
