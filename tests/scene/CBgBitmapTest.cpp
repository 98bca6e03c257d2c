// Background pictures without drawing: the "<BgBitmap>" section, the picture
// list checks, the change timer, the bounce and the colour drift.
#include "scene/CBgBitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/ImageDecoder.h"
#include "tests/TestSupport.h"
#include "tests/render/TestBitmaps.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
uint32_t g_Now = 0;
uint32_t FakeClock() { return g_Now; }

std::string Str(const XString& s) { return std::string(s.c_str(), s.GetLength()); }
// Names as the list keeps them (the test folder itself may have capitals).
std::string Lower(const std::string& path) {
    XString s(path.c_str());
    s.MakeLower();
    return Str(s);
}

unsigned Occurrences(const std::string& text, const std::string& what) {
    unsigned n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

std::string Section(const std::string& keys) { return "<ConfigFile name=\"M\">\r\n\t<BgBitmap>\r\n" + keys + "\t</BgBitmap>\r\n</ConfigFile>"; }

std::string Entry(unsigned i, const std::string& path) {
    const std::string tag = "Picture_" + std::to_string(i);
    return "\t\t<" + tag + ">" + path + "</" + tag + ">\r\n";
}

class BgBitmap : public ::testing::Test {
protected:
    void SetUp() override {
        m_Saved = GetInstallPath();
        SetInstallPath(m_Dir.Path());
        PlatformImageLibraryInitialise();
        XSeedRandom(1234);
        g_Now = 5000;
    }
    void TearDown() override {
        PlatformImageLibraryDeInitialise();
        SetInstallPath(m_Saved);
    }
    // A solid w x h 24-bit bitmap in the test folder.
    std::string Picture(const std::string& name, unsigned w, unsigned h, Rgb c = {200, 100, 50}) {
        const std::string path = m_Dir.File(name);
        WriteWholeFile(path, MakeBmp24(w, h, std::vector<Rgb>(w * h, c)));
        return path;
    }
    std::string Log() const { return ReadWholeFile(m_Dir.File("RunLog.txt")); }
    void Read(CBgBitmap& b, const std::string& text) { b.Read(XString(text.c_str())); }
    std::string Write(CBgBitmap& b) {
        XString out;
        b.Write(out);
        return Str(out);
    }

    TempDir m_Dir;
    std::string m_Saved;
};
}  // namespace

TEST_F(BgBitmap, DefaultsNameTheTenShippedPictures) {
    CBgBitmap b;
    EXPECT_TRUE(b.CyclePictures);
    EXPECT_EQ(10u, b.NumPictures);
    EXPECT_EQ(1u, b.CycleMin);
    EXPECT_EQ(0, b.PictureStyle);
    EXPECT_FALSE(b.CycleColor);
    ASSERT_EQ(10u, b.Pictures.GetCount());
    for (unsigned i = 0; i < 10; ++i)
        EXPECT_EQ(m_Dir.Path() + "critterpic" + std::to_string(i + 1) + ".jpg", Str(b.Pictures[i]));
    // A missing section gives the defaults back, the list not doubled.
    b.CycleMin = 7;
    Read(b, "<ConfigFile name=\"M\">\r\n</ConfigFile>");
    EXPECT_EQ(1u, b.CycleMin);
    EXPECT_EQ(10u, b.Pictures.GetCount());
}

TEST_F(BgBitmap, WritesTheSectionLineByLine) {
    CBgBitmap b;
    b.Pictures.Clear();
    b.Pictures.Add("/p/a.jpg");
    b.Pictures.Add("/p/b.bmp");
    b.NumPictures = 9;  // written as the list's count
    b.PictureStyle = 1;
    b.CycleColor = true;
    EXPECT_EQ("\t<BgBitmap>\r\n"
              "\t\t<CyclePictures>true</CyclePictures>\r\n"
              "\t\t<NumPictures>2</NumPictures>\r\n"
              "\t\t<CycleMin>1</CycleMin>\r\n"
              "\t\t<PictureStyle>1</PictureStyle>\r\n"
              "\t\t<CycleColor>true</CycleColor>\r\n"
              "\t\t<Picture_0>/p/a.jpg</Picture_0>\r\n"
              "\t\t<Picture_1>/p/b.bmp</Picture_1>\r\n"
              "\t</BgBitmap>\r\n",
              Write(b));
}

