#include "xlib/XString.h"

#include "tests/TestSupport.h"
#include "xlib/XPaths.h"
#include "xlib/XStringArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
const unsigned kRest = XString::kRest;

// Runs `f`, expecting an XException with the given code and exact text.
template <class F>
void ExpectThrow(F&& f, uint32_t code, const std::string& text) {
    try {
        f();
        ADD_FAILURE() << "no exception, expected: " << text;
    } catch (const XException& e) {
        EXPECT_EQ(code, e.GetCode());
        EXPECT_EQ(text, e.GetMessage());
    }
}

std::string Ex(const std::string& msg) { return "Exception(Basalt): Class XString, Msg=" + msg; }

std::vector<std::string> Pieces(XStringArray& a) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < a.GetCount(); ++i) out.emplace_back(a.Get(i).View());
    return out;
}
}  // namespace

// ---------------------------------------------------------------- storage

TEST(XString, BuiltInBufferHoldsSixtyFourThenMovesToHeapForGood) {
    XString s(std::string(64, 'a').c_str());
    EXPECT_TRUE(s.IsBuiltIn());
    EXPECT_EQ(65u, s.GetCapacity());
    s.Append('b');
    EXPECT_FALSE(s.IsBuiltIn());
    // 64 + 1 + 1 + extra, extra = trunc((1 - 1/1 + 1) * 32.5 + 256) after one append.
    EXPECT_EQ(66u + 288u, s.GetCapacity());
    EXPECT_EQ(1u, s.GetGrowthCount());
    EXPECT_EQ(1u, s.GetAppendCount());
    EXPECT_FLOAT_EQ(32.5f, s.GetAverageAppendSize());
    EXPECT_EQ(std::string(64, 'a') + "b", s.View());

    s = "short";  // never moves back, and assignment resets the statistics
    EXPECT_FALSE(s.IsBuiltIn());
    EXPECT_EQ(354u, s.GetCapacity());
    EXPECT_EQ(0u, s.GetGrowthCount());
    EXPECT_EQ(0u, s.GetAppendCount());
    EXPECT_FLOAT_EQ(64.0f, s.GetAverageAppendSize());
    EXPECT_EQ('\0', *s.GetBuffer(5));
}

TEST(XString, AssignmentAndFirstMakeSizeAreExact) {
    XString s;
    s = std::string(100, 'x').c_str();
    EXPECT_EQ(101u, s.GetCapacity());
    XString t;
    t.MakeSize(500);
    EXPECT_EQ(501u, t.GetCapacity());
    EXPECT_EQ(0u, t.GetGrowthCount());
    t.MakeSize(10);  // enough room already
    EXPECT_EQ(501u, t.GetCapacity());
}

TEST(XString, ManyAppendsReallocateRarely) {
    XString s;
    for (int i = 0; i < 10000; ++i) s += "0123456789";
    EXPECT_EQ(100000u, s.GetLength());
    EXPECT_EQ(10000u, s.GetAppendCount());
    EXPECT_LT(s.GetGrowthCount(), 25u);
    EXPECT_GE(s.GetCapacity(), s.GetLength() + 1);
}

TEST(XString, OneHugeAppendAfterManySmallOnesDoesNotOverReserve) {
    XString s;
    for (int i = 0; i < 5000; ++i) s.Append('x');
    s.Append(std::string(1 << 20, 'y').c_str());
    // The learned extra is capped near the text's own size.
    EXPECT_LT(s.GetCapacity(), 3u * s.GetLength());
}

