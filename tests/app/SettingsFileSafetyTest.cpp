// A settings file that is there but cannot be read is never replaced, a
// damaged one is reported, and temporary files of interrupted saves do not
// pile up.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/CScreenSaver.h"
#include "app/ConfigFile.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {
struct SettingsFileSafety : ::testing::Test {
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Shared.Path());
    }
    void TearDown() override {
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    std::string MainPath() const { return m_Install.File("Meadowglow.xml"); }
    std::string SharedPath() const { return m_Shared.File("Shared.xml"); }
    std::string Log() const { return ReadWholeFile(m_Install.File("RunLog.txt")); }
    size_t Count(const std::string& what) const {
        const std::string log = Log();
        size_t n = 0;
        for (size_t at = log.find(what); at != std::string::npos; at = log.find(what, at + 1)) ++n;
        return n;
    }
    TempDir m_Install, m_Shared;
    std::string m_OldInstall;
};
}  // namespace

// A folder where either file should be: no save over it, the defaults, one
// entry naming the file.
TEST_F(SettingsFileSafety, SomethingElseInThePlaceOfAFileIsLeftAlone) {
    for (bool shared : {false, true}) {
        const std::string path = shared ? SharedPath() : MainPath();
        std::filesystem::create_directory(path);
        WriteWholeFile(m_Install.File("RunLog.txt"), "");
        CScreenSaver saver;
        saver.General().SaverSpeed = 77;
        EXPECT_FALSE(saver.Load()) << path;
        EXPECT_EQ(10u, saver.General().SaverSpeed) << path;
        EXPECT_EQ("Error: failed to read " + path + ". Msg=The file is not a regular file.", saver.ErrorText());
        EXPECT_EQ(1u, Count("Subject = Settings\r\nMessage = The settings file " + path + " is not a regular file."))
            << path;
        // Neither the load nor a later save put a file in its place.
        EXPECT_FALSE(saver.Save()) << path;
        EXPECT_TRUE(std::filesystem::is_directory(path)) << path;
        EXPECT_FALSE(FileExists(shared ? MainPath() : SharedPath())) << path;
        std::filesystem::remove(path);
    }
}

TEST_F(SettingsFileSafety, DamagedFileIsReportedOnce) {
    struct Case {
        const char* text;
        const char* fault;  // null: nothing to report
    } cases[] = {
        {"<ConfigFile name=\"Meadowglow\">\r\n\t<General>\r\n\t\t<SaverSpeed>20</SaverSpeed>\r\n\t</General>\r\n"
         "</ConfigFile>",
         nullptr},
        {"<ConfigFile name=\"Meadowglow\">\r\n\t<General>\r\n\t\t<SaverSpeed>20</SaverSpeed>\r\n\t</General>\r\n",
         "no closing </ConfigFile>"},
        {"<ConfigFile name=\"Meadowglow\">\r\n\t<Stars>\r\n\t\t<Speed>4</Speed>\r\n</ConfigFile>",
         "section <Stars> has no </Stars>"},
        {"\t<General>\r\n\t\t<SaverSpeed>20</SaverSpeed>\r\n\t<Stars>",
         "no opening <ConfigFile>; no closing </ConfigFile>; section <General> has no </General>; section <Stars> "
         "has no </Stars>"},
    };
    for (const Case& c : cases) {
        WriteWholeFile(MainPath(), c.text);
        WriteWholeFile(m_Install.File("RunLog.txt"), "");
        CScreenSaver saver;
        EXPECT_TRUE(saver.Load()) << c.text;
        const std::string entry = "The settings file " + MainPath() + " is damaged: ";
        if (!c.fault) {
            EXPECT_EQ(0u, Count(entry)) << c.text;
            continue;
        }
        EXPECT_EQ(1u, Count(entry)) << c.text;
        EXPECT_EQ(1u, Count(entry + c.fault + ". What could be read is used")) << c.text;
        // The file is left for the user to mend.
        EXPECT_EQ(c.text, ReadWholeFile(MainPath()));
    }
}

// Temporary files of saves that died part-way go at the next save once they
// are old; young ones may be another writer's and stay, as does anything else.
TEST_F(SettingsFileSafety, StaleTemporaryFilesAreRemovedAtTheNextSave) {
    std::string old1, old2, young;
    ASSERT_TRUE(PlatformCreateTempFile(m_Install.Path(), old1));
    ASSERT_TRUE(PlatformCreateTempFile(m_Install.Path(), old2));
    ASSERT_TRUE(PlatformCreateTempFile(m_Install.Path(), young));
    WriteWholeFile(old1, "<ConfigFile name=\"Meadowglow\">\r\n\t<Gen");
    const std::string other = m_Install.File("notes.tmp");
    WriteWholeFile(other, "mine");
#ifdef _WIN32
    // Wine writes the temporary number unpadded: "mg3a.tmp" is as much ours.
    const std::string shortName = m_Install.File("mg3a.tmp");
    WriteWholeFile(shortName, "<ConfigFile");
#else
    const std::string shortName = old1;
#endif
    const auto now = std::filesystem::file_time_type::clock::now();
    const auto age = std::chrono::seconds(kStaleTempSeconds + 60);
    for (const std::string& path : {old1, old2, other, shortName}) std::filesystem::last_write_time(path, now - age);
    std::filesystem::last_write_time(young, now - std::chrono::seconds(kStaleTempSeconds / 2));

    CScreenSaver saver;
    ASSERT_TRUE(saver.Save()) << saver.ErrorText();
    EXPECT_FALSE(FileExists(old1));
    EXPECT_FALSE(FileExists(old2));
    EXPECT_FALSE(FileExists(shortName));
    EXPECT_TRUE(FileExists(young));
    EXPECT_TRUE(FileExists(other));
    // Of the temporary files only the young one is left.
    size_t temps = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_Install.Path())) {
        const std::string name = entry.path().filename().string();
        temps += name != "RunLog.txt" && name != "Id.dat" && name != "Meadowglow.xml" && name != "notes.tmp";
    }
    EXPECT_EQ(1u, temps);
    EXPECT_EQ(1u, PlatformRemoveStaleTempFiles(m_Install.Path(), 0));
}