TEST_F(BgBitmap, ReadsKeysWithTheirOwnBooleanRules) {
    struct Case {
        const char* cyclePictures;
        const char* cycleColor;
        bool pictures, color;
    } cases[] = {
        {"true", "true", true, true},      {"TRUE", "True", true, true},   {"trueish", "trueish", false, true},
        {"yes", "1", false, false},        {"false", "false", false, false},
    };
    for (const Case& c : cases) {
        CBgBitmap b;
        Read(b, Section(std::string("\t\t<CyclePictures>") + c.cyclePictures + "</CyclePictures>\r\n\t\t<CycleColor>" +
                        c.cycleColor + "</CycleColor>\r\n\t\t<CycleMin>15</CycleMin>\r\n\t\t<PictureStyle>-3</PictureStyle>\r\n"));
        EXPECT_EQ(c.pictures, b.CyclePictures) << c.cyclePictures;
        EXPECT_EQ(c.color, b.CycleColor) << c.cycleColor;
        EXPECT_EQ(15u, b.CycleMin);
        EXPECT_EQ(-3, b.PictureStyle);
        EXPECT_EQ(0u, b.NumPictures);  // missing key: an empty list
    }
}

TEST_F(BgBitmap, PathsAreStoredTrimmedAndLowerCasedAndWrittenThatWay) {
    const std::string a = Picture("one.bmp", 4, 4), c = Picture("three.jpg", 4, 4);
    // The file names as a user might type them: other letter case, blanks around.
    std::string upperA = a, upperC = c;
    upperA.replace(upperA.size() - 7, 7, "ONE.BMP");
    upperC.replace(upperC.size() - 9, 9, "Three.Jpg");
    CBgBitmap b;
    Read(b, Section("\t\t<NumPictures>2</NumPictures>\r\n" + Entry(0, "   " + upperA + " \t") + Entry(1, "\t" + upperC + "  ")));
    ASSERT_EQ(2u, b.Pictures.GetCount());
    EXPECT_EQ(Lower(a), Str(b.Pictures[0]));
    EXPECT_EQ(Lower(c), Str(b.Pictures[1]));
    const std::string out = Write(b);
    EXPECT_NE(std::string::npos, out.find(Entry(0, Lower(a)))) << out;
    EXPECT_NE(std::string::npos, out.find(Entry(1, Lower(c))));
    EXPECT_EQ("", Log());
}

TEST_F(BgBitmap, MissingAndUnsupportedPicturesAreDroppedAndReported) {
    const std::string a = Picture("a.bmp", 4, 4), d = Picture("d.jpg", 4, 4);
    const std::string missing = m_Dir.File("gone.jpg");
    const std::string png = m_Dir.File("e.png");
    WriteWholeFile(png, "not looked at");
    CBgBitmap b;
    Read(b, Section("\t\t<NumPictures>5</NumPictures>\r\n" + Entry(0, a) + Entry(1, missing) + Entry(2, png) + Entry(3, d)));
    ASSERT_EQ(2u, b.Pictures.GetCount());
    EXPECT_EQ(Lower(a), Str(b.Pictures[0]));
    EXPECT_EQ(Lower(d), Str(b.Pictures[1]));
    EXPECT_EQ(2u, b.NumPictures);
    EXPECT_LT(b.GetIndex(), 2u);
    const std::string log = Log();
    EXPECT_EQ(3u, Occurrences(log, "Subject = BgBitmap Read Config Error"));
    EXPECT_NE(std::string::npos, log.find("Message = Error: the bitmap for filename = " + Lower(missing) + " does not exist."));
    EXPECT_NE(std::string::npos,
              log.find("Message = Error: the bitmap for filename = " + Lower(png) +
                       " contains an unsupported image type. BMP and JPG are the only supported types at this time."));
    // Entry 4 is not in the section at all: an empty name that does not exist.
    EXPECT_NE(std::string::npos, log.find("Message = Error: the bitmap for filename =  does not exist."));
    const std::string out = Write(b);
    EXPECT_NE(std::string::npos, out.find("<NumPictures>2</NumPictures>"));
    EXPECT_EQ(std::string::npos, out.find("Picture_2"));
}