TEST(XString, ConstructorsAndNumberAssignments) {
    EXPECT_EQ("-42", XString(-42).View());
    EXPECT_EQ("4294967295", XString(4294967295ul).View());
    EXPECT_EQ("-7", XString(-7l).View());
    EXPECT_EQ("q", XString('q').View());
    EXPECT_EQ("", XString(static_cast<const char*>(nullptr)).View());
    XString s;
    s = 18446744073709551615ull;
    EXPECT_EQ("18446744073709551615", s.View());
    s = 12;
    EXPECT_EQ("12", s.View());
    s = 7u;
    EXPECT_EQ("7", s.View());
    s = 'z';
    EXPECT_EQ("z", s.View());
    s = static_cast<const char*>(nullptr);
    EXPECT_EQ("z", s.View());
    XString copy(s);
    EXPECT_EQ("z", copy.View());
    XString big(std::string(200, 'b').c_str());
    XString moved(std::move(big));
    EXPECT_EQ(std::string(200, 'b'), moved.View());
    EXPECT_TRUE(big.IsEmpty());
    big = "still usable";
    EXPECT_EQ("still usable", big.View());
}

TEST(XString, SetDataCopiesLengthOrUpToNulAndIgnoresNull) {
    XString s("keep");
    s.SetData(nullptr, 3);
    EXPECT_EQ("keep", s.View());
    s.SetData("abcdef", 3);
    EXPECT_EQ("abc", s.View());
    s.SetData("xyz", -1);
    EXPECT_EQ("xyz", s.View());
    s = "0123456789";
    s.SetData(s.GetBuffer(4), -1);  // from its own text
    EXPECT_EQ("456789", s.View());
}

TEST(XString, ErrorSlotOnlyWhenAsked) {
    XString with;
    EXPECT_FALSE(with.ReadFile(nullptr));
    EXPECT_STREQ("Error: in XString::ReadFile filename is NULL.", with.GetErrorMessage());
    XString without(false, false);
    EXPECT_FALSE(without.ReadFile(nullptr));
    EXPECT_STREQ("", without.GetErrorMessage());
    XString on(true, false);
    EXPECT_FALSE(on.ReadFile(""));
    EXPECT_STREQ("Error: in XString::ReadFile filename is zero length.", on.GetErrorMessage());
}

// ---------------------------------------------------------------- append and insert

TEST(XString, AppendFamily) {
    XString s;
    s.Append('a');
    s.Append('\0');  // nothing
    s.Append('b', 3);
    s.Append("xyz", 2, 2);
    s.Append("q", 3);
    s.Append(static_cast<const char*>(nullptr));
    s += static_cast<const char*>(nullptr);
    s.Append(static_cast<unsigned short>(65535));
    s.Append(-3);
    s.Append(4000000000ul);
    s.Append(true);
    s.Append(false);
    s += 'c';
    EXPECT_EQ("abbbxyxyqqq65535-34000000000truefalsec", s.View());

    XString t("ab");
    t += t;  // from its own buffer, across a reallocation
    t += t;
    EXPECT_EQ("abababab", t.View());
    XString u(std::string(60, 'u').c_str());
    u.Append(u.GetBuffer(0), 1, 10);
    EXPECT_EQ(std::string(70, 'u'), u.View());

    XString n("x");
    n.AppendNoExist('/', 1);
    n.AppendNoExist('/', 1);
    EXPECT_EQ("x/", n.View());
}

TEST(XString, AppendDataKeepsNulBytes) {
    XString s("a");
    const char bytes[] = {'b', '\0', 'c'};
    s.AppendData(bytes, 3);
    EXPECT_EQ(4u, s.GetLength());
    EXPECT_EQ(std::string("ab\0c", 4), std::string(s.View()));
    EXPECT_EQ('\0', s.GetBuffer(0)[4]);
    XString copy(s);  // copies keep the whole length
    EXPECT_EQ(4u, copy.GetLength());
    EXPECT_TRUE(copy == s);
}

