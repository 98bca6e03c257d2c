#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/CScreenSaver.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "services/DesktopManager.h"
#include "tests/TestSupport.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

namespace {
std::string Str(const XString& s) { return std::string(s.View()); }
std::string RunLog() { return ReadWholeFile(InstallDir() + "RunLog.txt"); }

class ExitTasks : public ::testing::Test {
protected:
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Shared.Path());
    }
    void TearDown() override {
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    TempDir m_Install, m_Shared;
    std::string m_OldInstall;
};
}  // namespace

TEST_F(ExitTasks, HelpPageOnTheFirstRunOnly) {
    CScreenSaver saver;
    saver.DoShowHelpFile();
    EXPECT_EQ("<RunOnce>First run complete</RunOnce>", ReadWholeFile(m_Install.File("RunOnce.xml")));
    const std::string task = Str(TaskListFileName(kShowHelpCommand));
    EXPECT_EQ(m_Shared.File("ScreenSaverTaskList_1.xml"), task);
    EXPECT_EQ("<Run>\"" + m_Install.Path() + "TallowFenHtmlPage.exe\" cmd=\"HelpPage\" url=\"" +
                  m_Install.File("Help.htm") + "\" path=\"\"</Run>",
              ReadWholeFile(task));
    // No desktop manager in the test: the file is written all the same, and the failure logged.
    EXPECT_NE(std::string::npos,
              RunLog().find("Message = While in CScreenSaver::DoShowHelpFile, SendDesktopManagerCommand failed."));

    std::remove(task.c_str());
    saver.DoShowHelpFile();
    EXPECT_FALSE(FileExists(task));
}

TEST_F(ExitTasks, NoneAfterASmallWindow) {
    // An instance whose window never reached 320 by 200 (here: none at all).
    CScreenSaver saver;
    ASSERT_TRUE(saver.IsSmallWindow());
    saver.DoExitTasks();
    EXPECT_FALSE(FileExists(m_Install.File("RunOnce.xml")));
    EXPECT_FALSE(FileExists(Str(TaskListFileName(kShowHelpCommand))));
}

namespace {
int g_ClockSets = 0;
bool CountClockSet(const XDateTime&) {
    ++g_ClockSets;
    return true;
}
bool TimeReply(XString& into, const char*) {
    into = "20240305123456";
    return true;
}
bool SendThrows(unsigned, const XString&) { throw XException(1, "XString", "in MakeSize could not allocate memory."); }
bool SendRefused(unsigned, const XString&) { return false; }
}  // namespace

// An exception while the help page is offered belongs to the exit tasks as a
// whole: logged under DoExitTasks, and the later tasks (here the clock) are
// skipped. A help page that merely fails to reach the desktop manager stops
// nothing.
TEST_F(ExitTasks, ExceptionInTheHelpPageEndsTheExitTasks) {
    struct Case {
        DesktopManagerSender sender;
        const char* logged;
        const char* notLogged;
        int clockSets;
    } const cases[] = {
        {SendThrows, "While in CScreenSaver::DoExitTasks. Msg=", "While in CScreenSaver::DoShowHelpFile.", 0},
        {SendRefused, "While in CScreenSaver::DoShowHelpFile, SendDesktopManagerCommand failed.",
         "While in CScreenSaver::DoExitTasks", 1},
    };
    CSystemDateTime::SetTimeFetchForTests(TimeReply);
    CSystemDateTime::SetClockSetterForTests(CountClockSet);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logged);
        std::remove(m_Install.File("RunOnce.xml").c_str());
        std::remove(m_Install.File("RunLog.txt").c_str());
        g_ClockSets = 0;
        SetDesktopManagerSenderForTests(c.sender);
        CScreenSaver saver;
        saver.SetSmallWindowForTests(false);
        saver.DateTime().SetTime = true;
        saver.DoExitTasks();
        SetDesktopManagerSenderForTests(nullptr);
        const std::string log = RunLog();
        EXPECT_NE(std::string::npos, log.find(c.logged)) << log;
        EXPECT_EQ(std::string::npos, log.find(c.notLogged)) << log;
        EXPECT_EQ(c.clockSets, g_ClockSets);
    }
    CSystemDateTime::SetTimeFetchForTests(nullptr);
    CSystemDateTime::SetClockSetterForTests(nullptr);
}

TEST_F(ExitTasks, SameNumberKeepsOnlyTheLastCommand) {
    EXPECT_FALSE(SendDesktopManagerCommand(5, XString("first command line, the longer one")));
    EXPECT_FALSE(SendDesktopManagerCommand(5, XString("second")));
    EXPECT_EQ("<Run>second</Run>", ReadWholeFile(m_Shared.File("ScreenSaverTaskList_5.xml")));
}

TEST(RunProgram, StartsWaitsAndRefuses) {
    TempDir dir;
    EXPECT_FALSE(RunProgram(("\"" + dir.File("no-such-program") + "\" x").c_str(), true));
    EXPECT_FALSE(RunProgram("", false));
    EXPECT_FALSE(RunProgram(nullptr, false));
    // A real program, waited for: its work is done when the call returns.
    const std::string marker = dir.File("ran.txt");
    const std::string line = std::string(PlatformPathSeparator() == '\\' ? "cmd /c" : "/bin/sh -c") + " \"echo ran> " + marker + "\"";
    ASSERT_TRUE(RunProgram(line.c_str(), true)) << line;
    EXPECT_TRUE(FileExists(marker));
}

TEST(RunProgram, CommandLineWords) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
    } cases[] = {
        {"prog", {"prog"}},
        {"  \"C:\\Program files\\x.exe\"  cmd=\"HelpPage\" path=\"\"", {"C:\\Program files\\x.exe", "cmd=HelpPage", "path="}},
        {"a\tb \"c d\"e", {"a", "b", "c de"}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.words, SplitProgramCommandLine(c.line)) << c.line;
}
