#include "app/ShippedAssets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/FileSystem.h"
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

// Where an installed program finds its art: beside it, or in the prefix's
// share/meadowglow/ from bin/ or from libexec/xscreensaver/.
TEST(ShippedAssets, FoundBesideTheProgramOrInTheInstalledDataFolder) {
    struct Case {
        const char* what;
        std::vector<std::string> programPath;  // folders below the prefix
        bool besideProgram;
        bool inShare;
        bool expectShare;
    };
    const Case cases[] = {
        {"build folder", {"build"}, true, false, false},
        {"bin/", {"bin"}, false, true, true},
        {"libexec/xscreensaver/", {"libexec", "xscreensaver"}, false, true, true},
        {"beside wins over share", {"bin"}, true, true, false},
        {"nowhere: the program folder", {"bin"}, false, false, false},
    };
    for (const Case& c : cases) {
        TempDir prefix;
        const std::string sep(1, prefix.Path().back());
        std::string program = prefix.Path();
        for (const std::string& part : c.programPath) {
            program += part + sep;
            PlatformMakeDirectory(program.c_str());
        }
        const std::string share = prefix.Path() + "share" + sep + "meadowglow" + sep;
        PlatformMakeDirectory((prefix.Path() + "share").c_str());
        PlatformMakeDirectory(share.c_str());
        if (c.besideProgram) WriteWholeFile(program + ShippedAssetNames().front(), "beside");
        if (c.inShare) WriteWholeFile(share + ShippedAssetNames().front(), "shared");
        const std::string found = FindShippedAssetDir(program);
        if (c.expectShare)
            EXPECT_EQ("shared", ReadWholeFile(found + ShippedAssetNames().front())) << c.what;
        else
            EXPECT_EQ(program, found) << c.what;
    }
}