TEST(XString, InsertAndPad) {
    struct Row {
        const char* start;
        const char* ins;
        unsigned pos, n;
        const char* want;
    } rows[] = {
        {"hello", "XY", 0, 1, "XYhello"}, {"hello", "XY", 2, 2, "heXYXYllo"}, {"hello", "!", 5, 1, "hello!"},
        {"hello", "!", 99, 3, "hello!!!"}, {"hello", "", 1, 3, "hello"},     {"hello", "Z", 1, 0, "hello"},
        {"", "abc", 0, 1, "abc"},
    };
    for (const Row& r : rows) {
        XString s(r.start);
        s.Insert(r.ins, r.pos, r.n);
        EXPECT_EQ(r.want, s.View()) << r.start << " + " << r.ins;
    }
    XString s("7");
    s.PadLeft('0', 3);
    EXPECT_EQ("007", s.View());
    s.PadLeft('0', 2);
    EXPECT_EQ("007", s.View());
    s.PadRight('.', 6);
    EXPECT_EQ("007...", s.View());
    s.Insert('-', 3, 2);
    EXPECT_EQ("007--...", s.View());
    XString self("abc");
    self.Insert(self.GetBuffer(1), 0, 1);
    EXPECT_EQ("bcabc", self.View());
}

// ---------------------------------------------------------------- access

TEST(XString, IndexAndBufferAccess) {
    XString s("abc");
    s[1] = 'B';
    const XString& c = s;
    EXPECT_EQ('B', c[1]);
    EXPECT_EQ(std::string("c"), s.GetBuffer(2));
    EXPECT_EQ(std::string(""), s.GetBuffer(99));
    ExpectThrow([&] { (void)s[3]; }, XERR_INDEX, Ex("in [] index out of range."));
    ExpectThrow([&] { (void)c[100]; }, XERR_INDEX, Ex("in [] index out of range."));
}

TEST(XString, Conversions) {
    XString s("x 42abc");
    EXPECT_EQ(42, s.ToInt(1));
    EXPECT_EQ(0, s.ToInt(0));
    EXPECT_EQ(0, s.ToInt(100));
    EXPECT_EQ(2147483647, XString("99999999999").ToInt());
    EXPECT_DOUBLE_EQ(-2.5, XString("-2.5e0").ToDouble());
    EXPECT_TRUE(XString("TrUe").IsTrue());
    EXPECT_TRUE(XString("=trueish").IsTrue(1));
    EXPECT_FALSE(XString("tru").IsTrue());
    EXPECT_FALSE(XString("true").IsTrue(1));
    XString m("MiXeD 123 ÄB");
    m.MakeLower();
    EXPECT_EQ("mixed 123 Äb", m.View());
}

// ---------------------------------------------------------------- comparison

TEST(XString, EqualityAndNullArguments) {
    XString s("abc");
    EXPECT_TRUE(s == "abc");
    EXPECT_FALSE(s == "abcd");
    EXPECT_TRUE(s != XString("abd"));
    EXPECT_TRUE(s == XString("abc"));
    EXPECT_TRUE(s != "ab");
    ExpectThrow([&] { (void)(s == static_cast<const char*>(nullptr)); }, XERR_NULL_ARGUMENT,
                Ex("in == pcsz was passed in as a NULL pointer."));
    ExpectThrow([&] { s.Compare(static_cast<const char*>(nullptr)); }, XERR_NULL_ARGUMENT,
                Ex("in Compare pcszCompareTo was passed in as a NULL pointer."));
    ExpectThrow([&] { s.CompareNoCase(static_cast<const char*>(nullptr)); }, XERR_NULL_ARGUMENT,
                Ex("in CompareNoCase pcszCompareTo was passed in as a NULL pointer."));
}

