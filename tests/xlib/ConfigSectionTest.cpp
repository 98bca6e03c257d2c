#include "xlib/ConfigSection.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {
std::string S(const XString& x) { return std::string(x.View()); }
}  // namespace

TEST(ConfigSection, SectionAndKeyLookup) {
    const XString whole(
        "<ConfigFile name=\"M\">\r\n\t<VideoMode>\r\n\t\t<Mode>3</Mode>\r\n\t</VideoMode>\r\n"
        "\t<General>\r\n\t\t<SaverSpeed>25</SaverSpeed>\r\n\t</General>\r\n</ConfigFile>");
    const XString general = ConfigSectionText(whole, "General");
    EXPECT_EQ("\r\n\t\t<SaverSpeed>25</SaverSpeed>\r\n\t", S(general));
    EXPECT_EQ(25, ConfigReadInt(general, "SaverSpeed"));
    EXPECT_EQ(3, ConfigReadInt(ConfigSectionText(whole, "VideoMode"), "Mode"));
    // Missing section and missing keys.
    EXPECT_TRUE(ConfigSectionText(whole, "Stars").IsEmpty());
    EXPECT_EQ(0, ConfigReadInt(general, "RenderStyle"));
    EXPECT_EQ(0u, ConfigReadUInt(general, "RenderStyle"));
    EXPECT_FALSE(ConfigReadBool(general, "RenderStyle"));
    EXPECT_TRUE(ConfigReadText(general, "RenderStyle").IsEmpty());
    // An opening tag without its closing tag counts as missing.
    EXPECT_TRUE(ConfigSectionText(XString("<General><A>1</A>"), "General").IsEmpty());
    // The closing tag must come after the opening one.
    EXPECT_TRUE(ConfigReadText(XString("</A>x<A>"), "A").IsEmpty());
    EXPECT_TRUE(ConfigSectionText(XString(), "General").IsEmpty());
}

TEST(ConfigSection, ValueContainingItsClosingTagIsCut) {
    EXPECT_EQ("ab", S(ConfigReadText(XString("<T>ab</T>cd</T>"), "T")));
    // The first occurrence wins when a key appears twice.
    EXPECT_EQ(1, ConfigReadInt(XString("<N>1</N><N>2</N>"), "N"));
}

TEST(ConfigSection, Numbers) {
    struct Case {
        const char* text;
        int32_t asInt;
        uint32_t asUInt;
    } cases[] = {
        {"<V>42</V>", 42, 42u},
        {"<V>-2</V>", -2, 4294967294u},
        {"<V>12abc</V>", 12, 12u},
        {"<V>abc</V>", 0, 0u},
        {"<V></V>", 0, 0u},
        {"<V>4294967295</V>", INT32_MAX, 4294967295u},
        {"<V>99999999999</V>", INT32_MAX, 4294967295u},
        {"<V> 7</V>", 7, 7u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.asInt, ConfigReadInt(XString(c.text), "V")) << c.text;
        EXPECT_EQ(c.asUInt, ConfigReadUInt(XString(c.text), "V")) << c.text;
    }
}

TEST(ConfigSection, Booleans) {
    struct Case {
        const char* value;
        bool prefix;
        bool exact;
    } cases[] = {
        {"true", true, true},   {"TRUE", true, true},    {"True", true, true},  {"trueish", true, false},
        {"false", false, false}, {"yes", false, false},  {"1", false, false},   {"", false, false},
        {"tru", false, false},   {" true", false, false},
    };
    for (const Case& c : cases) {
        const XString section(("<B>" + std::string(c.value) + "</B>").c_str());
        EXPECT_EQ(c.prefix, ConfigReadBool(section, "B")) << c.value;
        EXPECT_EQ(c.exact, ConfigReadBoolExact(section, "B")) << c.value;
    }
}

