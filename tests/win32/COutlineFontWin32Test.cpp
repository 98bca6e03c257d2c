#include "render/COutlineFont.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/GLInclude.h"
#include "tests/GLTestContext.h"
#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

// Without a device context the outline call has no font to read: Create
// fails into the run log, builds nothing and leaves no list names reserved.
TEST(OutlineFontWin32, CreateWithoutDeviceContextIsLoggedAndBuildsNothing) {
    GLTestContext gl(64, 64);
    ASSERT_TRUE(gl.IsReady()) << gl.Error();
    std::string before = ReadWholeFile(InstallDir() + "RunLog.txt");
    COutlineFont font;
    EXPECT_FALSE(font.Create(nullptr, "Arial", 0.05f, 1, 0.5f, 700));
    EXPECT_FALSE(font.IsCreated());
    EXPECT_EQ(0.0f, font.GetMetrics('A').cellIncX);
    std::string log = ReadWholeFile(InstallDir() + "RunLog.txt").substr(before.size());
    EXPECT_NE(std::string::npos, log.find("Subject = XException\r\n")) << log;
    EXPECT_NE(std::string::npos, log.find("Message = While in COutlineFont::Create. Msg=Exception(Basalt): Class "
                                          "COutlineFont, Msg=in Create the glyph outlines failed: no device context"))
        << log;
    // The names reserved in this fresh context (1..256, which a reservation
    // makes into empty lists) were given back.
    EXPECT_FALSE(glIsList(1));
    EXPECT_FALSE(glIsList(256));
}