TEST(XString, CompareTable) {
    struct Row {
        const char* src;
        const char* to;
        unsigned toIdx, srcIdx, count;
        int want;
    } rows[] = {
        {"abd", "abc", 0, 0, 2, 0},  {"abd", "abc", 0, 0, 3, 1},   {"abc", "abd", 0, 0, 3, -1},
        {"", "", 0, 0, 5, 0},        {"", "x", 0, 0, 5, -1},        {"x", "", 0, 0, 5, 1},
        {"abc", "abcd", 0, 0, 10, -1}, {"abcd", "abc", 0, 0, 10, 1}, {"abcd", "abc", 0, 0, 3, 0},
        {"xxabc", "abc", 0, 2, 3, 0}, {"abc", "zzbc", 2, 1, 2, 0},  {"abc", "abc", 0, 0, 0, 0},
        {"\xff", "a", 0, 0, 1, 1},   {"ab", "abc", 0, 0, 0xFFFFFFFFu, -1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.want, XString(r.src).Compare(r.to, r.toIdx, r.srcIdx, r.count))
            << r.src << " vs " << r.to << " count " << r.count;
        EXPECT_EQ(r.want, XString(r.src).Compare(XString(r.to), r.toIdx, r.srcIdx, r.count));
    }
    XString s("abc");
    ExpectThrow([&] { s.Compare("abc", 0, 3, 1); }, XERR_INDEX,
                Ex("in Compare uiSrcIndex is an invalid index past the end of the source string length."));
    ExpectThrow([&] { s.Compare("abc", 3, 0, 1); }, XERR_INDEX,
                Ex("in Compare uiCompareToIndex is an invalid index past the end of the compare to string length."));
    ExpectThrow([&] { s.CompareNoCase("abc", 0, 7, 1); }, XERR_INDEX,
                Ex("in CompareNoCase uiSrcIndex is an invalid index past the end of the source string length."));
    // An empty side never throws for its index.
    EXPECT_EQ(-1, XString("").Compare("a", 0, 9, 1));
    EXPECT_EQ(1, s.Compare("", 9, 0, 1));
}

TEST(XString, CompareNoCaseGivesTheLetterDifference) {
    EXPECT_EQ(0, XString("HeLLo").CompareNoCase("hello"));
    EXPECT_EQ('c' - 'e', XString("ABC").CompareNoCase("abe"));
    EXPECT_EQ('z' - 'a', XString("z").CompareNoCase("A"));
    EXPECT_EQ(-1, XString("ab").CompareNoCase("ABC"));
    EXPECT_EQ(0, XString("ab").CompareNoCase(XString("AB")));
}

TEST(XString, BeginsAndEndsWith) {
    XString s("Config.XML");
    EXPECT_TRUE(s.BeginsWith("Con"));
    EXPECT_FALSE(s.BeginsWith("con"));
    EXPECT_FALSE(s.BeginsWith(""));
    EXPECT_FALSE(s.BeginsWith(nullptr));
    EXPECT_FALSE(s.BeginsWith("Config.XML!"));
    EXPECT_TRUE(s.EndsWith('L'));
    EXPECT_FALSE(s.EndsWith('\0'));
    EXPECT_FALSE(XString().EndsWith('L'));
    EXPECT_TRUE(s.EndsWith(".XML"));
    EXPECT_FALSE(s.EndsWith(".xml"));
    EXPECT_TRUE(s.EndsWithNoCase(".xml"));
    EXPECT_FALSE(s.EndsWithNoCase("x.Config.XML"));
    EXPECT_FALSE(s.EndsWith(nullptr));
    EXPECT_FALSE(s.EndsWithNoCase(""));
}

// ---------------------------------------------------------------- search

