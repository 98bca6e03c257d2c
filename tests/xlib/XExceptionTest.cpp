#include "xlib/XException.h"

#include <gtest/gtest.h>

#include <string>

TEST(XException, DefaultIsEmpty) {
    XException e;
    EXPECT_STREQ("", e.GetMessage());
    EXPECT_EQ(0, e.GetLength());
    EXPECT_EQ(0u, e.GetCode());
}

TEST(XException, ComposesTextAndNulls) {
    XException e;
    e.Set(2, "XLinkList", "in Get index is out of range.", nullptr);
    EXPECT_STREQ("Exception(Basalt): Class XLinkList, Msg=in Get index is out of range.", e.GetMessage());
    EXPECT_EQ(2u, e.GetCode());
    e.Set(3, nullptr, nullptr, nullptr);
    EXPECT_STREQ("Exception(Basalt): Class NULL, Msg=NULL", e.GetMessage());
    EXPECT_EQ(static_cast<int>(std::string(e.GetMessage()).size()), e.GetLength());
    e.Set(1, "XString", "in MakeSize ", "detail");
    EXPECT_STREQ("Exception(Basalt): Class XString, Msg=in MakeSize detail", e.GetMessage());
}

TEST(XException, CutsAt2047Characters) {
    std::string huge(5000, 'x');
    XException e(1, "XString", huge.c_str(), huge.c_str());
    EXPECT_EQ(2047, e.GetLength());
    EXPECT_EQ(2047u, std::string(e.GetMessage()).size());
}

TEST(XException, CodeClasses) {
    struct Row { uint32_t code; bool c0, c1; } rows[] = {
        {0, true, false}, {4999, true, false}, {5000, false, true}, {5019, false, true},
        {5999, false, true}, {6000, false, false}};
    for (const Row& r : rows) {
        XException e(r.code, "X", "m");
        EXPECT_EQ(r.c0, e.IsCodeClass(0)) << r.code;
        EXPECT_EQ(r.c1, e.IsCodeClass(1)) << r.code;
        EXPECT_FALSE(e.IsCodeClass(2));
        EXPECT_FALSE(e.IsCodeClass(-1));
    }
}

TEST(XException, RewrapKeepsInnermostCodeAndChains) {
    XException inner(1, "XString", "in MakeSize could not allocate memory for temporary buffer.");
    XException mid = XException::Rewrap(inner, "XString", "SetData");
    XException outer = XException::Rewrap(mid, "XStringArray", "Add");
    EXPECT_EQ(1u, outer.GetCode());
    EXPECT_STREQ(
        "Exception(Basalt): Class XString, Msg=in SetData failed. Msg=Exception(Basalt): Class XString, "
        "Msg=in MakeSize could not allocate memory for temporary buffer.",
        mid.GetMessage());
    EXPECT_EQ(0, std::string(outer.GetMessage()).find("Exception(Basalt): Class XStringArray, Msg=in Add failed. Msg="));
}

TEST(XException, RewrapNamesTheFailedStepAfterTheMethod) {
    const XException inner(1, "XString", "in MakeSize could not allocate memory for temporary buffer.");
    const std::string innerText = inner.GetMessage();
    struct Case {
        const char* method;
        const char* step;
        const char* text;  // the outer message before the inner one
    } const cases[] = {
        // The cipher's last copy, in its two wordings.
        {"Encrypt", "on final copy", "Exception(Basalt): Class XString, Msg=in Encrypt failed on final copy. Msg="},
        {"Decrypt", "at final copy", "Exception(Basalt): Class XString, Msg=in Decrypt failed at final copy. Msg="},
        // No step: the plain form.
        {"SetData", nullptr, "Exception(Basalt): Class XString, Msg=in SetData failed. Msg="},
        {"SetData", "", "Exception(Basalt): Class XString, Msg=in SetData failed. Msg="},
    };
    for (const Case& c : cases) {
        const XException e = XException::Rewrap(inner, "XString", c.method, c.step);
        EXPECT_EQ(std::string(c.text) + innerText, e.GetMessage()) << c.method;
        EXPECT_EQ(1u, e.GetCode());
    }
}