TEST_F(BgBitmap, ReadingAndWritingAgainKeepsTheSameList) {
    const std::string a = Picture("a.bmp", 4, 4), b2 = Picture("b.bmp", 4, 4), c = Picture("c.jpg", 4, 4);
    CBgBitmap b;
    Read(b, Section("\t\t<CyclePictures>true</CyclePictures>\r\n\t\t<NumPictures>3</NumPictures>\r\n" + Entry(0, a) +
                    Entry(1, b2) + Entry(2, c)));
    const std::string first = Write(b);
    const std::string whole = "<ConfigFile name=\"M\">\r\n" + first + "</ConfigFile>";
    Read(b, whole);
    Read(b, whole);  // the same object reading twice does not add to its list
    const std::string second = Write(b);
    EXPECT_EQ(first, second);
    EXPECT_EQ(3u, b.Pictures.GetCount());
    EXPECT_EQ(1u, Occurrences(second, Lower(a) + "<"));
}

TEST_F(BgBitmap, ADamagedCountDoesNotKeepReadingForever) {
    const std::string a = Picture("a.bmp", 4, 4);
    CBgBitmap b;
    Read(b, Section("\t\t<NumPictures>4000000000</NumPictures>\r\n" + Entry(0, a)));
    ASSERT_EQ(1u, b.Pictures.GetCount());
    EXPECT_EQ(1u, b.NumPictures);
    EXPECT_LE(Occurrences(Log(), "BgBitmap Read Config Error"), 101u);
}

TEST_F(BgBitmap, AnEmptyListDoesNothing) {
    CBgBitmap b;
    b.SetClock(FakeClock);
    Read(b, Section("\t\t<CyclePictures>true</CyclePictures>\r\n\t\t<NumPictures>0</NumPictures>\r\n"));
    EXPECT_EQ(0u, b.NumPictures);
    EXPECT_EQ(0u, b.GetIndex());
    EXPECT_EQ("", Str(b.GetRandBgImageFileName()));
    b.Setup(640, 480);
    b.Process();
    EXPECT_EQ(0u, b.GetChangeCount());
    EXPECT_EQ(nullptr, b.GetBitmap());
    EXPECT_EQ("", Log());
}

TEST_F(BgBitmap, RandomWallpaperPictureComesFromTheList) {
    CBgBitmap b;
    std::vector<int> seen(10, 0);
    for (int i = 0; i < 200; ++i) {
        const std::string name = Str(b.GetRandBgImageFileName());
        bool found = false;
        for (unsigned k = 0; k < 10; ++k)
            if (name == Str(b.Pictures[k])) found = ++seen[k] > 0;
        EXPECT_TRUE(found) << name;
    }
    for (int n : seen) EXPECT_GT(n, 0);
}

TEST_F(BgBitmap, PicturesFollowTheListFromARandomStart) {
    std::string keys = "\t\t<CyclePictures>true</CyclePictures>\r\n\t\t<NumPictures>4</NumPictures>\r\n\t\t<CycleMin>1</CycleMin>\r\n";
    for (unsigned i = 0; i < 4; ++i) keys += Entry(i, Picture("p" + std::to_string(i) + ".bmp", 8 + i, 8));
    std::vector<int> starts(4, 0);
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        XSeedRandom(seed);
        CBgBitmap b;
        b.SetClock(FakeClock);
        Read(b, Section(keys));
        const uint32_t start = b.GetIndex();
        ++starts[start];
        g_Now = 0;
        b.Setup(640, 480);
        for (uint32_t k = 1; k <= 5; ++k) {
            b.Process();
            ASSERT_EQ(k, b.GetChangeCount());
            EXPECT_EQ((start + k) % 4, b.GetIndex());
            ASSERT_NE(nullptr, b.GetBitmap());
            EXPECT_EQ(8 + b.GetIndex(), PlatformImageWidth(b.GetBitmap()));
            g_Now += 60001;
        }
    }
    for (int n : starts) EXPECT_GT(n, 0);
}

