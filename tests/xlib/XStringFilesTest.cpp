#include "xlib/XString.h"

#include "platform/Paths.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {
const std::string kSep(1, PlatformPathSeparator());

std::string AllBytes() {
    std::string b;
    for (int round = 0; round < 3; ++round)
        for (int i = 0; i < 256; ++i) b += static_cast<char>(i);
    return b;
}
}  // namespace

TEST(XStringFiles, ReadAndWriteRoundTripBinaryContent) {
    TempDir dir;
    const std::string bytes = AllBytes();  // NUL bytes, CR LF and high bytes included
    XString out;
    out.AppendData(bytes.data(), static_cast<unsigned>(bytes.size()));
    ASSERT_TRUE(out.WriteFile(dir.File("bin.dat").c_str())) << out.GetErrorMessage();
    EXPECT_EQ(bytes, ReadWholeFile(dir.File("bin.dat")));
    XString in("previous text");
    ASSERT_TRUE(in.ReadFile(dir.File("bin.dat").c_str(), 4)) << in.GetErrorMessage();
    EXPECT_EQ(bytes.size(), in.GetLength());
    EXPECT_EQ(bytes, std::string(in.View()));
    EXPECT_EQ('\0', in.GetBuffer(0)[in.GetLength()]);
    EXPECT_STREQ("", in.GetErrorMessage());

    // Writing replaces the whole file, shorter content included.
    XString shorter("ab");
    ASSERT_TRUE(shorter.WriteFile(dir.File("bin.dat").c_str()));
    EXPECT_EQ("ab", ReadWholeFile(dir.File("bin.dat")));
}

TEST(XStringFiles, ReadEmptyFileAndReadFailures) {
    TempDir dir;
    WriteWholeFile(dir.File("empty.txt"), "");
    XString s("not empty");
    EXPECT_TRUE(s.ReadFile(dir.File("empty.txt").c_str()));
    EXPECT_TRUE(s.IsEmpty());

    const std::string missing = dir.File("missing.txt");
    EXPECT_FALSE(s.ReadFile(missing.c_str()));
    EXPECT_EQ("Error: in XString::ReadFile failed to open filename=" + missing, s.GetErrorMessage());
    EXPECT_FALSE(s.ReadFile(dir.Path().c_str()));  // a folder is not a file
    EXPECT_EQ("Error: in XString::ReadFile failed to open filename=" + dir.Path(), s.GetErrorMessage());
    EXPECT_FALSE(s.ReadFile(nullptr));
    EXPECT_STREQ("Error: in XString::ReadFile filename is NULL.", s.GetErrorMessage());
    EXPECT_FALSE(s.ReadFile(""));
    EXPECT_STREQ("Error: in XString::ReadFile filename is zero length.", s.GetErrorMessage());
    // The slot is cleared by the next operation.
    EXPECT_TRUE(s.ReadFile(dir.File("empty.txt").c_str()));
    EXPECT_STREQ("", s.GetErrorMessage());
}

