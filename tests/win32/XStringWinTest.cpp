// Windows behaviour of the XString system operations: the real registry, the
// Windows folder, and the old path rules kept for this platform.
#include "platform/win32/WinInclude.h"

#include "xlib/XString.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {
const char* const kKey = "Software\\Meadowglow Tests\\XString";

// Sets a string value under HKEY_CURRENT_USER for the test to read back.
void SetUserValue(const char* name, const std::string& value) {
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                            static_cast<DWORD>(value.size() + 1)));
    RegCloseKey(h);
}
}  // namespace

TEST(XStringWin, ReadsRegistryStringsWithAnyCaseRoot) {
    SetUserValue("InstallPath", "C:\\Program files\\Tallow Fen Software\\Screen Savers\\Meadowglow\\");
    SetUserValue("Empty", "");
    struct Row {
        std::string path;
        std::string want;
    } rows[] = {
        {std::string("hkey_current_user\\") + kKey + "\\InstallPath",
         "C:\\Program files\\Tallow Fen Software\\Screen Savers\\Meadowglow\\"},
        {std::string("HKEY_CURRENT_USER\\") + kKey + "\\InstallPath\\",  // one trailing backslash is dropped
         "C:\\Program files\\Tallow Fen Software\\Screen Savers\\Meadowglow\\"},
        {std::string("HKEY_CURRENT_USER\\") + kKey + "\\Empty", ""},
    };
    for (const Row& r : rows) {
        XString s("old");
        EXPECT_TRUE(s.ReadRegistryValue(r.path.c_str())) << r.path << ": " << s.GetErrorMessage();
        EXPECT_EQ(r.want, s.View()) << r.path;
        EXPECT_EQ(r.want.size(), std::strlen(s.c_str()));
    }
}

TEST(XStringWin, RegistryFailuresCarryTheirTexts) {
    SetUserValue("Probe", "x");
    XString s;
    EXPECT_FALSE(s.ReadRegistryValue((std::string("HKCU\\") + kKey + "\\Probe").c_str()));
    EXPECT_STREQ("Error: in XString::ReadRegistryValue failed. Found unsupported key type = HKCU", s.GetErrorMessage());
    EXPECT_FALSE(s.ReadRegistryValue("HKEY_CURRENT_USER\\Software\\Meadowglow Tests\\NoSuchKey\\Value"));
    EXPECT_STREQ("Error: in XString::ReadRegistryValue RegOpenKey failed. Code = 2", s.GetErrorMessage());
    EXPECT_FALSE(s.ReadRegistryValue((std::string("HKEY_CURRENT_USER\\") + kKey + "\\NoSuchValue").c_str()));
    EXPECT_STREQ("Error: in XString::ReadRegistryValue RegQueryValueEx failed. Code = 2", s.GetErrorMessage());
}

TEST(XStringWin, WindowsFolderIsTheSystemOne) {
    XString s;
    ASSERT_TRUE(s.GetWindowsDirectory()) << s.GetErrorMessage();
    char buf[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(buf, MAX_PATH);
    EXPECT_EQ(std::string(buf) + "\\", s.View());
}

TEST(XStringWin, AbsolutePathsOf286CharactersOrMoreDoNotExist) {
    TempDir dir;
    std::string longPath = dir.Path();
    longPath.append(286 - longPath.size(), 'd');
    XString s(longPath.c_str());
    EXPECT_FALSE(s.PathExists());
    XString root("C:\\");
    EXPECT_TRUE(root.PathExists());
}

TEST(XStringWin, ForwardSlashesAlsoSeparateFolders) {
    TempDir dir;
    const std::string target = dir.Path() + "fwd/nested\\file.txt";
    XString s("data");
    ASSERT_TRUE(s.WriteFile(target.c_str(), true)) << s.GetErrorMessage();
    EXPECT_EQ("data", ReadWholeFile(dir.Path() + "fwd\\nested\\file.txt"));
}
