#include "services/CReminders.h"

#include <gtest/gtest.h>

#include <string>

namespace {
std::string DateFromToday(int days) {
    XDateTime d;
    d.SetToNow();
    d.AddMinutes(days * 24 * 60);
    std::string s;
    d.Format(s, "YYYYMMDD");
    return s;
}

std::string Entry(int i, const std::string& date, const std::string& title, const std::string& msg = "m") {
    const std::string n = std::to_string(i);
    return "\t\t<Rem_" + n + ">\r\n\t\t\t<Date>" + date + "</Date>\r\n\t\t\t<Type>None</Type>\r\n\t\t\t<RemTitle>" +
           title + "</RemTitle>\r\n\t\t\t<RemMsg>" + msg + "</RemMsg>\r\n\t\t</Rem_" + n + ">\r\n";
}

XString Shared(int count, const std::string& entries) {
    return XString(("<ConfigFile name=\"Shared\">\r\n\t<Reminders>\r\n\t\t<NumReminders>" + std::to_string(count) +
                    "</NumReminders>\r\n" + entries + "\t</Reminders>\r\n</ConfigFile>")
                       .c_str());
}

std::string Title(const CReminders& r, unsigned i) { return std::string(r.List()[i].RemTitle.View()); }
}  // namespace

TEST(CReminders, Defaults) {
    CReminders r;
    r.Enabled = true;
    r.List().Add(CReminder());
    const XString noSection("<ConfigFile name=\"Meadowglow\">\r\n</ConfigFile>");
    r.Read(&noSection, nullptr);
    EXPECT_FALSE(r.Enabled);
    EXPECT_TRUE(r.ShowOnClose);
    EXPECT_FALSE(r.ShowWhileRun);
    EXPECT_TRUE(r.AutoCleanUp);
    EXPECT_EQ(0u, r.GetCount());

    CReminder fresh;
    EXPECT_EQ("None", std::string(fresh.Type.View()));
    XDateTime now;
    now.SetToNow();
    EXPECT_EQ(0, fresh.Date.CompareDate(now));
}

TEST(CReminders, SwitchesNeedTheWholeWordTrue) {
    const XString main(
        "<Reminders><Enabled>TRUE</Enabled><ShowOnClose>trueX</ShowOnClose>"
        "<ShowWhileRun>True</ShowWhileRun><AutoCleanUp>yes</AutoCleanUp></Reminders>");
    CReminders r;
    r.Read(&main, nullptr);
    EXPECT_TRUE(r.Enabled);
    EXPECT_FALSE(r.ShowOnClose);
    EXPECT_TRUE(r.ShowWhileRun);
    EXPECT_FALSE(r.AutoCleanUp);
}

TEST(CReminders, WriteLayout) {
    CReminders r;
    CReminder rem;
    rem.Date.Parse("20990102", "YYYYMMDD");
    rem.Type = "Weekly";
    rem.RemTitle = "T";
    rem.RemMsg = "a\r\nb";
    r.List().Add(rem);
    XString main, shared;
    r.Write(&main, &shared);
    EXPECT_EQ(
        "\t<Reminders>\r\n\t\t<Enabled>false</Enabled>\r\n\t\t<ShowOnClose>true</ShowOnClose>\r\n"
        "\t\t<ShowWhileRun>false</ShowWhileRun>\r\n\t\t<AutoCleanUp>true</AutoCleanUp>\r\n\t</Reminders>\r\n",
        std::string(main.View()));
    EXPECT_EQ(
        "\t<Reminders>\r\n\t\t<NumReminders>1</NumReminders>\r\n\t\t<Rem_0>\r\n\t\t\t<Date>20990102</Date>\r\n"
        "\t\t\t<Type>Weekly</Type>\r\n\t\t\t<RemTitle>T</RemTitle>\r\n\t\t\t<RemMsg>a\r\nb</RemMsg>\r\n"
        "\t\t</Rem_0>\r\n\t</Reminders>\r\n",
        std::string(shared.View()));
    EXPECT_EQ(1u, r.GetCount());
    // Either text may be left out.
    XString only;
    r.Write(nullptr, &only);
    EXPECT_EQ(shared, only);
}

TEST(CReminders, EmptyEntryIsSkippedAndTheRestRenumbered) {
    const std::string future = DateFromToday(30);
    const XString shared = Shared(3, Entry(0, future, "A") + "\t\t<Rem_1></Rem_1>\r\n" + Entry(2, future, "C"));
    CReminders r;
    r.Read(nullptr, &shared);
    ASSERT_EQ(2u, r.GetCount());
    EXPECT_EQ("A", Title(r, 0));
    EXPECT_EQ("C", Title(r, 1));
    XString out;
    r.Write(nullptr, &out);
    EXPECT_NE(std::string::npos, out.View().find("<Rem_1>\r\n\t\t\t<Date>" + future + "</Date>\r\n\t\t\t<Type>None</Type>\r\n\t\t\t<RemTitle>C<"));
    EXPECT_EQ(std::string::npos, out.View().find("<Rem_2>"));
}

