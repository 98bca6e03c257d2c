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

// The main file holds the mail passwords: a new settings file is private
// whatever the umask, and a replaced one keeps the mode it had.
TEST_F(SettingsFilePosix, SettingsFilesArePrivateAndKeepTheirMode) {
    struct Case {
        mode_t umask;
        int existing;  // the mode of the file before the save; -1 for none
        mode_t after;
    } cases[] = {
        {077, -1, 0600}, {022, -1, 0600}, {0, -1, 0600},
        {077, 0640, 0640}, {022, 0600, 0600}, {022, 0644, 0644},
    };
    const std::string shared = m_Install.Path() + "shared/Shared.xml";
    for (const Case& c : cases) {
        ::unlink(MainPath().c_str());
        ::unlink(shared.c_str());
        if (c.existing >= 0) {
            CScreenSaver first;
            ASSERT_TRUE(first.Save()) << first.ErrorText();
            ASSERT_EQ(0, ::chmod(MainPath().c_str(), static_cast<mode_t>(c.existing)));
            ASSERT_EQ(0, ::chmod(shared.c_str(), static_cast<mode_t>(c.existing)));
        }
        const mode_t old = ::umask(c.umask);
        CScreenSaver saver;
        saver.General().SaverSpeed = 33;
        const bool saved = saver.Save();
        ::umask(old);
        ASSERT_TRUE(saved) << saver.ErrorText();
        for (const std::string& path : {MainPath(), shared}) {
            struct stat st;
            ASSERT_EQ(0, ::stat(path.c_str(), &st)) << path;
            EXPECT_EQ(c.after, st.st_mode & 07777) << path << " umask " << std::oct << c.umask << " existing "
                                                   << c.existing;
        }
        EXPECT_NE(std::string::npos, ReadWholeFile(MainPath()).find("<SaverSpeed>33</SaverSpeed>"));
    }
}