TEST(XString, FindForwardWindows) {
    const XString s("abcabcABC");
    struct Row {
        const char* what;
        unsigned start, count;
        int want;
    } rows[] = {
        {"bc", 0, kRest, 1}, {"bc", 2, kRest, 4}, {"bc", 5, kRest, -1}, {"bc", 4, 1, -1}, {"bc", 4, 2, 4},
        {"bc", 0, 0, -1},    {"bc", 9, kRest, -1}, {"", 0, kRest, -1},  {"ABC", 0, kRest, 6},
        {"bc", 4, 0xFFFFFFFFu, 4},  // a window past the end is cut, not wrapped
    };
    for (const Row& r : rows) EXPECT_EQ(r.want, s.FindFwd(r.what, r.start, r.count)) << r.what << " @" << r.start;
    EXPECT_EQ(-1, s.FindFwd(static_cast<const char*>(nullptr)));
    EXPECT_EQ(2, s.FindFwd('c'));
    EXPECT_EQ(5, s.FindFwd('c', 3));
    EXPECT_EQ(-1, s.FindFwd('c', 3, 2));
    EXPECT_EQ(-1, s.FindFwd('c', 100));
    EXPECT_EQ(1, s.FindFwdNoCase("BCa"));
    EXPECT_EQ(6, s.FindFwdNoCase("abc", 4));
    EXPECT_EQ(-1, s.FindFwdNoCase("abcd", 6));
    EXPECT_TRUE(s.ContainsFwdNoCase("CAB"));
    EXPECT_FALSE(s.ContainsFwdNoCase("cab", 6));
}

TEST(XString, FindReverse) {
    const XString s("a.b.c");
    EXPECT_EQ(3, s.FindRev('.', kRest, kRest));
    EXPECT_EQ(1, s.FindRev('.', 2, kRest));
    EXPECT_EQ(3, s.FindRev('.', 3, 1));
    EXPECT_EQ(-1, s.FindRev('.', 4, 1));
    EXPECT_EQ(3, s.FindRev('.', 4, 2));
    EXPECT_EQ(-1, s.FindRev('.', 0, kRest));
    EXPECT_EQ(0, XString("abca").FindRev('a', 2, kRest));
    EXPECT_EQ(3, XString("abca").FindRev('a', 0x80000000, 0x80000000));
    EXPECT_EQ(-1, XString().FindRev('a'));
    EXPECT_EQ(-1, s.FindRev('.', kRest, 0));
}

TEST(XString, FindAnyAndCounts) {
    const XString s("key = Value; other");
    int which = -1;
    EXPECT_EQ(4, s.FindAnyFwd(";=", 0, kRest, &which));
    EXPECT_EQ(1, which);
    EXPECT_EQ(11, s.FindAnyFwd(";=", 5, kRest, &which));
    EXPECT_EQ(0, which);
    EXPECT_EQ(-1, s.FindAnyFwd(";=", 12));
    EXPECT_EQ(-1, s.FindAnyFwd(nullptr));
    EXPECT_EQ(6, s.FindAnyFwdNoCase("uvw", 0, kRest, &which));
    EXPECT_EQ(1, which);
    EXPECT_EQ(-1, s.FindAnyFwd("uvw", 0, 7));
    EXPECT_EQ(3u, XString("a,b,,c").Count(','));
    EXPECT_EQ(2u, XString("aaaa").Count("aa"));
    EXPECT_EQ(0u, XString("aaaa").Count(""));
    EXPECT_EQ(3u, XString("\r\nx\r\n").CountAny("\n;x"));
}

// ---------------------------------------------------------------- cutting out

TEST(XString, CuttingOutEdges) {
    XString path("C:\\dir\\file.txt");
    EXPECT_EQ("file.txt", path.SubEndFindRev('\\').View());
    XString bare("file.txt");
    EXPECT_EQ("file.txt", bare.SubEndFindRev('\\').View());
    XString bars("a|b|c");
    EXPECT_EQ("a", bars.SubBegFindFwd('|').View());
    EXPECT_EQ("b|c", bars.SubEndFindFwd('|').View());
    EXPECT_EQ("a|b|c", bars.SubBegFindFwd('#').View());
    EXPECT_EQ("a|b|c", bars.SubEndFindFwd('#').View());

    struct Row {
        const char* text;
        unsigned start, count;
        const char* want;
    } subs[] = {{"abcdef", 2, 3, "cde"}, {"abcdef", 4, kRest, "ef"}, {"abcdef", 6, 1, ""},
                {"abcdef", 0, 0, ""},    {"abcdef", 5, 0xFFFFFFFFu, "f"}};
    for (const Row& r : subs) {
        XString s(r.text);
        EXPECT_EQ(r.want, s.Sub(r.start, r.count).View());
    }
}