TEST(CReminders, ListFollowsTheCountAndIndexOrder) {
    const std::string future = DateFromToday(3);
    struct Case {
        int count;
        std::string entries;
        std::string titles;
    } cases[] = {
        {2, Entry(0, future, "A") + Entry(1, future, "B") + Entry(2, future, "C"), "AB"},  // beyond the count
        {3, Entry(2, future, "C") + Entry(0, future, "A"), "AC"},                          // index order
        {0, Entry(0, future, "A"), ""},
        {-5, Entry(0, future, "A"), ""},
        {2000000000, Entry(1, future, "B"), "B"},  // a damaged count costs nothing
        {20, "\t\t<Rem_01>x</Rem_01>\r\n" + Entry(10, future, "K"), "K"},
    };
    for (const Case& c : cases) {
        const XString shared = Shared(c.count, c.entries);
        CReminders r;
        r.Read(nullptr, &shared);
        std::string titles;
        for (unsigned i = 0; i < r.GetCount(); ++i) titles += Title(r, i);
        EXPECT_EQ(c.titles, titles) << c.count;
    }
}

TEST(CReminders, AutoCleanUpDropsOnlyPastDays) {
    const XString shared = Shared(3, Entry(0, DateFromToday(-1), "Yesterday") + Entry(1, DateFromToday(0), "Today") +
                                         Entry(2, DateFromToday(400), "Later"));
    CReminders clean;
    clean.Read(nullptr, &shared);
    ASSERT_EQ(2u, clean.GetCount());
    EXPECT_EQ("Today", Title(clean, 0));
    EXPECT_EQ("Later", Title(clean, 1));
    XString out;
    clean.Write(nullptr, &out);
    EXPECT_EQ(std::string::npos, out.View().find("Yesterday"));

    const XString main("<Reminders><AutoCleanUp>false</AutoCleanUp></Reminders>");
    CReminders keep;
    keep.Read(&main, &shared);
    EXPECT_EQ(3u, keep.GetCount());
}

TEST(CReminders, ReadAppendsToTheListInMemory) {
    const XString shared = Shared(1, Entry(0, DateFromToday(5), "A"));
    CReminders r;
    r.Read(nullptr, &shared);
    r.Read(nullptr, &shared);
    EXPECT_EQ(2u, r.GetCount());
    const XString main("<Reminders><Enabled>true</Enabled></Reminders>");
    r.Read(&main, nullptr);  // a present section keeps the list
    EXPECT_EQ(2u, r.GetCount());
}

TEST(CReminders, MessageWithLineBreaksSurvivesWriteAndRead) {
    CReminders r;
    CReminder rem;
    rem.Date.Parse(DateFromToday(1).c_str(), "YYYYMMDD");
    rem.RemMsg = "first line\r\nsecond line\r\n\r\nlast";
    r.List().Add(rem);
    XString shared;
    r.Write(nullptr, &shared);
    CReminders back;
    back.Read(nullptr, &shared);
    ASSERT_EQ(1u, back.GetCount());
    EXPECT_EQ("first line\r\nsecond line\r\n\r\nlast", std::string(back.List()[0].RemMsg.View()));
}

TEST(CReminder, SummaryLine) {
    CReminder rem;
    rem.Date.Parse("20240305", "YYYYMMDD");
    rem.Type = "None";
    rem.RemTitle = std::string(41, 'T').c_str();
    rem.RemMsg = "short";
    const std::string line = rem.Summary();
    EXPECT_EQ(std::string(40, 'T') + " ..." + "Mar 05, 2024   " + "None" + std::string(26, ' ') + "short", line);

    rem.RemTitle = "Hi";
    rem.RemMsg = std::string(38, 'm').c_str();
    rem.RemMsg += "\r\nxyz";
    EXPECT_EQ("Hi" + std::string(41, ' ') + "Mar 05, 2024   " + "None" + std::string(26, ' ') + std::string(38, 'm') + " x ...",
              rem.Summary());

    // Trailing blanks are trimmed before the cut.
    rem.RemMsg = (std::string(10, 'a') + "\r\n" + std::string(40, ' ')).c_str();
    EXPECT_EQ(std::string(10, 'a') + " ...", rem.Summary().substr(43 + 15 + 30));
    // A 40-character message stays as it is, line break included.
    rem.RemMsg = (std::string(19, 'b') + "\r\n" + std::string(19, 'c')).c_str();
    EXPECT_EQ(std::string(rem.RemMsg.View()), rem.Summary().substr(43 + 15 + 30));
    // A long type is not cut by its padding.
    rem.RemMsg = "";
    rem.Type = std::string(35, 'y').c_str();
    EXPECT_EQ(43u + 15u + 35u, rem.Summary().size());
}