TEST(XStringFiles, WriteFileIntoMissingNestedFolders) {
    TempDir dir;
    const std::string target = dir.Path() + "a" + kSep + "b" + kSep + "c" + kSep + "file.xml";
    XString s("<Cfg>1</Cfg>");
    EXPECT_FALSE(s.WriteFile(target.c_str(), false, 4));
    EXPECT_STREQ("Error: in XString::WriteFile filename path does not exist.", s.GetErrorMessage());
    EXPECT_FALSE(FileExists(target));
    ASSERT_TRUE(s.WriteFile(target.c_str(), true, 4)) << s.GetErrorMessage();
    EXPECT_EQ("<Cfg>1</Cfg>", ReadWholeFile(target));
    XString folder((dir.Path() + "a" + kSep + "b").c_str());
    EXPECT_TRUE(folder.PathExists());

    EXPECT_FALSE(s.WriteFile(nullptr));
    EXPECT_STREQ("Error: in XString::WriteFile filename is NULL.", s.GetErrorMessage());
    EXPECT_FALSE(s.WriteFile(""));
    EXPECT_STREQ("Error: in XString::WriteFile filename is zero length.", s.GetErrorMessage());

    // A folder part that cannot be created: one of its components is a file.
    WriteWholeFile(dir.File("plain"), "x");
    const std::string blocked = dir.Path() + "plain" + kSep + "sub";
    EXPECT_FALSE(s.WriteFile((blocked + kSep + "f.txt").c_str(), true));
    EXPECT_EQ("Error: in XString::WriteFile CreateDirectory failed. Msg=Error: in XString::CreateDirectory failed for path=" +
                  blocked,
              s.GetErrorMessage());
    // A folder with the target's name cannot be opened as a file.
    const std::string asFolder = dir.Path() + "a";
    EXPECT_FALSE(s.WriteFile(asFolder.c_str()));
    EXPECT_EQ("Error: in XString::WriteFile failed to open filename=" + asFolder, s.GetErrorMessage());
}

TEST(XStringFiles, CopyFileAndItsFailureTexts) {
    TempDir dir;
    WriteWholeFile(dir.File("src.bmp"), std::string("BM\0\x01", 4));
    XString src(dir.File("src.bmp").c_str());

    EXPECT_FALSE(src.CopyFile(nullptr, true, true));
    EXPECT_STREQ("Error: in XString::CopyFile CopyToFileName is NULL.", src.GetErrorMessage());

    const std::string folder = dir.Path() + "wall" + kSep + "paper";
    const std::string target = folder + kSep + "dyn.bmp";
    EXPECT_FALSE(src.CopyFile(target.c_str(), false, true));
    EXPECT_EQ("Error: in XString::CopyFile the directory path=" + folder +
                  " does not exist. Use bCreatePathNoExist=true to automatically create the path.",
              src.GetErrorMessage());

    ASSERT_TRUE(src.CopyFile(target.c_str(), true, true)) << src.GetErrorMessage();
    EXPECT_EQ(std::string("BM\0\x01", 4), ReadWholeFile(target));
    // An existing target is replaced.
    WriteWholeFile(dir.File("src.bmp"), "second");
    ASSERT_TRUE(src.CopyFile(target.c_str(), false, true)) << src.GetErrorMessage();
    EXPECT_EQ("second", ReadWholeFile(target));
    EXPECT_STREQ("", src.GetErrorMessage());

    XString missing(dir.File("nope.bmp").c_str());
    EXPECT_FALSE(missing.CopyFile(target.c_str(), false, true));
    EXPECT_EQ("Error: in XString::CopyFile failed on file=" + dir.File("nope.bmp") + ". The file may be in use.",
              missing.GetErrorMessage());
    EXPECT_EQ("second", ReadWholeFile(target));

    WriteWholeFile(dir.File("block"), "x");
    const std::string blocked = dir.Path() + "block" + kSep + "in";
    EXPECT_FALSE(src.CopyFile((blocked + kSep + "t.bmp").c_str(), true, true));
    EXPECT_EQ("Error: in XString::CopyFile CreateDirectory failed. Msg=Error: in XString::CreateDirectory failed for path=" +
                  blocked,
              src.GetErrorMessage());
}

TEST(XStringFiles, CreateDirectoryWalksThePath) {
    TempDir dir;
    struct Row {
        std::string path;
        std::string check;
    } rows[] = {
        {dir.Path() + "one" + kSep + "two" + kSep, dir.Path() + "one" + kSep + "two"},  // trailing separator
        {dir.Path() + "x" + kSep + kSep + "y", dir.Path() + "x" + kSep + "y"},          // doubled separator
        {dir.Path() + "one", dir.Path() + "one"},                                        // already there
    };
    for (const Row& r : rows) {
        XString s(r.path.c_str());
        EXPECT_TRUE(s.CreateDirectory()) << r.path << ": " << s.GetErrorMessage();
        EXPECT_TRUE(XString(r.check.c_str()).PathExists()) << r.check;
    }
    XString empty;
    EXPECT_FALSE(empty.CreateDirectory());
    EXPECT_STREQ("Error: in XString::CreateDirectory directory path is zero length.", empty.GetErrorMessage());
    WriteWholeFile(dir.File("file"), "x");
    const std::string under = dir.Path() + "file" + kSep + "sub";
    XString blocked(under.c_str());
    EXPECT_FALSE(blocked.CreateDirectory());
    EXPECT_EQ("Error: in XString::CreateDirectory failed for path=" + under, blocked.GetErrorMessage());
    XString onFile(dir.File("file").c_str());
    EXPECT_FALSE(onFile.CreateDirectory());
}