TEST_F(BgBitmap, TheDecodeStartedBeforeSetupShowsThePictureTheFirstChangeWants) {
    // Each picture's width tells it apart.
    std::string keys = "\t\t<CyclePictures>true</CyclePictures>\r\n\t\t<NumPictures>3</NumPictures>\r\n";
    for (unsigned i = 0; i < 3; ++i) keys += Entry(i, Picture("e" + std::to_string(i) + ".bmp", 10 + i, 8));
    const std::string other = Entry(0, Picture("other.bmp", 30, 8));
    enum Between { kNothing, kListChanged, kReleased, kPreparedTwice };
    for (Between between : {kNothing, kListChanged, kReleased, kPreparedTwice}) {
        SCOPED_TRACE(between);
        CBgBitmap b;
        b.SetClock(FakeClock);
        Read(b, Section(keys));
        b.Prepare(false);
        if (between == kPreparedTwice) b.Prepare(false);
        if (between == kListChanged)
            Read(b, Section("\t\t<CyclePictures>true</CyclePictures>\r\n\t\t<NumPictures>1</NumPictures>\r\n" + other));
        if (between == kReleased) {
            // A stop during the context's making: the decode is freed unused.
            b.Release();
            continue;
        }
        const uint32_t want = b.GetIndex() + 1 >= (between == kListChanged ? 1u : 3u) ? 0 : b.GetIndex() + 1;
        b.Setup(64, 64);
        b.Process();
        ASSERT_NE(nullptr, b.GetBitmap());
        EXPECT_EQ(want, b.GetIndex());
        EXPECT_EQ(between == kListChanged ? 30u : 10 + want, PlatformImageWidth(b.GetBitmap()));
        b.Release();
    }
}

TEST_F(BgBitmap, ChangeTimer) {
    const std::string a = Picture("a.bmp", 8, 8), c = Picture("c.bmp", 8, 8);
    struct Case {
        uint32_t cycleMin;
        unsigned pictures;
        uint32_t at;  // ms after Setup
        uint32_t changes;
    } cases[] = {
        {1, 2, 0, 1},          // the first frame loads a picture
        {1, 2, 60000, 1},      // exactly a minute is not more than a minute
        {1, 2, 60001, 2},      // the first frame after it changes
        {2, 2, 120000, 1},     {2, 2, 120001, 2},
        {0, 2, 3600000, 1},    // 0: never changes
        {1, 1, 3600000, 1},    // a single picture stays
        {100000, 2, 4000000000u, 1},  // minutes beyond what 32-bit milliseconds hold
    };
    for (const Case& k : cases) {
        CBgBitmap b;
        b.SetClock(FakeClock);
        b.Pictures.Clear();
        b.Pictures.Add(a.c_str());
        if (k.pictures > 1) b.Pictures.Add(c.c_str());
        b.NumPictures = k.pictures;
        b.CycleMin = k.cycleMin;
        g_Now = 0xFFFFF000u;  // the instance clock may wrap between two frames
        b.Setup(640, 480);
        b.Process();
        const uint32_t first = b.GetIndex();
        g_Now += k.at;
        b.Process();
        EXPECT_EQ(k.changes, b.GetChangeCount()) << k.cycleMin << " min, " << k.pictures << " pictures, " << k.at << " ms";
        if (k.changes == 1) {
            EXPECT_EQ(first, b.GetIndex());
        } else {
            EXPECT_EQ(g_Now, b.GetLastChange());
        }
    }
}

