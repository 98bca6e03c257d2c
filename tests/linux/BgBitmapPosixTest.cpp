// Picture names on a file system that tells letter cases apart.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/ImageDecoder.h"
#include "scene/CBgBitmap.h"
#include "tests/TestSupport.h"
#include "tests/render/TestBitmaps.h"
#include "xlib/XPaths.h"

TEST(BgBitmapPosix, ANameWithCapitalsIsKeptWhenOnlyItExists) {
    TempDir dir;
    const std::string saved = GetInstallPath();
    SetInstallPath(dir.Path());
    // A home folder with capitals, as MEADOWGLOW_HOME may name one.
    const std::string folder = dir.Path() + "My Pictures/";
    ASSERT_EQ(0, mkdir(folder.c_str(), 0755));
    const std::string upper = folder + "Holiday.JPG", lower = folder + "lake.bmp";
    WriteWholeFile(upper, "x");
    WriteWholeFile(lower, MakeBmp24(4, 2, std::vector<Rgb>(8, Rgb{1, 2, 3})));
    const std::string mixedLower = folder + "Lake.BMP";  // only "lake.bmp" is on disk
    CBgBitmap b;
    const std::string text = "<BgBitmap>\r\n\t\t<NumPictures>3</NumPictures>\r\n\t\t<Picture_0> " + upper +
                             "</Picture_0>\r\n\t\t<Picture_1>" + mixedLower + "</Picture_1>\r\n\t\t<Picture_2>" +
                             dir.Path() + "MY PICTURES/lake.bmp</Picture_2>\r\n</BgBitmap>";
    b.Read(XString(text.c_str()));
    ASSERT_EQ(1u, b.Pictures.GetCount());
    EXPECT_EQ(upper, std::string(b.Pictures[0].c_str()));
    // The folder's capitals are kept too, so the shipped pictures are found
    // in such a home folder.
    CBgBitmap defaults;
    XString section("<BgBitmap>\r\n\t\t<NumPictures>1</NumPictures>\r\n\t\t<Picture_0>");
    section += (folder + "lake.bmp").c_str();
    section += "</Picture_0>\r\n</BgBitmap>";
    defaults.Read(section);
    ASSERT_EQ(1u, defaults.Pictures.GetCount());
    EXPECT_EQ(folder + "lake.bmp", std::string(defaults.Pictures[0].c_str()));
    SetInstallPath(saved);
}
