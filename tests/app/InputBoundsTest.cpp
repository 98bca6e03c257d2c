// Settings that size a loop, a wait or a frame are bounded where they are
// read, and each value brought into range is logged once with the value used.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/CGeneralConfig.h"
#include "scene/CBgBitmap.h"
#include "scene/CStarFields.h"
#include "services/CSystemDateTime.h"
#include "tests/TestSupport.h"
#include "xlib/ConfigSection.h"
#include "xlib/XPaths.h"

namespace {
struct InputBounds : ::testing::Test {
    void SetUp() override {
        m_Old = GetInstallPath();
        SetInstallPath(m_Dir.Path());
    }
    void TearDown() override { SetInstallPath(m_Old); }
    std::string Log() const { return ReadWholeFile(m_Dir.File("RunLog.txt")); }
    void ClearLog() const { WriteWholeFile(m_Dir.File("RunLog.txt"), ""); }
    size_t Entries() const {
        const std::string log = Log();
        size_t n = 0;
        for (size_t at = log.find("*** LogEntry: "); at != std::string::npos; at = log.find("*** LogEntry: ", at + 1))
            ++n;
        return n;
    }
    TempDir m_Dir;
    std::string m_Old;
};
}  // namespace

// A damaged picture count with stray or doubled list tags costs look-ups in
// proportion to the tags present, not to the count.
TEST_F(InputBounds, PictureListFollowsTheTagsPresent) {
    const std::string picture = m_Dir.File("a.bmp");
    WriteWholeFile(picture, "BM");
    struct Case {
        const char* name;
        std::string tags;
        uint32_t pictures;
    } cases[] = {
        {"doubled tag", "<Picture_0>" + picture + "</Picture_0><Picture_0>x</Picture_0>", 1},
        {"stray far index", "<Picture_0>" + picture + "</Picture_0><Picture_9999>" + picture + "</Picture_9999>", 2},
        {"index past the clamp", "<Picture_4000000000>" + picture + "</Picture_4000000000>", 0},
        {"stray unnumbered", "<Picture_>x</Picture_><Picture_0>" + picture + "</Picture_0>", 1},
        {"no tags", "", 0},
    };
    for (const Case& c : cases) {
        ClearLog();
        CBgBitmap bg;
        bg.Read(XString(("<BgBitmap><NumPictures>4294967295</NumPictures>" + c.tags + "</BgBitmap>").c_str()));
        EXPECT_EQ(c.pictures, bg.NumPictures) << c.name;
        // The clamp of the count, then at most 100 reports of missing entries.
        EXPECT_LE(Entries(), 101u) << c.name;
        EXPECT_NE(std::string::npos, Log().find("<BgBitmap><NumPictures> \"4294967295\" is out of range; using 10000."))
            << c.name;
    }
}

TEST_F(InputBounds, SaverSpeedStaysInTheOfferedRange) {
    struct Case {
        const char* text;
        uint32_t used;
        bool logged;
    } cases[] = {
        {"-1", 0, true}, {"-10", 0, true}, {"18446744073709551615", 100, true}, {"4294967295", 100, true},
        {"101", 100, true}, {"100", 100, false}, {"0", 0, false}, {"25", 25, false}, {"", 0, false},
    };
    for (const Case& c : cases) {
        ClearLog();
        CGeneralConfig general;
        general.Read(XString((std::string("<General><SaverSpeed>") + c.text + "</SaverSpeed></General>").c_str()));
        EXPECT_EQ(c.used, general.SaverSpeed) << c.text;
        EXPECT_EQ(c.logged ? 1u : 0u, Entries()) << c.text;
        if (c.logged) {
            EXPECT_NE(std::string::npos, Log().find("<General><SaverSpeed> \"" + std::string(c.text) +
                                                    "\" is out of range; using " + std::to_string(c.used) + "."))
                << c.text;
        }
    }
}

// Texts drawn every frame are cut to what a screen can show, so no frame
// spends seconds on them.
TEST_F(InputBounds, OverlayTextsAreCapped) {
    const unsigned cap = CSystemDateTime::kMaxTextLength;
    struct Case {
        size_t length;
        bool cut;
    } cases[] = {{10, false}, {cap, false}, {cap + 1, true}, {10u << 20, true}};
    for (const Case& c : cases) {
        ClearLog();
        const std::string text(c.length, 'Y');
        CSystemDateTime dt;
        // The defaults ask for the time-server list beside the test; its
        // failure's entry is not one of the texts' own.
        ASSERT_TRUE(CSystemDateTime::WaitTimeServerListRefresh(10000));
        ClearLog();
        dt.Read(XString(("<DateTime><Format>" + text + "</Format><CountDownMessage>" + text +
                         "</CountDownMessage></DateTime>").c_str()));
        const size_t expected = c.cut ? cap : c.length;
        EXPECT_EQ(expected, dt.Format.GetLength()) << c.length;
        EXPECT_EQ(expected, dt.CountDownMessage.GetLength()) << c.length;
        EXPECT_EQ(c.cut ? 2u : 0u, Entries()) << c.length;
        if (c.cut) {
            EXPECT_NE(std::string::npos, Log().find("<DateTime><Format> \"YYYY")) << c.length;
            EXPECT_NE(std::string::npos, Log().find("using its first 200 characters")) << c.length;
        }
    }
}

// Speeds near the 32-bit limit: no overflowing sum, and every star stays a
// finite number.
TEST_F(InputBounds, StarSpeedNearTheLimit) {
    for (int type : {0, 1, 2}) {
        for (const char* speed : {"2147483647", "-2147483648"}) {
            CStarFields stars;
            stars.Read(XString((std::string("<Stars><Enabled>true</Enabled><Type>") + std::to_string(type) +
                                "</Type><Speed>" + speed + "</Speed><Amount>8</Amount><RotateStars>true</RotateStars>"
                                "</Stars>").c_str()));
            stars.Setup(640, 480);
            for (int frame = 0; frame < 5; ++frame) stars.Process();
            for (int layer = 0; layer < 4; ++layer) {
                for (unsigned i = 0; i < 2; ++i) {
                    const Star& s = stars.Layer(layer).GetStar(i);
                    EXPECT_TRUE(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.z)) << type << speed;
                }
            }
        }
    }
}
