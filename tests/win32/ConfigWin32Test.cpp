// Windows specifics of the configuration layer, run under Wine.
#include "platform/win32/WinInclude.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "app/ConfigFile.h"
#include "app/CVideoMode.h"
#include "app/ReadRegistry.h"
#include "platform/Display.h"
#include "platform/Thread.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {
// A product key of the test's own, so that the real program's key (and any
// other test process sharing the Wine prefix) is never touched.
const std::string kProduct = "MeadowglowTest" + std::to_string(GetCurrentProcessId());
const std::string kKey = "Software\\Tallow Fen Software\\Screen Savers\\" + kProduct;

void SetValue(HKEY root, const std::string& value) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, kKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegSetValueExA(key, "InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

void RemoveKey(HKEY root) { RegDeleteKeyA(root, kKey.c_str()); }

struct Registry : ::testing::Test {
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Log.Path());  // where the run log of the failed reads goes
        RemoveKey(HKEY_LOCAL_MACHINE);
        RemoveKey(HKEY_CURRENT_USER);
    }
    void TearDown() override {
        RemoveKey(HKEY_LOCAL_MACHINE);
        RemoveKey(HKEY_CURRENT_USER);
        SetInstallPath(m_OldInstall);
    }
    std::string Log() const { return ReadWholeFile(m_Log.File("RunLog.txt")); }
    static size_t Count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    TempDir m_Log;
    std::string m_OldInstall;
};
}  // namespace

TEST_F(Registry, MachineHiveFirst) {
    SetValue(HKEY_LOCAL_MACHINE, "D:\\Savers\\Machine");
    SetValue(HKEY_CURRENT_USER, "D:\\Savers\\User\\");
    ReadRegistryForProduct(kProduct);
    EXPECT_EQ("D:\\Savers\\Machine\\", GetInstallPath());
    EXPECT_EQ("D:\\Savers\\Machine\\", InstallDir());
    EXPECT_EQ("", Log());
}

TEST_F(Registry, UserHiveWhenTheMachineHasNone) {
    SetValue(HKEY_CURRENT_USER, "D:\\Savers\\User\\");
    ReadRegistryForProduct(kProduct);
    EXPECT_EQ("D:\\Savers\\User\\", GetInstallPath());
    const std::string log = Log();
    EXPECT_EQ(1u, Count(log, "Subject = ReadRegistryFailed\r\n"));
    EXPECT_NE(std::string::npos, log.find("Message = Error: failed to read registry string = HKEY_LOCAL_MACHINE\\" +
                                          kKey + "\\InstallPath\r\n"));
}

TEST_F(Registry, EmptyMachineValueFallsThroughToTheUser) {
    SetValue(HKEY_LOCAL_MACHINE, "");
    SetValue(HKEY_CURRENT_USER, "E:\\U");
    ReadRegistryForProduct(kProduct);
    EXPECT_EQ("E:\\U\\", GetInstallPath());
    EXPECT_EQ(1u, Count(Log(), "Subject = ReadRegistryFailed\r\n"));
}

TEST_F(Registry, BothMissingLogsTwiceAndFallsBack) {
    ReadRegistryForProduct(kProduct);
    const std::string log = Log();
    EXPECT_EQ(2u, Count(log, "Subject = ReadRegistryFailed\r\n"));
    EXPECT_NE(std::string::npos, log.find("= HKEY_LOCAL_MACHINE\\" + kKey + "\\InstallPath\r\n"));
    EXPECT_NE(std::string::npos, log.find("= HKEY_CURRENT_USER\\" + kKey + "\\InstallPath\r\n"));
    // A lone backslash: too short to count, so the folder built from the
    // Windows directory's drive is used.
    EXPECT_EQ("\\", GetInstallPath());
    char windir[MAX_PATH] = {};
    GetWindowsDirectoryA(windir, MAX_PATH);
    const std::string drive = std::string(windir).substr(0, std::string(windir).find('\\'));
    EXPECT_EQ(drive + "\\Program files\\Tallow Fen Software\\Screen Savers\\Meadowglow\\", InstallDir());
    SetSharedPath("");
    EXPECT_EQ(drive + "\\Program files\\Tallow Fen Software\\Shared\\Screen Savers\\", SharedDir());
}

TEST(DisplayWin32, ModeZeroAndUnknownModesLeaveTheDisplayAlone) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_FALSE(ApplyVideoMode(0));
    EXPECT_FALSE(ApplyVideoMode(-3));
    EXPECT_FALSE(ApplyVideoMode(1000000));
    EXPECT_EQ(w, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(h, GetSystemMetrics(SM_CYSCREEN));
    // The list texts follow the platform's enumeration.
    DisplayModeInfo first;
    const std::vector<std::string> texts = VideoModeListTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ("Use my current screen mode (Always valid)", texts[0]);
    if (PlatformDisplayMode(0, first) && texts.size() > 1) {
        EXPECT_EQ(0u, texts[1].find("Resolution: "));
    }
}

TEST(ThreadWin32, PriorityLevelsTakeTheWindowsValues) {
    const struct {
        ThreadPriority priority;
        int value;
    } cases[] = {{ThreadPriority::Normal, THREAD_PRIORITY_NORMAL},
                 {ThreadPriority::BelowNormal, THREAD_PRIORITY_BELOW_NORMAL},
                 {ThreadPriority::Lowest, THREAD_PRIORITY_LOWEST},
                 {ThreadPriority::Idle, THREAD_PRIORITY_IDLE}};
    for (const auto& c : cases) {
        int seen = 99;
        bool ok = false;
        std::thread([&] {
            ok = PlatformSetCurrentThreadPriority(c.priority);
            seen = PlatformGetCurrentThreadPriority();
        }).join();
        EXPECT_TRUE(ok) << c.value;
        EXPECT_EQ(c.value, seen);
    }
}

TEST(AtomicFileWin32, ReplaceWaitsForAReaderThatHoldsTheFile) {
    TempDir dir;
    const std::string path = dir.File("Meadowglow.xml");
    WriteWholeFile(path, "old");
    // A reader without delete sharing blocks a replace while it has the file open.
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, reader);
    std::thread release([&] {
        Sleep(150);
        CloseHandle(reader);
    });
    XString text("new");
    std::string error;
    const bool ok = ConfigWriteWhole(text, path, error);
    release.join();
    EXPECT_TRUE(ok) << error;
    EXPECT_EQ("new", ReadWholeFile(path));
}