TEST(XString, SubBetweenForward) {
    struct Row {
        const char* text;
        const char* begin;
        const char* end;
        unsigned start;
        const char* want;
    } rows[] = {
        {"x<Mode>2</Mode>", "<Mode>", "</Mode>", 0, "2"},
        {"<A></A>", "<A>", "</A>", 0, ""},
        {"<A>x", "<A>", "</A>", 0, ""},
        {"x</A><A>y</A>", "<A>", "</A>", 0, "y"},  // the end is looked for after the begin
        {"<A>1</A><A>2</A>", "<A>", "</A>", 1, "2"},
        {"<A>1</A>", "<A>", "</A>", 8, ""},
        {"<A>1</A>", nullptr, "</A>", 0, ""},
        {"<A>1</A>", "<A>", nullptr, 0, ""},
        {"<A><B>in</B></A>", "<A>", "</A>", 0, "<B>in</B>"},
    };
    for (const Row& r : rows) {
        XString s(r.text);
        EXPECT_EQ(r.want, s.SubBetweenFwd(r.begin, r.end, r.start).View()) << r.text;
    }
}

TEST(XString, ScratchResultIsSharedAndOverwritten) {
    XString s("one two");
    XString& first = s.Sub(0, 3);
    XString& second = s.Sub(4, 3);
    EXPECT_EQ(&first, &second);
    EXPECT_EQ("two", first.View());
    EXPECT_STREQ("", first.GetErrorMessage());  // the scratch has no slot of its own
    s = s.Sub(1, 2);  // assigning a result back to its own string
    EXPECT_EQ("ne", s.View());
    XString span("aBcDxyz");
    EXPECT_EQ("aBcD", span.SpanFwdIncludingNoCase("abcd").View());
    EXPECT_EQ("Bc", span.SpanFwdIncludingNoCase("ABCD", 1, 2).View());
    EXPECT_EQ("", span.SpanFwdIncludingNoCase("q").View());
}

// ---------------------------------------------------------------- split and replace

TEST(XString, SplitEdges) {
    using V = std::vector<std::string>;
    XString s("a,,b");
    EXPECT_EQ((V{"a", "", "b"}), Pieces(s.Split(",", 0)));
    XString three("a,b,c");
    EXPECT_EQ((V{"a", "b"}), Pieces(three.Split(",", 2)));
    EXPECT_EQ((V{"a", "b", "c"}), Pieces(three.Split(",", 5)));
    XString empty;
    EXPECT_EQ((V{""}), Pieces(empty.Split(",")));
    XString none("abc");
    EXPECT_EQ((V{"abc"}), Pieces(none.Split(",")));
    XString crlf("l1\r\nl2\r\n");
    XStringArray& lines = crlf.Split("\r\n");
    EXPECT_EQ((V{"l1", "l2", ""}), Pieces(lines));
    EXPECT_EQ(&lines, &crlf.Split("x"));  // the string's own array, refilled
    EXPECT_EQ((V{"l1\r\nl2\r\n"}), Pieces(lines));
    EXPECT_EQ((V{"l1\r\nl2\r\n"}), Pieces(crlf.Split(nullptr)));
}