TEST_F(BgBitmap, NothingIsShownWhenCyclingIsOff) {
    CBgBitmap b;
    b.SetClock(FakeClock);
    b.Pictures.Clear();
    b.Pictures.Add(Picture("a.bmp", 8, 8).c_str());
    b.NumPictures = 1;
    b.CyclePictures = false;
    b.Setup(640, 480);
    b.Process();
    EXPECT_EQ(nullptr, b.GetBitmap());
    EXPECT_EQ(0u, b.GetChangeCount());
}

TEST_F(BgBitmap, PictureStartsCentredAndBouncesInsideTheWindow) {
    constexpr int32_t W = 320, H = 240, PW = 100, PH = 81;
    CBgBitmap b;
    b.SetClock(FakeClock);
    b.Pictures.Clear();
    b.Pictures.Add(Picture("a.bmp", PW, PH).c_str());
    b.NumPictures = 1;
    b.PictureStyle = 1;
    b.Setup(W, H);
    b.Process();
    // Centred by halving each size on its own, then one bounce step.
    const int32_t dx0 = b.GetDx(), dy0 = b.GetDy();
    EXPECT_TRUE(dx0 == -1 || dx0 == -2);
    EXPECT_TRUE(dy0 == -1 || dy0 == -2);
    EXPECT_EQ(W / 2 - PW / 2 + dx0, b.GetX());
    EXPECT_EQ(H / 2 - PH / 2 + dy0, b.GetY());
    int flipsX = 0, flipsY = 0;
    int32_t dx = dx0, dy = dy0;
    for (int frame = 0; frame < 2000; ++frame) {
        const int32_t x = b.GetX(), y = b.GetY();
        b.Process();
        ASSERT_GE(b.GetX(), 0);
        ASSERT_LE(b.GetX() + PW, W);
        ASSERT_GE(b.GetY(), 0);
        ASSERT_LE(b.GetY() + PH, H);
        if (b.GetDx() != dx) {
            ++flipsX;
            EXPECT_EQ(-dx, b.GetDx());
            EXPECT_TRUE(b.GetX() == 0 || b.GetX() == W - PW) << b.GetX();
        } else {
            EXPECT_EQ(x + dx, b.GetX());
        }
        if (b.GetDy() != dy) {
            ++flipsY;
            EXPECT_TRUE(b.GetY() == 0 || b.GetY() == H - PH) << b.GetY();
        } else {
            EXPECT_EQ(y + dy, b.GetY());
        }
        dx = b.GetDx();
        dy = b.GetDy();
    }
    EXPECT_GT(flipsX, 2);
    EXPECT_GT(flipsY, 2);
}

TEST_F(BgBitmap, APictureAsWideOrAsTallAsTheWindowStaysPut) {
    const struct {
        unsigned pw, ph;
    } sizes[] = {{320, 100}, {100, 240}, {400, 300}};
    for (const auto& s : sizes) {
        CBgBitmap b;
        b.SetClock(FakeClock);
        b.Pictures.Clear();
        b.Pictures.Add(Picture("w.bmp", s.pw, s.ph).c_str());
        b.NumPictures = 1;
        b.PictureStyle = 2;
        b.Setup(320, 240);
        for (int i = 0; i < 50; ++i) b.Process();
        EXPECT_EQ(160 - static_cast<int32_t>(s.pw / 2), b.GetX());
        EXPECT_EQ(120 - static_cast<int32_t>(s.ph / 2), b.GetY());
    }
}

