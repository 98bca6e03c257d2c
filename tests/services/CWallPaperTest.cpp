#include "services/CWallPaper.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/GLInclude.h"
#include "tests/GLTestContext.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

namespace {

std::vector<std::string> g_SetCalls;
bool RecordSet(const std::string& path, int style) {
    g_SetCalls.push_back(path + "|" + std::to_string(style));
    return true;
}

// Keeps the picture files and the desktop of every test to itself.
class WallpaperSandbox : public ::testing::Test {
protected:
    void SetUp() override {
        g_SetCalls.clear();
        CWallPaper::SetDesktopSetterForTests(RecordSet);
        CWallPaper::SetFolderForTests(m_Dir.Path());
    }
    void TearDown() override {
        CWallPaper::SetDesktopSetterForTests(nullptr);
        CWallPaper::SetFolderForTests("");
    }
    std::string Target(const char* ext) const { return m_Dir.File(std::string(CWallPaper::kFileBase) + ext); }
    TempDir m_Dir;
    TempDir m_Pictures;
};

// A name as the list keeps it: in lower case where the file system finds it so
// (Windows), else as written.
std::string AsKept(const std::string& path) {
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return FileExists(lower) ? lower : path;
}

uint32_t LE(const std::string& s, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes; i-- > 0;) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
    return v;
}

}  // namespace

TEST(CWallPaperConfig, SectionRoundTripAndListRules) {
    TempDir dir;
    const std::string jpg = dir.File("sky.jpg"), bmp = dir.File("lake.bmp"), png = dir.File("x.png");
    for (const std::string& f : {jpg, bmp, png}) WriteWholeFile(f, "x");
    CWallPaper w;
    XString text("<ConfigFile>\t<Wallpaper>\r\n\t\t<Type>3</Type>\r\n\t\t<NumPictures>5</NumPictures>\r\n");
    // An upper-case entry, an unsupported type, a missing file, blanks around a name.
    std::string upper = jpg;
    upper.replace(upper.size() - 7, 3, "SKY");
    const std::string entries[] = {upper, png, dir.File("gone.bmp"), "  " + bmp + " ", ""};
    for (int i = 0; i < 5; ++i) {
        std::string line = "\t\t<Picture_" + std::to_string(i) + ">" + entries[i] + "</Picture_" + std::to_string(i) + ">\r\n";
        text += line.c_str();
    }
    text += "\t</Wallpaper>\r\n</ConfigFile>";
    w.Read(text);
    EXPECT_EQ(3u, w.Type);
    ASSERT_EQ(2u, w.NumPictures);
    EXPECT_EQ(AsKept(jpg), w.Pictures[0].c_str());
    EXPECT_EQ(AsKept(bmp), w.Pictures[1].c_str());

    XString out;
    w.Write(out);
    const std::string expected = "\t<Wallpaper>\r\n\t\t<Type>3</Type>\r\n\t\t<NumPictures>2</NumPictures>\r\n"
                                 "\t\t<Picture_0>" + AsKept(jpg) + "</Picture_0>\r\n\t\t<Picture_1>" + AsKept(bmp) +
                                 "</Picture_1>\r\n\t</Wallpaper>\r\n";
    EXPECT_EQ(expected, std::string(out.View()));

    // A missing section is the defaults; a count far beyond the entries ends at once.
    w.Read(XString("<ConfigFile></ConfigFile>"));
    EXPECT_EQ(0u, w.Type);
    EXPECT_EQ(0u, w.Pictures.GetCount());
    w.Read(XString("\t<Wallpaper><Type>1</Type><NumPictures>4294967295</NumPictures></Wallpaper>"));
    EXPECT_EQ(1u, w.Type);
    EXPECT_EQ(0u, w.NumPictures);
}