TEST(XString, ReplaceFamily) {
    struct Row {
        const char* text;
        void (*op)(XString&);
        const char* want;
    } rows[] = {
        {"a.b.c.d", [](XString& s) { s.ReplaceFwd('.', "::"); }, "a::b::c::d"},
        {"a.b.c.d", [](XString& s) { s.ReplaceFwd('.', "", 2); }, "a.bcd"},
        {"a.b.c.d", [](XString& s) { s.ReplaceFwd('.', "-", 0, 2); }, "a-b-c.d"},
        {"a.b.c.d", [](XString& s) { s.ReplaceFwd('.', nullptr); }, "abcd"},
        {"a.b.c.d", [](XString& s) { s.ReplaceRev('.', "-", kRest, 2); }, "a.b-c-d"},
        {"a.b.c.d", [](XString& s) { s.ReplaceRev('.', "<>", 4, 1); }, "a.b<>c.d"},
        {"a.b.c.d", [](XString& s) { s.ReplaceRev('.', "-", 0, 3); }, "a.b.c.d"},
        {"a.b.c.d", [](XString& s) { s.ReplaceRev('.', "-", 4, 9); }, "a-b-c.d"},
        {"a b\tc", [](XString& s) { s.ReplaceAny(" \t", "%20"); }, "a%20b%20c"},
        {"dir\\", [](XString& s) { s.ReplaceEndsWith('\\', "/"); }, "dir/"},
        {"dir", [](XString& s) { s.ReplaceEndsWith('\\', "/"); }, "dir"},
        {"a-b-c-d", [](XString& s) { s.Replace('-', '+', 2, 2); }, "a-b+c+d"},
        {"a-b-c-d", [](XString& s) { s.ReplaceCharRev('-', '+', kRest, 2); }, "a-b+c+d"},
        {"a-b-c-d", [](XString& s) { s.ReplaceCharRev('-', '+', 2, 5); }, "a+b-c-d"},
        {"xxabxxcdxx", [](XString& s) { s.RemoveString("xx"); }, "abcd"},
        {"a b c", [](XString& s) { s.RemoveChar(' '); }, "abc"},
        {"a  b   c ", [](XString& s) { s.CollapseRepeats(' '); }, "a b c "},
        {"abcdef", [](XString& s) { s.Delete(1, 2); }, "adef"},
        {"abcdef", [](XString& s) { s.Delete(4, kRest); }, "abcd"},
        {"abcdef", [](XString& s) { s.Delete(6, 1); }, "abcdef"},
        {"abcdef", [](XString& s) { s.Truncate(3); }, "abc"},
        {"abcdef", [](XString& s) { s.Truncate(30); }, "abcdef"},
        {"key=val", [](XString& s) { s.TruncateAtFwd('='); }, "key"},
        {"  x  ", [](XString& s) { s.TrimLeft(' '); }, "x  "},
        {"  x  ", [](XString& s) { s.TrimRight(' '); }, "  x"},
        {"\r\n x \t", [](XString& s) { s.Trim(); }, "x"},
        {"--x-+", [](XString& s) { s.Trim("-+"); }, "x"},
        {"..x..", [](XString& s) { s.Trim('.'); }, "x"},
        {"abc\r\n\r\n", [](XString& s) { s.TrimRightString("\r\n"); }, "abc"},
        {"abcabc", [](XString& s) { s.TrimRightString("abc"); }, ""},
        {"abc", [](XString& s) { s.TrimRightString(""); }, "abc"},
    };
    for (const Row& r : rows) {
        XString s(r.text);
        r.op(s);
        EXPECT_EQ(r.want, s.View()) << "from " << r.text;
        EXPECT_EQ(std::string(r.want).size(), std::string(s.GetBuffer(0)).size());
    }
}

TEST(XString, ReplaceWithOwnText) {
    XString s("a,b");
    s.ReplaceFwd(',', s.GetBuffer(0));
    EXPECT_EQ("aa,bb", s.View());
}

// ---------------------------------------------------------------- formatting

TEST(XString, FormatAndFormatAppend) {
    XString s("old");
    s.Format("%s=%05d %.2f %c%%", "n", 42, 1.5, 'z');
    EXPECT_EQ("n=00042 1.50 z%", s.View());
    s.FormatAppend(" %u|%lld", 7u, -9000000000ll);
    EXPECT_EQ("n=00042 1.50 z% 7|-9000000000", s.View());
    s.Format("%s", "");
    EXPECT_TRUE(s.IsEmpty());
    std::string big(500, 'w');
    s.Format("[%s]", big.c_str());
    EXPECT_EQ("[" + big + "]", s.View());
}