TEST_F(BgBitmap, FitPlacement) {
    const struct {
        uint32_t ww, wh, pw, ph;
        float zoom;
        double offX, offY;
    } cases[] = {
        {800, 600, 400, 300, 2.0f, 0, 0},          // enlarged to cover the window
        {800, 600, 1600, 900, 0.5f, 0, 75},        // reduced, bars above and below
        {800, 600, 300, 600, 1.0f, 250, 0},        // bars left and right
        {1920, 1080, 1024, 768, 1.40625f, 240, 0}, {1024, 768, 1024, 768, 1.0f, 0, 0},
    };
    for (const auto& c : cases) {
        const BgFitPlacement p = BgFitPicture(c.ww, c.wh, c.pw, c.ph);
        EXPECT_FLOAT_EQ(c.zoom, p.zoom) << c.pw << "x" << c.ph;
        EXPECT_NEAR(c.offX, p.offsetX, 1e-3);
        EXPECT_NEAR(c.offY, p.offsetY, 1e-3);
        EXPECT_NEAR(c.offX / (c.ww / 2.0) - 1.0, p.rasterX, 1e-6);
        EXPECT_NEAR(c.offY / (c.wh / 2.0) - 1.0, p.rasterY, 1e-6);
        EXPECT_GE(p.rasterX, -1.0);
        EXPECT_GE(p.rasterY, -1.0);
    }
}

// ---------------------------------------------------------------- colour drift

namespace {
// The drift step as described, one byte at a time.
void ReferenceStep(std::vector<uint8_t>& px, std::vector<int8_t>& dir, const int8_t steps[3], uint32_t w, uint32_t h,
                   uint32_t pitch) {
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                uint8_t& v = px[y * pitch + x * 3 + c];
                int8_t& d = dir[(y * w + x) * 3 + c];
                const int t = v + steps[c] * d;
                if (t >= 256) {
                    d = static_cast<int8_t>(-d);
                    v = static_cast<uint8_t>(511 - t);
                } else if (t < 0) {
                    d = static_cast<int8_t>(-d);
                    v = static_cast<uint8_t>(-t);
                } else {
                    v = static_cast<uint8_t>(t);
                }
            }
}
}  // namespace

TEST(ColorDrift, SetupGivesEveryPixelOneTripleAndNonZeroSteps) {
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        XSeedRandom(seed);
        CColorDrift drift;
        ASSERT_TRUE(drift.Setup(7, 5));
        const int8_t r = drift.Direction(0, 0, 0), g = drift.Direction(0, 0, 1), b = drift.Direction(0, 0, 2);
        EXPECT_TRUE(r != 0 || g != 0 || b != 0);
        for (uint32_t y = 0; y < 5; ++y)
            for (uint32_t x = 0; x < 7; ++x) {
                ASSERT_EQ(r, drift.Direction(x, y, 0));
                ASSERT_EQ(g, drift.Direction(x, y, 1));
                ASSERT_EQ(b, drift.Direction(x, y, 2));
            }
        int nonZero = 0;
        for (int c = 0; c < 3; ++c) {
            EXPECT_GE(drift.StepSize(c), -3);
            EXPECT_LE(drift.StepSize(c), 3);
            EXPECT_GE(drift.Direction(0, 0, c), -1);
            EXPECT_LE(drift.Direction(0, 0, c), 1);
            nonZero += drift.StepSize(c) != 0;
        }
        EXPECT_GT(nonZero, 0);
    }
}

TEST(ColorDrift, KeepsItsArrayForTheSameSize) {
    CColorDrift drift;
    ASSERT_TRUE(drift.Setup(16, 8));
    const int8_t* before = drift.Directions();
    ASSERT_TRUE(drift.Setup(16, 8));
    EXPECT_EQ(before, drift.Directions());
    ASSERT_TRUE(drift.Setup(8, 16));
    EXPECT_EQ(8u, drift.GetWidth());
    EXPECT_EQ(16u, drift.GetHeight());
}