TEST(CWallPaperBmp, HeaderAndRowPadding) {
    struct Case {
        uint32_t w, h, row;
    } cases[] = {{1366, 768, 4100}, {1024, 768, 3072}, {1, 1, 4}, {2, 3, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(c.row, CWallPaper::BmpRowSize(c.w));
        uint8_t h[CWallPaper::kBmpHeaderSize];
        CWallPaper::MakeBmpHeader(c.w, c.h, h);
        const std::string s(reinterpret_cast<char*>(h), sizeof(h));
        const uint32_t image = c.row * c.h;
        EXPECT_EQ("BM", s.substr(0, 2));
        EXPECT_EQ(54 + image, LE(s, 2, 4));
        EXPECT_EQ(0u, LE(s, 6, 4));
        EXPECT_EQ(54u, LE(s, 10, 4));
        EXPECT_EQ(40u, LE(s, 14, 4));
        EXPECT_EQ(c.w, LE(s, 18, 4));
        EXPECT_EQ(c.h, LE(s, 22, 4));
        EXPECT_EQ(1u, LE(s, 26, 2));
        EXPECT_EQ(24u, LE(s, 28, 2));
        EXPECT_EQ(0u, LE(s, 30, 4));
        EXPECT_EQ(image, LE(s, 34, 4));
        for (int i = 38; i < 54; ++i) EXPECT_EQ(0, h[i]) << "byte " << i;
    }
}

// A known frame, read back into the picture: every pixel in blue, green, red
// order, rows bottom first, padding bytes zero.
TEST_F(WallpaperSandbox, LastFrameIsTheRenderedFrame) {
    for (const auto& size : {std::pair<int, int>{1366, 768}, {1024, 768}}) {
        SCOPED_TRACE(std::to_string(size.first));
        GLTestContext gl(size.first, size.second);
        ASSERT_TRUE(gl.IsReady()) << gl.Error();
        glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glEnable(GL_SCISSOR_TEST);  // a red block in the lower-left quarter, green in the upper-right
        glScissor(0, 0, size.first / 2, size.second / 2);
        glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glScissor(size.first / 2, size.second / 2, size.first, size.second);
        glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        const std::vector<uint8_t> rgba = gl.ReadPixels();

        CWallPaper w;
        w.Type = CWallPaper::kLastFrame;
        w.Setup(size.first, size.second);
        ASSERT_TRUE(w.WantsLastFrame());
        ASSERT_TRUE(w.WallpaperTheDesktop(XString()));
        ASSERT_EQ(1u, g_SetCalls.size());
        EXPECT_EQ(Target("bmp") + "|2", g_SetCalls[0]);
        const std::string file = ReadWholeFile(Target("bmp"));
        const uint32_t row = CWallPaper::BmpRowSize(size.first);
        ASSERT_EQ(54u + row * size.second, file.size());
        size_t mismatches = 0;
        for (int y = 0; y < size.second; ++y) {
            for (int x = 0; x < size.first; ++x) {
                const uint8_t* want = &rgba[(static_cast<size_t>(y) * size.first + x) * 4];
                const char* got = &file[54 + static_cast<size_t>(y) * row + x * 3];
                if (static_cast<uint8_t>(got[0]) != want[2] || static_cast<uint8_t>(got[1]) != want[1] ||
                    static_cast<uint8_t>(got[2]) != want[0])
                    ++mismatches;
            }
            for (uint32_t p = size.first * 3; p < row; ++p) mismatches += file[54 + y * row + p] != 0;
        }
        EXPECT_EQ(0u, mismatches);
        g_SetCalls.clear();
    }
    // Nothing of the replacing write is left beside the picture.
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(m_Dir.Path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(1u, files);
}

TEST_F(WallpaperSandbox, PictureTypesCopyTheRightFile) {
    const std::string bg = m_Pictures.File("meadow.jpg"), listed = m_Pictures.File("river.bmp");
    WriteWholeFile(bg, "background picture");
    WriteWholeFile(listed, "listed picture");
    struct Case {
        uint32_t type;
        std::string bgArg;
        bool listFilled;
        bool result;
        std::string file;     // expected copy, "" for none
        std::string content;  // of that copy
    } cases[] = {
        {CWallPaper::kBackgroundPicture, bg, false, true, "jpg", "background picture"},
        {CWallPaper::kBackgroundPicture, m_Pictures.File("gone.jpg"), false, false, "", ""},
        {CWallPaper::kListPicture, bg, true, true, "bmp", "listed picture"},
        {CWallPaper::kListPicture, bg, false, false, "", ""},
        {CWallPaper::kNone, bg, true, true, "", ""},
        {7, bg, true, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " " + c.bgArg);
        std::filesystem::remove(Target("jpg"));
        std::filesystem::remove(Target("bmp"));
        g_SetCalls.clear();
        CWallPaper w;
        w.Type = c.type;
        w.Setup(1024, 768);
        if (c.listFilled) w.Pictures.Add(listed.c_str());
        EXPECT_EQ(c.result, w.WallpaperTheDesktop(XString(c.bgArg.c_str())));
        if (c.file.empty()) {
            EXPECT_TRUE(g_SetCalls.empty());
            EXPECT_FALSE(FileExists(Target("jpg")) || FileExists(Target("bmp")));
        } else {
            ASSERT_EQ(1u, g_SetCalls.size());
            EXPECT_EQ(Target(c.file.c_str()) + "|2", g_SetCalls[0]);
            EXPECT_EQ(c.content, ReadWholeFile(Target(c.file.c_str())));
        }
    }
}

TEST_F(WallpaperSandbox, SmallRenderAreasLeaveTheDesktopAlone) {
    const std::string bg = m_Pictures.File("meadow.jpg");
    WriteWholeFile(bg, "x");
    struct Case {
        uint32_t w, h;
        bool changes;
    } cases[] = {{152, 112, false}, {319, 199, false}, {320, 150, true}, {200, 200, true}, {1024, 768, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        g_SetCalls.clear();
        CWallPaper w;
        w.Type = CWallPaper::kBackgroundPicture;
        w.Setup(c.w, c.h);
        EXPECT_TRUE(w.WallpaperTheDesktop(XString(bg.c_str())));
        EXPECT_EQ(c.changes ? 1u : 0u, g_SetCalls.size());
        w.Type = CWallPaper::kLastFrame;
        EXPECT_EQ(c.changes, w.WantsLastFrame());
    }
}

// A window over several monitors draws the scene in the primary monitor's
// rectangle (the viewport) and leaves the rest black: the picture is that
// rectangle, wherever it lies in the window.
TEST_F(WallpaperSandbox, LastFrameIsTheSceneRectangleOfTheWindow) {
    constexpr int kWinW = 900, kWinH = 500;
    struct Case {
        const char* name;
        int x, y, w, h;  // the scene's viewport, from the window's lower left
    } const cases[] = {
        {"primary on the right", 500, 0, 400, 500},
        {"primary on the left, shorter than the other", 0, 200, 400, 300},
        {"primary in the middle of three", 300, 100, 320, 240},
        {"one monitor", 0, 0, kWinW, kWinH},
    };
    GLTestContext gl(kWinW, kWinH);
    ASSERT_TRUE(gl.IsReady()) << gl.Error();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        glDisable(GL_SCISSOR_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        // The scene: a gradient, so that any shift shows.
        glEnable(GL_SCISSOR_TEST);
        for (int band = 0; band < 8; ++band) {
            glScissor(c.x + c.w * band / 8, c.y, c.w / 8 + 1, c.h);
            glClearColor(0.1f + band * 0.1f, 1.0f - band * 0.1f, 0.5f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
        }
        glScissor(c.x, c.y, c.w, c.h / 4);
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_SCISSOR_TEST);
        glViewport(c.x, c.y, c.w, c.h);
        const std::vector<uint8_t> rgba = gl.ReadPixels();

        CWallPaper w;
        w.Type = CWallPaper::kLastFrame;
        w.Setup(c.w, c.h);
        ASSERT_TRUE(w.WallpaperTheDesktop(XString()));
        const std::string file = ReadWholeFile(Target("bmp"));
        const uint32_t row = CWallPaper::BmpRowSize(c.w);
        ASSERT_EQ(54u + row * c.h, file.size());
        size_t mismatches = 0, black = 0;
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const uint8_t* want = &rgba[(static_cast<size_t>(c.y + y) * kWinW + c.x + x) * 4];
                const uint8_t* got = reinterpret_cast<const uint8_t*>(&file[54 + static_cast<size_t>(y) * row + x * 3]);
                mismatches += got[0] != want[2] || got[1] != want[1] || got[2] != want[0];
                black += got[0] + got[1] + got[2] == 0;
            }
        EXPECT_EQ(0u, mismatches);
        EXPECT_EQ(0u, black) << "the picture holds the black outside the scene";
        g_SetCalls.clear();
    }
    glViewport(0, 0, kWinW, kWinH);
}