TEST(XStringFiles, ExistenceQueriesAndDelete) {
    TempDir dir;
    WriteWholeFile(dir.File("f.wav"), "RIFF");
    XString folder(dir.Path().c_str());
    XString folderNoSep(dir.Path().substr(0, dir.Path().size() - 1).c_str());
    XString file(dir.File("f.wav").c_str());
    XString missing(dir.File("gone").c_str());
    EXPECT_TRUE(folder.PathExists());
    EXPECT_TRUE(folderNoSep.PathExists());
    EXPECT_FALSE(file.PathExists());
    EXPECT_FALSE(missing.PathExists());
    EXPECT_TRUE(XString(".").PathExists());  // relative to the current folder
    EXPECT_FALSE(XString("no-such-folder-here").PathExists());
    EXPECT_FALSE(XString().PathExists());
    EXPECT_TRUE(file.FileExists());
    EXPECT_FALSE(folder.FileExists());
    EXPECT_FALSE(missing.FileExists());

    EXPECT_TRUE(file.DeleteFile()) << file.GetErrorMessage();
    EXPECT_FALSE(FileExists(dir.File("f.wav")));
    EXPECT_FALSE(file.DeleteFile());
    EXPECT_EQ("Error: in XString::DeleteFile failed to delete filename=" + dir.File("f.wav"), file.GetErrorMessage());
}

TEST(XStringFiles, SystemFolderEndsInOneSeparator) {
    XString s("junk");
    ASSERT_TRUE(s.GetWindowsDirectory()) << s.GetErrorMessage();
    ASSERT_GE(s.GetLength(), 2u);
    EXPECT_TRUE(s.EndsWith(PlatformPathSeparator()));
    EXPECT_NE(PlatformPathSeparator(), s[s.GetLength() - 2]);
    EXPECT_STREQ("", s.GetErrorMessage());
}

TEST(XStringFiles, CreateGuidForms) {
    XString a, b, bare;
    ASSERT_TRUE(a.CreateGuid(false)) << a.GetErrorMessage();
    ASSERT_TRUE(b.CreateGuid(false));
    ASSERT_TRUE(bare.CreateGuid(true));
    EXPECT_TRUE(a != b);
    ASSERT_EQ(36u, a.GetLength());
    for (unsigned i = 0; i < 36; ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) EXPECT_EQ('-', a[i]) << a.c_str();
        else EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(a[i]))) << a.c_str();
    }
    ASSERT_EQ(32u, bare.GetLength());
    for (unsigned i = 0; i < 32; ++i) EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(bare[i]))) << bare.c_str();
}

TEST(XStringFiles, RegistryRootsOutsideTheTableAreRefused) {
    XString s;
    EXPECT_FALSE(s.ReadRegistryValue("HKCU\\Software\\Tallow Fen Software\\InstallPath"));
    EXPECT_STREQ("Error: in XString::ReadRegistryValue failed. Found unsupported key type = HKCU", s.GetErrorMessage());
    EXPECT_FALSE(s.ReadRegistryValue("hkey_nowhere\\Key\\Value\\"));
    EXPECT_STREQ("Error: in XString::ReadRegistryValue failed. Found unsupported key type = HKEY_NOWHERE",
                 s.GetErrorMessage());
}
