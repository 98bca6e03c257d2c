// The never-overwrite rule for what only POSIX systems have: a FIFO in place
// of the settings file, and a file the user may not read.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/CScreenSaver.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {
struct SettingsFilePosix : ::testing::Test {
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Install.Path() + "shared/");
    }
    void TearDown() override {
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    std::string MainPath() const { return m_Install.File("Meadowglow.xml"); }
    TempDir m_Install;
    std::string m_OldInstall;
};
}  // namespace

// A FIFO used to block the start for ever (nobody writes into it) and was then
// replaced by the defaults.
TEST_F(SettingsFilePosix, FifoNeitherBlocksNorIsReplaced) {
    ASSERT_EQ(0, ::mkfifo(MainPath().c_str(), 0644));
    CScreenSaver saver;
    EXPECT_FALSE(saver.Load());
    EXPECT_EQ(-1, saver.GetReadOnlyVideoMode());
    EXPECT_FALSE(saver.Save());
    struct stat st;
    ASSERT_EQ(0, ::stat(MainPath().c_str(), &st));
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_NE(std::string::npos, ReadWholeFile(m_Install.File("RunLog.txt"))
                                     .find("The settings file " + MainPath() + " is not a regular file."));
}

// A file of mode 000 owned by someone else. The tests run as root, which reads
// anything, so the load runs in a child process that has given up root.
TEST_F(SettingsFilePosix, UnreadableFileIsNotReplacedByTheDefaults) {
    const std::string secret = "<ConfigFile name=\"Meadowglow\">\r\n\t<General>\r\n\t\t<SaverSpeed>42</SaverSpeed>"
                               "\r\n\t</General>\r\n</ConfigFile>";
    WriteWholeFile(MainPath(), secret);
    ASSERT_EQ(0, ::chmod(MainPath().c_str(), 0));
    // The folder is open to the child, so replacing the file would succeed.
    ASSERT_EQ(0, ::chmod(m_Install.Path().c_str(), 0777));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        if (::access(MainPath().c_str(), R_OK) == 0) ::_exit(4);  // still readable: nothing to test
        CScreenSaver saver;
        const bool loaded = saver.Load();
        const bool saved = saver.Save();
        ::_exit(!loaded && !saved && saver.General().SaverSpeed == 10 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(child, ::waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 4) GTEST_SKIP() << "the file stays readable here";
    EXPECT_EQ(0, WEXITSTATUS(status));
    ::chmod(MainPath().c_str(), 0644);
    EXPECT_EQ(secret, ReadWholeFile(MainPath()));
    EXPECT_NE(std::string::npos, ReadWholeFile(m_Install.File("RunLog.txt"))
                                     .find("The settings file " + MainPath() + " exists but cannot be read."));
}
