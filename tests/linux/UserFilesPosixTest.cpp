// Files the user names in the settings, where each is opened: a FIFO (which
// blocks whoever opens it until someone writes into it), a link to /dev/zero
// (which never ends) and a huge file are never opened blindly. Each place
// gives up at once and says so in the run log.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/ImageDecoder.h"
#include "platform/Paths.h"
#include "render/CTexture.h"
#include "services/CInternet.h"
#include "services/CSystemAlarm.h"
#include "services/CWallPaper.h"
#include "tests/TestSupport.h"
#include "tests/services/SoundDouble.h"
#include "xlib/XPaths.h"

namespace {

const char kId[] = "0f8fad5b-d9cb-469f-a165-70867728950e";

bool PageFetch(XString& into, const char*) {
    into = "<Status>True</Status><p>news</p>";
    return true;
}

std::vector<std::string> g_Wallpapers;
bool RecordWallpaper(const std::string& path, int) {
    g_Wallpapers.push_back(path);
    return true;
}

XDateTime At(int hour, int minute) {
    XDateTime t;
    t.Set(2026, 3, 14, hour, minute, 0, 0);
    return t;
}

// Runs `step` with a generous bound, so that a step that blocks fails its
// case rather than hanging the run.
bool FinishesInTime(std::function<void()> step) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([step, done] {
        step();
        done->set_value();
    }).detach();
    return finished.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
}

struct UserFilesPosix : ::testing::Test {
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Install.Path() + "shared/");
    }
    void TearDown() override {
        CInternet::SetFetchForTests(nullptr);
        CWallPaper::SetDesktopSetterForTests(nullptr);
        CWallPaper::SetFolderForTests("");
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    std::string Log() const { return ReadWholeFile(m_Install.File("RunLog.txt")); }

    // Puts the hostile thing of `kind` at `path`.
    static void Plant(const std::string& kind, const std::string& path) {
        ::unlink(path.c_str());
        if (kind == "fifo") {
            ASSERT_EQ(0, ::mkfifo(path.c_str(), 0600)) << path;
        } else if (kind == "/dev/zero") {
            ASSERT_EQ(0, ::symlink("/dev/zero", path.c_str())) << path;
        } else {
            WriteWholeFile(path, "RIFF");
            ASSERT_EQ(0, ::truncate(path.c_str(), 1ll << 30)) << path;  // sparse: no disk, no memory
        }
    }

    TempDir m_Install, m_Files;
    std::string m_OldInstall;
};

}  // namespace

TEST_F(UserFilesPosix, NothingButAnOrdinaryFileOfBoundedSizeIsOpened) {
    struct Place {
        const char* name;
        const char* file;  // the name the hostile thing gets
        // Uses the file; true when the place went on as if it had been used.
        std::function<bool(const std::string& path)> use;
        // The run-log text expected for each kind ("" for none: the place may use it).
        const char* fifoLog;
        const char* zeroLog;
        const char* hugeLog;
    };
    const Place places[] = {
        {"background picture or sprite", "picture.jpg",
         [](const std::string& path) {
             ImageBitmap* bitmap = LoadPicture(ImageFileKind::Jpeg, XString(path.c_str()));
             PlatformUnloadImage(bitmap);
             return bitmap != nullptr;
         },
         "is not a regular file; it is not opened.", "is not a regular file; it is not opened.",
         "Subject = Picture Too Large"},
        {"chime wave", "chime.wav",
         [](const std::string& path) {
             CountingSound sound;
             CSystemAlarm alarm;
             alarm.ChimeType = CSystemAlarm::kWave;
             alarm.ChimeFileName = path.c_str();
             alarm.Process(At(10, 0));
             return !sound.plays.empty();
         },
         "is not a regular file; it is not opened.", "is not a regular file; it is not opened.",
         "bytes allowed; it is not opened."},
        {"alarm wave", "alarm.wav",
         [](const std::string& path) {
             CountingSound sound;
             CSystemAlarm alarm;
             alarm.ChimeType = CSystemAlarm::kNone;
             alarm.EnableAlarm = true;
             alarm.AlarmTime = At(6, 30);
             alarm.AlarmType = CSystemAlarm::kWave;
             alarm.AlarmFileName = path.c_str();
             alarm.Process(At(6, 30));
             return !sound.plays.empty();
         },
         "is not a regular file; it is not opened.", "is not a regular file; it is not opened.",
         "bytes allowed; it is not opened."},
        {"wallpaper picture", "wall.jpg",
         [this](const std::string& path) {
             g_Wallpapers.clear();
             CWallPaper::SetDesktopSetterForTests(RecordWallpaper);
             CWallPaper::SetFolderForTests(m_Install.Path());
             CWallPaper wallpaper;
             wallpaper.Setup(1024, 768);
             wallpaper.Type = CWallPaper::kListPicture;
             wallpaper.Pictures.Add(path.c_str());
             const bool set = wallpaper.WallpaperTheDesktop(XString());
             return set || !g_Wallpapers.empty();
         },
         "is not a regular file; it is not opened.", "is not a regular file; it is not opened.",
         "bytes allowed; it is not opened."},
        {"news page", nullptr,
         [this](const std::string& path) {
             WriteWholeFile(m_Install.File("Id.dat"), kId);
             CInternet::SetFetchForTests(PageFetch);
             CInternet net;
             net.ProcessExitTasks(XString("12345"), XString("Meadowglow"));
             struct stat st;
             return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ReadWholeFile(path).find("news") !=
                                                                                     std::string::npos;
         },
         "is not a regular file; it is not opened.", "is not a regular file; it is not opened.",
         // A file the program writes itself is simply replaced, whatever its length.
         ""},
    };
    for (const Place& place : places) {
        const std::string path =
            place.file ? m_Files.File(place.file) : m_Install.File(std::string(kId) + ".htm");
        for (const std::string kind : {"fifo", "/dev/zero", "huge"}) {
            SCOPED_TRACE(std::string(place.name) + ", " + kind);
            Plant(kind, path);
            WriteWholeFile(m_Install.File("RunLog.txt"), "");
            bool used = true;
            ASSERT_TRUE(FinishesInTime([&] { used = place.use(path); })) << "blocked";
            const std::string expected = kind == "fifo" ? place.fifoLog : kind == "huge" ? place.hugeLog : place.zeroLog;
            const std::string log = Log();
            if (expected.empty()) {
                EXPECT_TRUE(used);
            } else {
                EXPECT_FALSE(used);
                EXPECT_NE(std::string::npos, log.find(expected)) << log;
                if (expected.find("Subject") == std::string::npos) {
                    EXPECT_NE(std::string::npos, log.find("Subject = File Refused\r\nMessage = The ")) << log;
                    EXPECT_NE(std::string::npos, log.find(" " + path + " ")) << log;
                }
            }
            ::unlink(path.c_str());
        }
    }
}
