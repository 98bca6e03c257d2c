// The settings dialog's window-free rules: scroll stepping, enable states,
// list texts and the update check's request and reply.
#include "config_dialog/logic/DialogRules.h"

#include <gtest/gtest.h>

#include <string>

#include "scene/CStarFields.h"

TEST(DialogRules, ScrollStepMovesOnlyByLinesAndThumb) {
    struct Case {
        int32_t pos, min, max;
        uint32_t code;
        int32_t thumb, expected;
    };
    const Case cases[] = {
        {5, 0, 100, 0, 0, 4},     {0, 0, 100, 0, 0, 0},      // line up, clamped at the minimum
        {5, 0, 100, 1, 0, 6},     {20, 1, 20, 1, 0, 20},     // line down, clamped at the maximum
        {5, 0, 100, 4, 42, 42},   {5, 0, 100, 5, 77, 77},    // thumb position and track
        {5, 0, 100, 2, 0, 5},     {5, 0, 100, 3, 0, 5},      // page up and down change nothing
        {5, 0, 100, 6, 0, 5},     {5, 0, 100, 7, 0, 5},      // top, bottom
        {5, 0, 100, 8, 0, 5},     {5, 0, 100, 99, 0, 5},     // end of scroll, unknown
    };
    for (const Case& c : cases)
        EXPECT_EQ(ScrollStep(c.pos, c.min, c.max, c.code, c.thumb), c.expected) << "code " << c.code << " at " << c.pos;
}

TEST(DialogRules, StarControlsFollowEnableAndType) {
    struct Case {
        bool enabled;
        int32_t type;
        bool radios, speed, rotate;
    };
    const Case cases[] = {
        {false, kStarsWarp, false, false, false},        {false, kStarsStill, false, false, false},
        {true, kStarsHorizontal, true, true, false},     {true, kStarsVertical, true, true, false},
        {true, kStarsWarp, true, true, true},            {true, kStarsStill, true, false, false},
    };
    for (const Case& c : cases) {
        StarEnables e = StarEnableStates(c.enabled, c.type);
        EXPECT_EQ(e.typeRadios, c.radios) << c.enabled << c.type;
        EXPECT_EQ(e.colour, c.radios);
        EXPECT_EQ(e.amount, c.radios);
        EXPECT_EQ(e.speed, c.speed) << c.enabled << c.type;
        EXPECT_EQ(e.rotate, c.rotate) << c.enabled << c.type;
    }
}

TEST(DialogRules, PictureControlsFollowCyclingAndTheList) {
    EXPECT_FALSE(PictureEnableStates(false, 3).controls);
    EXPECT_FALSE(PictureEnableStates(false, 3).remove);
    EXPECT_TRUE(PictureEnableStates(true, 0).controls);
    EXPECT_FALSE(PictureEnableStates(true, 0).remove);
    EXPECT_TRUE(PictureEnableStates(true, 1).remove);
}

TEST(DialogRules, UpdateReplyNeedsTrueInAnyCase) {
    const std::pair<const char*, bool> cases[] = {
        {"<Update>TRUE</Update>", true},        {"x<Update>True</Update>y", true},
        {"<Update>true</Update>", true},         {"", false},
        {"<Update></Update>", false},            {"<Update>false</Update>", false},
        {"<Update>trueish</Update>", false},     {"<Update> true</Update>", false},
        {"<Update>true", false},                 {"true", false},
    };
    for (const auto& [reply, yes] : cases) EXPECT_EQ(UpdateReplySaysYes(reply), yes) << reply;
}

TEST(DialogRules, UpdatePathsEncodeTheName) {
    struct Case {
        const char* name;
        bool show;
        const char* path;
    } const cases[] = {
        {"Meadowglow", false, "/cgi-bin/ShowProduct.exe?cmd=CheckUpdates&product=Meadowglow&version=2.0"},
        {"Meadowglow", true, "/cgi-bin/ShowProduct.exe?cmd=ShowUpdates&product=Meadowglow&version=2.0"},
        // The shared query encoder: a blank is "+", and nothing in the name
        // can split the query.
        {"a b&c=d/\xC3\xA9~", false, "/cgi-bin/ShowProduct.exe?cmd=CheckUpdates&product=a+b%26c%3Dd%2F%C3%A9%7E&version=2.0"},
    };
    for (const Case& c : cases) EXPECT_EQ(UpdatePath(c.name, c.show), c.path) << c.name;
}

TEST(DialogRules, DigitsFieldValues) {
    const std::pair<const char*, uint32_t> cases[] = {
        {"", 0}, {"0", 0}, {"250", 250}, {"12ab", 12}, {"x5", 0}, {"4294967295", 4294967295u}, {"99999999999", 4294967295u},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(DigitsValue(text), value) << text;
}

TEST(DialogRules, OptionListOpensThePageOfEachEntry) {
    const auto& entries = OptionListEntries();
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(OptionPageForText("Please select an option"), OptionPage::None);
    EXPECT_EQ(OptionPageForText("Nonsense"), OptionPage::None);
    EXPECT_EQ(OptionPageForText("Background / Star Fields"), OptionPage::Background);
    EXPECT_EQ(OptionPageForText("Rendering"), OptionPage::Rendering);
    EXPECT_EQ(OptionPageForText("Special Effects"), OptionPage::Effects);
    EXPECT_EQ(OptionPageForText("Weather Data"), OptionPage::Weather);
    for (size_t i = 1; i < entries.size(); ++i) EXPECT_EQ(static_cast<size_t>(OptionPageForText(entries[i])), i);
}

TEST(DialogRules, LabelTexts) {
    EXPECT_EQ(MinutesLabel(0), "0 minutes");
    EXPECT_EQ(MinutesLabel(60), "60 minutes");
    EXPECT_EQ(AboutText().rfind("Meadowglow\r\nVersion 2.0", 0), 0u);
    EXPECT_EQ(DialogCaption().rfind("Meadowglow v2.0", 0), 0u);
    ASSERT_EQ(StarSchemeNames().size(), 20u);
    EXPECT_EQ(StarSchemeNames()[11], "Blue and White");
    EXPECT_EQ(StarSchemeNames()[18], "Realistic");
}

TEST(DialogRules, FileOpenBufferGivesFullPaths) {
    struct Case {
        std::string buffer;
        std::vector<std::string> paths;
    };
    using namespace std::string_literals;
    const Case cases[] = {
        {"C:\\pics\\a.bmp\0\0"s, {"C:\\pics\\a.bmp"}},
        {"C:\\pics\0a.bmp\0b.jpg\0\0"s, {"C:\\pics\\a.bmp", "C:\\pics\\b.jpg"}},
        {"C:\\\0a.bmp\0b.jpg\0\0"s, {"C:\\a.bmp", "C:\\b.jpg"}},
        {"\0\0"s, {}},
        {"C:\\unterminated"s, {"C:\\unterminated"}},
    };
    for (const Case& c : cases) EXPECT_EQ(SplitOpenFileNames(c.buffer.data(), c.buffer.size(), '\\'), c.paths) << c.buffer;
}