TEST(ConfigSection, WriterLayout) {
    XString out;
    ConfigFileBegin(out, "Meadowglow");
    {
        ConfigSectionWriter w(out, "Sec");
        w.UInt("U", 4294967295u);
        w.Int("I", -5);
        w.Bool("T", true);
        w.Bool("F", false);
        w.Text("S", "a b\r\nc");
        w.Open("Rem_0");
        w.Text("Date", "20240101");
        w.Close();
        w.Close();
        EXPECT_TRUE(w.IsClosed());
    }
    ConfigFileEnd(out);
    EXPECT_EQ(
        "<ConfigFile name=\"Meadowglow\">\r\n"
        "\t<Sec>\r\n"
        "\t\t<U>4294967295</U>\r\n"
        "\t\t<I>-5</I>\r\n"
        "\t\t<T>true</T>\r\n"
        "\t\t<F>false</F>\r\n"
        "\t\t<S>a b\r\nc</S>\r\n"
        "\t\t<Rem_0>\r\n"
        "\t\t\t<Date>20240101</Date>\r\n"
        "\t\t</Rem_0>\r\n"
        "\t</Sec>\r\n"
        "</ConfigFile>",
        S(out));
}

TEST(ConfigSection, WriterClosesWhatIsLeftOpen) {
    XString out;
    {
        ConfigSectionWriter w(out, "A");
        w.Open("B");
        w.Int("K", 1);
    }
    EXPECT_EQ("\t<A>\r\n\t\t<B>\r\n\t\t\t<K>1</K>\r\n\t\t</B>\r\n\t</A>\r\n", S(out));
}

TEST(ConfigSection, WrittenValuesReadBack) {
    XString out;
    {
        ConfigSectionWriter w(out, "X");
        w.Int("Neg", INT32_MIN);
        w.UInt("Big", 3000000000u);
        w.Bool("On", true);
        w.Text("Msg", "line1\r\nline2");
    }
    const XString sec = ConfigSectionText(out, "X");
    EXPECT_EQ(INT32_MIN, ConfigReadInt(sec, "Neg"));
    EXPECT_EQ(3000000000u, ConfigReadUInt(sec, "Big"));
    EXPECT_TRUE(ConfigReadBoolExact(sec, "On"));
    EXPECT_EQ("line1\r\nline2", S(ConfigReadText(sec, "Msg")));
}

