// The generic settings routine: one owner with a row of every kind, written
// in the file's spelling and read back with each kind's own rules.
#include "xlib/SettingsTable.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/TestSupport.h"
#include "xlib/RunLog.h"
#include "xlib/XPaths.h"

namespace {
struct Owner {
    bool plain, exact;
    int32_t sign, wrapped, hour;
    uint32_t count, bounded;
    XString text, capped, trimmed, optional;
    XDateTime when;
    int listed = 0;
};

int32_t Hour(const Owner& o) { return o.hour; }
void SetHour(Owner& o, int32_t h) {
    // As a time keeps only a valid hour.
    if (h >= 0 && h < 24) o.hour = h;
}

constexpr Setting<Owner> kRows[] = {
    SettingOf("Plain", &Owner::plain, true).Label("A switch"),
    SettingOf("Exact", &Owner::exact, false).Exact(),
    SettingOf("Sign", &Owner::sign, -3).Signed(),
    SettingOf("Wrapped", &Owner::wrapped, 7),
    SettingOf<Owner>("Hour", Hour, SetHour, 6),
    SettingOf("Count", &Owner::count, 7u).WrittenAs([](const Owner& o) { return static_cast<uint32_t>(o.listed); }),
    SettingOf("Bounded", &Owner::bounded, 5u).Clamp(1, 9).In("Group"),
    SettingOf("Text", &Owner::text, "a<b").In("Group"),
    SettingOf("Capped", &Owner::capped, "").Cap(4),
    SettingOf("Trimmed", &Owner::trimmed, "").Trim(),
    SettingOf("Optional", &Owner::optional, "").WhenSet(),
    SettingOf("When", &Owner::when, "YYYYMMDDhhmmtt"),
};
constexpr SettingsTable<Owner> kTable("Test", kRows);

std::string Written(const Owner& o) {
    XString out;
    kTable.WriteSection(o, out);
    return std::string(out.View());
}
}  // namespace

TEST(SettingsTable, DefaultsWriteInTheFilesSpellingAndReadBack) {
    Owner o;
    kTable.Default(o);
    o.listed = 2;
    ASSERT_TRUE(o.when.Parse("202612090330PM", "YYYYMMDDhhmmtt"));
    const std::string text = Written(o);
    EXPECT_EQ("\t<Test>\r\n"
              "\t\t<Plain>true</Plain>\r\n"
              "\t\t<Exact>false</Exact>\r\n"
              "\t\t<Sign>-3</Sign>\r\n"
              "\t\t<Wrapped>7</Wrapped>\r\n"
              "\t\t<Hour>6</Hour>\r\n"
              "\t\t<Count>2</Count>\r\n"
              "\t\t<Group>\r\n"
              "\t\t\t<Bounded>5</Bounded>\r\n"
              "\t\t\t<Text escaped=\"true\">a&lt;b</Text>\r\n"
              "\t\t</Group>\r\n"
              "\t\t<Capped></Capped>\r\n"
              "\t\t<Trimmed></Trimmed>\r\n"
              "\t\t<When>202612090330PM</When>\r\n"
              "\t</Test>\r\n",
              text);

    Owner back;
    ASSERT_TRUE(kTable.Read(back, XString(text.c_str())));
    EXPECT_EQ(Written(o), Written([&] {
                  back.listed = 2;
                  return back;
              }()));
    EXPECT_EQ(2u, back.count);
    EXPECT_EQ("a<b", std::string(back.text.View()));
    EXPECT_NE(nullptr, kTable.Find("Bounded"));
    EXPECT_STREQ("A switch", kTable.Find("Plain")->label);
}

TEST(SettingsTable, EachKindReadsByItsOwnRules) {
    TempDir dir;
    const std::string oldInstall = GetInstallPath();
    SetInstallPath(dir.Path());
    ForgetRunLogRepeats();
    struct Case {
        const char* section;
        bool plain, exact;
        int32_t sign, hour;
        uint32_t bounded;
        const char *capped, *trimmed;
        unsigned logEntries;
    };
    const Case cases[] = {
        // A key missing inside a present section reads 0, false or empty;
        // the bounded one is then brought up to its lower bound.
        {"<Plain>x</Plain>", false, false, 0, 0, 1, "", "", 1},
        // "true" as a prefix counts for a plain switch, not for an exact one.
        {"<Plain>TRUEish</Plain><Exact>trueish</Exact><Group><Bounded>9</Bounded></Group>", true, false, 0, 0, 9, "",
         "", 0},
        {"<Exact>True</Exact><Sign>-12x</Sign><Hour>23</Hour><Group><Bounded>3</Bounded></Group>", false, true, -12,
         23, 3, "", "", 0},
        // Out of bounds: brought inside, one run-log entry each.
        {"<Group><Bounded>99999999999999999999</Bounded></Group><Capped>abcdefg</Capped>", false, false, 0, 0, 9,
         "abcd", "", 2},
        // An hour the owner refuses keeps what it had; blanks go from a trimmed text.
        {"<Hour>31</Hour><Group><Bounded>-4</Bounded></Group><Trimmed>  x y  </Trimmed>", false, false, 0, 6, 1, "",
         "x y", 1},
    };
    for (const Case& c : cases) {
        WriteWholeFile(dir.File("RunLog.txt"), "");
        Owner o;
        kTable.Default(o);
        ASSERT_TRUE(kTable.Read(o, XString((std::string("<Test>") + c.section + "</Test>").c_str()))) << c.section;
        EXPECT_EQ(c.plain, o.plain) << c.section;
        EXPECT_EQ(c.exact, o.exact) << c.section;
        EXPECT_EQ(c.sign, o.sign) << c.section;
        EXPECT_EQ(c.hour, o.hour) << c.section;
        EXPECT_EQ(c.bounded, o.bounded) << c.section;
        EXPECT_EQ(c.capped, std::string(o.capped.View())) << c.section;
        EXPECT_EQ(c.trimmed, std::string(o.trimmed.View())) << c.section;
        const std::string log = ReadWholeFile(dir.File("RunLog.txt"));
        size_t entries = 0;
        for (size_t at = log.find("Settings"); at != std::string::npos; at = log.find("Settings", at + 1)) ++entries;
        EXPECT_EQ(c.logEntries, entries) << c.section << "\n" << log;
        ForgetRunLogRepeats();
    }
    SetInstallPath(oldInstall);
}

TEST(SettingsTable, MissingSectionChangesNothingAndBadDatesKeepTheirValue) {
    Owner o;
    kTable.Default(o);
    o.sign = 42;
    EXPECT_FALSE(kTable.Read(o, XString("<Other><Sign>1</Sign></Other>")));
    EXPECT_FALSE(kTable.Read(o, XString("<Test></Test>")));
    EXPECT_EQ(42, o.sign);

    o.when.Parse("20301231235959", "YYYYMMDDHHmmss");
    ASSERT_TRUE(kTable.Read(o, XString("<Test><When>not a date</When></Test>")));
    EXPECT_EQ(2030, o.when.GetYear());
    EXPECT_EQ(59, o.when.GetSecond());
    // A stored minute is read as its start.
    ASSERT_TRUE(kTable.Read(o, XString("<Test><When>202501020304AM</When></Test>")));
    EXPECT_EQ(2025, o.when.GetYear());
    EXPECT_EQ(3, o.when.GetHour());
    EXPECT_EQ(4, o.when.GetMinute());
    EXPECT_EQ(0, o.when.GetSecond());
    // An optional text is written once it is set.
    o.optional = "kept";
    EXPECT_NE(std::string::npos, Written(o).find("\t\t<Optional>kept</Optional>\r\n"));
}