TEST(ColorDrift, EachPixelTurnsBackOnItsOwn) {
    CColorDrift drift;
    ASSERT_TRUE(drift.Setup(3, 1));
    drift.SetStepSizes(3, -3, 1);
    int8_t* d = drift.Directions();
    for (int i = 0; i < 9; ++i) d[i] = 1;
    d[8] = 0;  // this channel stays where it is
    // Pixel 0 near the top in red, pixel 1 in the middle, pixel 2 near the
    // bottom in green; rows padded to 12 bytes.
    uint8_t px[12] = {254, 100, 7, 100, 100, 7, 40, 2, 50, 0xAA, 0xAA, 0xAA};
    drift.Step(px, 3, 1, 12);
    EXPECT_EQ(254, px[0]);  // 257 folds back to 254
    EXPECT_EQ(-1, drift.Direction(0, 0, 0));
    EXPECT_EQ(103, px[3]);  // its neighbour goes on up
    EXPECT_EQ(1, drift.Direction(1, 0, 0));
    EXPECT_EQ(1, px[7]);  // 2 - 3 = -1 folds back to 1
    EXPECT_EQ(-1, drift.Direction(2, 0, 1));
    EXPECT_EQ(97, px[1]);
    EXPECT_EQ(1, drift.Direction(0, 0, 1));
    EXPECT_EQ(50, px[8]);
    EXPECT_EQ(0xAA, px[9]);  // padding untouched
    EXPECT_EQ(0xAA, px[11]);
    drift.Step(px, 3, 1, 12);
    EXPECT_EQ(251, px[0]);
    EXPECT_EQ(106, px[3]);
    EXPECT_EQ(4, px[7]);
    // Exactly 255 and 0 are inside.
    uint8_t edge[12] = {252, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 9; ++i) d[i] = 1;
    drift.Step(edge, 3, 1, 12);
    EXPECT_EQ(255, edge[0]);
    EXPECT_EQ(1, drift.Direction(0, 0, 0));
    EXPECT_EQ(0, edge[1]);
    EXPECT_EQ(1, drift.Direction(0, 0, 1));
}

TEST(ColorDrift, StaysInRangeAndMatchesThePixelRuleOverManyFrames) {
    // Sizes whose rows are not a multiple of anything convenient, and every
    // kind of step, up, down and still.
    const struct {
        uint32_t w, h;
        int8_t steps[3];
    } cases[] = {{1, 1, {3, -2, -3}}, {5, 3, {1, 0, -1}}, {37, 11, {3, -2, -3}}, {129, 4, {-3, 3, 2}}, {6, 2, {0, 0, 1}}};
    for (const auto& k : cases) {
        SCOPED_TRACE(std::to_string(k.w) + "x" + std::to_string(k.h));
        XSeedRandom(k.w * 31 + k.h);
        const uint32_t pitch = (k.w * 3 + 3) & ~3u;
        std::vector<uint8_t> px(pitch * k.h);
        for (auto& v : px) v = static_cast<uint8_t>(XRandom() & 255);
        CColorDrift drift;
        ASSERT_TRUE(drift.Setup(k.w, k.h));
        std::vector<int8_t> dir(k.w * k.h * 3);
        for (size_t i = 0; i < dir.size(); ++i) {
            dir[i] = static_cast<int8_t>(XRandom() % 3 - 1);
            drift.Directions()[i] = dir[i];
        }
        drift.SetStepSizes(k.steps[0], k.steps[1], k.steps[2]);
        CColorDrift bytewise;
        ASSERT_TRUE(bytewise.Setup(k.w, k.h));
        std::copy(dir.begin(), dir.end(), bytewise.Directions());
        bytewise.SetStepSizes(k.steps[0], k.steps[1], k.steps[2]);
        std::vector<uint8_t> expect = px, bytewisePx = px;
        for (int frame = 0; frame < 300; ++frame) {
            drift.Step(px.data(), k.w, k.h, pitch);
            bytewise.StepBytewise(bytewisePx.data(), k.w, k.h, pitch);
            ReferenceStep(expect, dir, k.steps, k.w, k.h, pitch);
            ASSERT_EQ(expect, px) << "frame " << frame;
            ASSERT_EQ(expect, bytewisePx) << "frame " << frame;
        }
        for (size_t i = 0; i < dir.size(); ++i) {
            ASSERT_EQ(dir[i], drift.Directions()[i]);
            ASSERT_EQ(dir[i], bytewise.Directions()[i]);
        }
    }
}