// A numbered list is read from the tags that are there: what a count claims
// never makes the reader try indices one by one.
TEST(ConfigSection, NumberedListFollowsTheTagsPresent) {
    struct Case {
        const char* text;
        uint64_t count;
        std::vector<std::pair<uint32_t, std::string>> entries;
    } cases[] = {
        {"<P_1>b</P_1><P_0>a</P_0>", 2, {{0, "a"}, {1, "b"}}},
        {"<P_0>a</P_0><P_0>again</P_0>", 5, {{0, "a"}}},                            // doubled: the first wins
        {"<P_0>a</P_0><P_4000000000>far</P_4000000000>", 4294967295u, {{0, "a"}, {4000000000u, "far"}}},
        {"<P_0>a</P_0><P_7>x</P_7>", 7, {{0, "a"}}},                                 // at or past the count
        {"<P_01>zero</P_01><P_>none</P_><P_x>no</P_x><P_99999999999>big</P_99999999999>", 4294967295u, {}},
        {"<P_0>open<P_1>b</P_1>", 2, {{0, ""}, {1, "b"}}},                           // no closing tag: empty
        {"<P_0></P_0>", 1, {{0, ""}}},
        {"<P_0>a<P_1>inner</P_1></P_0><P_1>outer</P_1>", 2, {{0, "a<P_1>inner</P_1>"}, {1, "inner"}}},
        {"</P_0>x<P_0>y</P_0>", 1, {{0, "y"}}},                                      // a close before the open
        {"<P_0>a</P_0>", 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::pair<uint32_t, std::string>> got;
        for (const ConfigListEntry& e : ConfigReadList(XString(c.text), "P", c.count))
            got.emplace_back(e.index, S(e.value));
        EXPECT_EQ(c.entries, got) << c.text;
    }
    // Each entry agrees with reading its key on its own.
    const XString text("<P_2>c</P_2><P_0>a</P_0>x</P_0><P_1> b </P_1>");
    for (const ConfigListEntry& e : ConfigReadList(text, "P", 3))
        EXPECT_EQ(S(ConfigReadText(text, "P_" + std::to_string(e.index))), S(e.value));
}

TEST(ConfigSection, ClampedNumbers) {
    struct Case {
        const char* text;
        int64_t used;
    } cases[] = {
        {"<V>5</V>", 5},   {"<V>-1</V>", 0},  {"<V>+7</V>", 7},  {"<V>101</V>", 100},
        {"<V>99999999999999999999999</V>", 100}, {"<V>-99999999999999999999999</V>", 0},
        {"<V>abc</V>", 0}, {"<V> 12x</V>", 12}, {"", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.used, ConfigReadClamped(XString(c.text), "S", "V", 0, 100)) << c.text;
}

// Whatever a value holds, writing it and reading it back gives the same text,
// and a value never opens or closes a tag of the file. Values without "<" or
// ">" are written byte for byte as before.
TEST(ConfigSection, ValuesRoundTripWithoutChangingTheStructure) {
    struct Case {
        const char* value;
        const char* written;  // the key's line as written, without its tabs and line end
    } cases[] = {
        {"plain", "<K>plain</K>"},
        {"http://a.example/?x=1&y=2", "<K>http://a.example/?x=1&y=2</K>"},
        {"&lt; stays as typed", "<K>&lt; stays as typed</K>"},
        {"C:\\Tom & Jerry\\a.jpg", "<K>C:\\Tom & Jerry\\a.jpg</K>"},
        {"a < b", "<K escaped=\"true\">a &lt; b</K>"},
        {"x > y & z", "<K escaped=\"true\">x &gt; y &amp; z</K>"},
        {"&lt;<", "<K escaped=\"true\">&amp;lt;&lt;</K>"},
        {"</K></Sec><Other><K>evil</K>", "<K escaped=\"true\">&lt;/K&gt;&lt;/Sec&gt;&lt;Other&gt;&lt;K&gt;evil&lt;/K&gt;</K>"},
        {"<K escaped=\"true\">", "<K escaped=\"true\">&lt;K escaped=\"true\"&gt;</K>"},
    };
    for (const Case& c : cases) {
        XString out;
        {
            ConfigSectionWriter w(out, "Sec");
            w.Text("Before", "1");
            w.Text("K", c.value);
            w.Text("After", "2");
        }
        {
            ConfigSectionWriter w(out, "Other");
            w.Text("K", "kept");
        }
        const std::string all = S(out);
        EXPECT_NE(std::string::npos, all.find("\t\t" + std::string(c.written) + "\r\n")) << all;
        const XString sec = ConfigSectionText(out, "Sec");
        EXPECT_EQ(c.value, S(ConfigReadText(sec, "K"))) << all;
        EXPECT_EQ("1", S(ConfigReadText(sec, "Before"))) << all;
        EXPECT_EQ("2", S(ConfigReadText(sec, "After"))) << all;
        EXPECT_EQ("kept", S(ConfigReadText(ConfigSectionText(out, "Other"), "K"))) << all;
        // The same value as a list entry.
        XString list;
        {
            ConfigSectionWriter w(list, "L");
            w.Text("E_0", "first");
            w.Text("E_1", c.value);
            w.Text("E_2", "third");
        }
        std::vector<std::pair<uint32_t, std::string>> got;
        for (const ConfigListEntry& e : ConfigReadList(ConfigSectionText(list, "L"), "E", 3))
            got.emplace_back(e.index, S(e.value));
        const std::vector<std::pair<uint32_t, std::string>> want{{0, "first"}, {1, c.value}, {2, "third"}};
        EXPECT_EQ(want, got) << S(list);
    }
}

// Text found in files written before values were escaped reads as it did.
TEST(ConfigSection, UnmarkedValuesReadRaw) {
    struct Case {
        const char* text;
        const char* value;
    } cases[] = {
        {"<K>a &amp; b</K>", "a &amp; b"},
        {"<K>x &lt;y&gt;</K>", "x &lt;y&gt;"},
        {"<K>a>b</K>", "a>b"},
        {"<K escaped=\"true\">1 &lt; 2</K><K>later</K>", "1 < 2"},     // the first opening tag wins
        {"<K>first</K><K escaped=\"true\">&lt;</K>", "first"},
        {"<K escaped=\"true\">&amp &zz; &</K>", "&amp &zz; &"},      // no entity: kept
        {"<K escaped=\"true\"></K>", ""},
        {"<K escaped=\"true\">open", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, S(ConfigReadText(XString(c.text), "K"))) << c.text;
}
