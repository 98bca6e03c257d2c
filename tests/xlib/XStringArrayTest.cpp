#include "xlib/XStringArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> Contents(const XStringArray& a) {
    std::vector<std::string> out;
    for (unsigned i = 0; i < a.GetCount(); ++i) out.emplace_back(a.Get(i).c_str());
    return out;
}
}  // namespace

TEST(XStringArray, AddsTextsAndStrings) {
    XStringArray a;
    int index = -1;
    a.Add("one");
    a.Add("two", 2, &index);
    EXPECT_EQ(1, index);
    a.Add(XString("three"));
    a.Add(static_cast<const char*>(nullptr));
    a.Add("never", 0);
    EXPECT_EQ((std::vector<std::string>{"one", "two", "two", "three", ""}), Contents(a));
    // Long strings (past the built-in buffer) survive removal, reuse and growth.
    std::string longText(300, 'L');
    for (int i = 0; i < 200; ++i) a.Add((longText + std::to_string(i)).c_str());
    a.Remove(0, 5);
    a.Add("tail");
    EXPECT_EQ(201u, a.GetCount());
    EXPECT_EQ(longText + "0", a.Get(0).c_str());
    EXPECT_STREQ("tail", a.Get(200).c_str());
}

TEST(XStringArray, AssignmentCopiesElementsAndErrorText) {
    XStringArray a;
    a.Add("x");
    a.Add("y");
    a.SetErrorMessage("Error: in XString::ReadFile failed to open the file.");
    XStringArray b;
    b.Add("old");
    b = a;
    EXPECT_EQ((std::vector<std::string>{"x", "y"}), Contents(b));
    EXPECT_STREQ("Error: in XString::ReadFile failed to open the file.", b.GetErrorMessage());
    b.Get(0) = "changed";
    EXPECT_STREQ("x", a.Get(0).c_str());
    XStringArray c(a);
    EXPECT_EQ(Contents(a), Contents(c));
    XStringArray fresh;
    EXPECT_STREQ("", fresh.GetErrorMessage());
    b = fresh;
    EXPECT_EQ(0u, b.GetCount());
    EXPECT_STREQ("", b.GetErrorMessage());
}

TEST(XStringArray, OutOfRangeKeepsTheArrayClass) {
    XStringArray a;
    try {
        a.Get(0);
        FAIL();
    } catch (const XException& e) {
        EXPECT_EQ(2u, e.GetCode());
        EXPECT_STREQ("Exception(Basalt): Class XArray, Msg=in Get could not obtain out of range index.", e.GetMessage());
    }
}

TEST(XStringArray, FilledBySplit) {
    XString s("a,,b");
    XStringArray& parts = s.Split(",", 0);
    EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), Contents(parts));
    XString t("a,b,c");
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Contents(t.Split(",", 2)));
}
