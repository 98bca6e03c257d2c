// POSIX stand-ins for the Windows-only system facts of XString.
#include "xlib/XString.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {
// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_Name(name) {
        const char* old = std::getenv(name);
        m_Had = old != nullptr;
        if (old) m_Old = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_Had) setenv(m_Name, m_Old.c_str(), 1);
        else unsetenv(m_Name);
    }

private:
    const char* m_Name;
    bool m_Had = false;
    std::string m_Old;
};
}  // namespace

TEST(XStringPosix, SystemFolderIsTheUsersDataHome) {
    {
        ScopedEnv xdg("XDG_DATA_HOME", "/tmp/mg-data");
        XString s;
        ASSERT_TRUE(s.GetWindowsDirectory());
        EXPECT_EQ("/tmp/mg-data/", s.View());
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", "/home/saver/");
        XString s;
        ASSERT_TRUE(s.GetWindowsDirectory());
        EXPECT_EQ("/home/saver/.local/share/", s.View());
    }
}

TEST(XStringPosix, RegistryReadsFailPlainly) {
    XString s("old");
    const char* path = "HKEY_LOCAL_MACHINE\\Software\\Tallow Fen Software\\Screen Savers\\Meadowglow\\InstallPath";
    EXPECT_FALSE(s.ReadRegistryValue(path));
    EXPECT_EQ(std::string("Error: in XString::ReadRegistryValue failed. This system has no registry to read path=") + path,
              s.GetErrorMessage());
}

TEST(XStringPosix, CopyingAFileOntoItselfKeepsIt) {
    TempDir dir;
    WriteWholeFile(dir.File("same.txt"), "content");
    XString s(dir.File("same.txt").c_str());
    EXPECT_FALSE(s.CopyFile(dir.File("same.txt").c_str(), false, true));
    EXPECT_EQ("content", ReadWholeFile(dir.File("same.txt")));
}

TEST(XStringPosix, FormattingThatFailsThrows5019) {
    // glibc refuses a wide character with no narrow form in the C locale.
    // (The Windows runtime writes nothing for it instead of failing.)
    const wchar_t wide[] = {static_cast<wchar_t>(0x263A), 0};
    XString s("x");
    try {
        s.Format("%ls", wide);
        ADD_FAILURE() << "no exception";
    } catch (const XException& e) {
        EXPECT_EQ(XERR_FORMAT, e.GetCode());
        EXPECT_STREQ("Exception(Basalt): Class XString, Msg=in Format failed probably because of a bad format string or "
                     "an incorrect number of arguments.",
                     e.GetMessage());
    }
    s = "kept";
    try {
        s.FormatAppend("%ls", wide);
        ADD_FAILURE() << "no exception";
    } catch (const XException& e) {
        EXPECT_EQ(XERR_FORMAT, e.GetCode());
        EXPECT_NE(nullptr, std::strstr(e.GetMessage(), "Msg=in FormatAppend failed probably because"));
    }
    EXPECT_EQ("kept", s.View());
}