TEST(XString, FormatReadsArgumentsFromItsOwnText) {
    XString s("old");
    s.Format("%s!", s.c_str());
    EXPECT_EQ("old!", s.View());
    s = std::string(60, 'p').c_str();
    s.FormatAppend("%s%s", s.c_str(), s.c_str());  // across the move to the heap
    EXPECT_EQ(std::string(180, 'p'), s.View());
}

TEST(XString, FormatWithoutFormatStringThrows5019) {
    const char* none = nullptr;
    XString s("x");
    ExpectThrow([&] { s.Format(none); }, XERR_FORMAT,
                Ex("in Format failed probably because of a bad format string or an incorrect number of arguments."));
    EXPECT_TRUE(s.IsEmpty());
    s = "kept";
    ExpectThrow([&] { s.FormatAppend(none); }, XERR_FORMAT,
                Ex("in FormatAppend failed probably because of a bad format string or an incorrect number of arguments."));
    EXPECT_EQ("kept", s.View());
}

// ---------------------------------------------------------------- failures and re-wraps

TEST(XString, OversizedRequestsFailAsOutOfMemoryWithTheirChains) {
    const std::string makeSize = Ex("in MakeSize could not allocate memory for temporary buffer.");
    XString s("abc");
    ExpectThrow([&] { s.MakeSize(0x80000000u); }, XERR_NO_MEMORY, makeSize);
    ExpectThrow([&] { s.Append('x', 0x80000000u); }, XERR_NO_MEMORY,
                Ex("in Append could not allocate memory for temp string."));
    ExpectThrow([&] { s.AppendData("x", 0x7FFFFFFEu); }, XERR_NO_MEMORY, Ex("in AppendData MakeSize failed. Msg=") + makeSize);
    ExpectThrow([&] { s.AppendNoExist('y', 0x7FFFFFFFu); }, XERR_NO_MEMORY,
                Ex("in AppendNoExist Append failed. Msg=") + Ex("in Append could not allocate memory for temp string."));
    ExpectThrow([&] { s.PadLeft('0', 0x80000001u); }, XERR_NO_MEMORY,
                Ex("in PadLeft Insert failed. Msg=") + Ex("in Insert failed. Msg=") + makeSize);
    ExpectThrow([&] { s.PadRight('0', 0x80000001u); }, XERR_NO_MEMORY,
                Ex("in PadRight Insert failed. Msg=") + Ex("in Insert failed. Msg=") + makeSize);
    EXPECT_EQ("abc", s.View());  // nothing changed by the failures
    ExpectThrow([&] { s.SetLength(100); }, XERR_INDEX, Ex("in SetLength length is past the end of the buffer."));
}

// ---------------------------------------------------------------- run log

TEST(XString, WriteRunLogTakesXStringsAndLiterals) {
    XString subject("Weather error");
    XString message;
    message.Format("code %d", 7);
    WriteRunLog(subject, message, true);
    WriteRunLog("Plain", "text");
    WriteRunLog(subject, "literal message");
    WriteRunLog("literal subject", message);
    WriteRunLog(std::string("std"), message);
    const std::string log = ReadWholeFile(InstallDir() + "RunLog.txt");
    EXPECT_NE(std::string::npos, log.find("Subject = Weather error\r\nMessage = code 7\r\n\r\n"));
    EXPECT_NE(std::string::npos, log.find("Subject = Plain\r\nMessage = text\r\n\r\n"));
    EXPECT_NE(std::string::npos, log.find("Subject = Weather error\r\nMessage = literal message\r\n"));
    EXPECT_NE(std::string::npos, log.find("Subject = literal subject\r\nMessage = code 7\r\n"));
    EXPECT_NE(std::string::npos, log.find("Subject = std\r\nMessage = code 7\r\n"));
    EXPECT_EQ(0u, log.find("*** LogEntry: "));  // started afresh
}