TEST(ColorDrift, APictureOfAnotherSizeIsLeftAlone) {
    CColorDrift drift;
    ASSERT_TRUE(drift.Setup(4, 4));
    drift.SetStepSizes(3, 3, 3);
    std::vector<uint8_t> px(16 * 5, 100);
    const std::vector<uint8_t> before = px;
    drift.Step(px.data(), 4, 5, 16);
    EXPECT_EQ(before, px);
    CColorDrift unset;
    unset.Step(px.data(), 4, 5, 16);
    EXPECT_EQ(before, px);
}

TEST_F(BgBitmap, ColourDriftRunsOnTheLoadedPicture) {
    CBgBitmap b;
    b.SetClock(FakeClock);
    b.Pictures.Clear();
    b.Pictures.Add(Picture("a.bmp", 10, 6, {100, 150, 200}).c_str());
    b.NumPictures = 1;
    b.CycleColor = true;
    b.Setup(64, 64);
    b.Process();
    ASSERT_NE(nullptr, b.GetBitmap());
    ASSERT_TRUE(b.Drift().IsSet());
    EXPECT_EQ(10u, b.Drift().GetWidth());
    const uint8_t* px = PlatformImageBits(b.GetBitmap());
    // Red first after the swap, moved by one step already.
    const int expect[3] = {100, 150, 200};
    for (int c = 0; c < 3; ++c)
        EXPECT_EQ(expect[c] + b.Drift().StepSize(c) * b.Drift().Direction(0, 0, c), px[c]) << c;
}

TEST_F(BgBitmap, AStillFirstPictureStillDecodingComesAFewFramesLateWithoutChangingWhatFollows) {
    // Large enough that its decode is still running when the first frame asks.
    const std::string big = Picture("big.bmp", 2400, 1600);
    const struct {
        bool drawAhead, cycleColor;
        int style;
        bool late;
        const char* why;
    } cases[] = {
        {true, false, 0, true, "a still picture: the frames go out without it meanwhile"},
        {false, false, 0, false, "a seeded run waits for it"},
        {true, false, 1, false, "a bouncing one would be behind by the frames it missed"},
        {true, true, 0, false, "so would a drifting one"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        uint32_t after[2] = {};  // the next random number, late and waited for
        int32_t place[2][4] = {};
        for (int run = 0; run < 2; ++run) {
            CBgBitmap b;
            b.SetClock(FakeClock);
            Read(b, Section("\t\t<CyclePictures>true</CyclePictures>\r\n\t\t<CycleColor>" +
                            std::string(c.cycleColor ? "true" : "false") + "</CycleColor>\r\n\t\t<PictureStyle>" +
                            std::to_string(c.style) + "</PictureStyle>\r\n\t\t<NumPictures>1</NumPictures>\r\n" +
                            Entry(0, big)));
            XSeedRandom(77);
            SceneContext scene;
            scene.width = 640;
            scene.height = 480;
            scene.drawAhead = run == 0 && c.drawAhead;
            b.Prepare(scene.drawAhead);
            b.Setup(scene);
            b.Process();
            EXPECT_EQ(1u, b.GetChangeCount());
            if (run == 0) {
                EXPECT_EQ(c.late, b.GetBitmap() == nullptr);
            }
            after[run] = XRandom();
            for (int frame = 0; !b.GetBitmap() && frame < 5000; ++frame) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                b.Process();
            }
            ASSERT_NE(nullptr, b.GetBitmap());
            EXPECT_EQ(1u, b.GetChangeCount());
            const int32_t p[4] = {b.GetX(), b.GetY(), b.GetDx(), b.GetDy()};
            std::copy(p, p + 4, place[run]);
            b.Release();
        }
        EXPECT_EQ(after[1], after[0]);
        EXPECT_TRUE(std::equal(place[0], place[0] + 4, place[1]));
    }
    EXPECT_EQ(0u, Occurrences(Log(), "Load error"));
}
