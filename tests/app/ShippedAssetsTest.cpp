#include "app/ShippedAssets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/TestSupport.h"

TEST(ShippedAssets, NamesCoverSpritesEnvelopesPicturesAndHelp) {
    const auto& names = ShippedAssetNames();
    EXPECT_EQ(19u, names.size());
    for (const char* n : {"ladybug0.bmp", "ladybug1.bmp", "wormbug0.bmp", "wormbug1.bmp", "beebug0.bmp", "beebug1.bmp",
                          "Email_A.bmp", "Email_B.bmp", "critterpic1.jpg", "critterpic10.jpg", "Help.htm"})
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), n)) << n;
}

TEST(ShippedAssets, CopiesOnlyWhatIsMissing) {
    TempDir from;
    TempDir home;
    const std::string to = home.Path() + "nested" + (from.Path().back() == '/' ? "/" : "\\");
    WriteWholeFile(from.File("ladybug0.bmp"), "shipped sprite");
    WriteWholeFile(from.File("critterpic3.jpg"), "shipped picture");
    WriteWholeFile(from.File("Help.htm"), "shipped help");
    WriteWholeFile(from.File("unrelated.txt"), "not ours");

    // The installation directory does not exist yet: it is made.
    EXPECT_EQ(3u, InstallShippedAssets(from.Path(), to));
    EXPECT_EQ("shipped sprite", ReadWholeFile(to + "ladybug0.bmp"));
    EXPECT_EQ("shipped help", ReadWholeFile(to + "Help.htm"));
    EXPECT_FALSE(FileExists(to + "unrelated.txt"));
    EXPECT_FALSE(FileExists(to + "ladybug1.bmp"));

    // The user's own version is never replaced; a second start copies nothing.
    WriteWholeFile(to + "Help.htm", "edited by the user");
    EXPECT_EQ(0u, InstallShippedAssets(from.Path(), to));
    EXPECT_EQ("edited by the user", ReadWholeFile(to + "Help.htm"));

    // Nothing to do when the program runs from the installation directory, or
    // its folder is unknown.
    EXPECT_EQ(0u, InstallShippedAssets(to, to));
    EXPECT_EQ(0u, InstallShippedAssets("", to));
}
