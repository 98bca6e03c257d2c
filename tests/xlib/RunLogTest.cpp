#include "xlib/RunLog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "tests/TestSupport.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
struct RunLogTest : ::testing::Test {
    void SetUp() override {
        saved = GetInstallPath();
        SetInstallPath(dir.Path());
    }
    void TearDown() override { SetInstallPath(saved); }
    std::string Log() const { return ReadWholeFile(dir.File("RunLog.txt")); }
    TempDir dir;
    std::string saved;
};

const std::regex kEntry(
    R"(\*\*\* LogEntry: \d\d/\d\d/\d{4} \d\d:\d\d:\d\d\.\d{3} (AM|PM)\r\nSubject = ([^\r]*)\r\nMessage = ([^\r]*)\r\n\r\n)");

size_t CountEntries(const std::string& text) {
    return static_cast<size_t>(std::distance(std::sregex_iterator(text.begin(), text.end(), kEntry), std::sregex_iterator()));
}
}  // namespace

TEST_F(RunLogTest, EntryLayout) {
    WriteRunLog("Weather error", "no answer", false);
    std::string text = Log();
    std::smatch m;
    ASSERT_TRUE(std::regex_match(text, m, kEntry)) << text;
    EXPECT_EQ("Weather error", m[2].str());
    EXPECT_EQ("no answer", m[3].str());
}

TEST_F(RunLogTest, TimeText) {
    char out[32];
    LocalTimeParts t;
    t.year = 2026; t.month = 12; t.day = 8; t.hour = 0; t.minute = 5; t.second = 9; t.millisecond = 7;
    FormatRunLogTime(t, out);
    EXPECT_STREQ("12/08/2026 12:05:09.007 AM", out);
    t.hour = 12;
    FormatRunLogTime(t, out);
    EXPECT_STREQ("12/08/2026 12:05:09.007 PM", out);
    t.hour = 23; t.month = 1; t.day = 31;
    FormatRunLogTime(t, out);
    EXPECT_STREQ("01/31/2026 11:05:09.007 PM", out);
}

TEST_F(RunLogTest, AppendsAndStartsNew) {
    WriteRunLog("a", "1", false);
    WriteRunLog("b", "2", false);
    EXPECT_EQ(2u, CountEntries(Log()));
    WriteRunLog("c", "3", true);
    EXPECT_EQ(1u, CountEntries(Log()));
    EXPECT_NE(std::string::npos, Log().find("Subject = c"));
}

TEST_F(RunLogTest, RestartsAtQuarterMebibyte) {
    const std::string path = dir.File("RunLog.txt");
    WriteWholeFile(path, std::string(kRunLogLimit - 1, 'x'));
    WriteRunLog("keep", "appended", false);
    std::string text = Log();
    EXPECT_GT(text.size(), static_cast<size_t>(kRunLogLimit));
    EXPECT_EQ(0u, text.find(std::string(kRunLogLimit - 1, 'x')));

    WriteWholeFile(path, std::string(kRunLogLimit, 'x'));
    WriteRunLog("fresh", "only", false);
    text = Log();
    EXPECT_EQ(1u, CountEntries(text));
    EXPECT_EQ(0u, text.find("*** LogEntry: "));
}

// Where the log cannot go (no folder, a folder or a FIFO in the file's
// place), the entry is lost without an error and without waiting.
TEST_F(RunLogTest, UnwritablePlacesLoseTheEntryAtOnce) {
    SetInstallPath(dir.File("no") + "such" + std::string(1, '/') + "dir");
    WriteRunLog("lost", "entry", false);
    SetInstallPath(dir.Path());
    const std::string path = dir.File("RunLog.txt");
    ASSERT_TRUE(std::filesystem::create_directory(path));
    WriteRunLog("lost", "entry", true);
    EXPECT_TRUE(std::filesystem::is_directory(path));
    std::filesystem::remove(path);
#if !defined(_WIN32) && GTEST_HAS_DEATH_TEST
    ASSERT_EQ(0, mkfifo(path.c_str(), 0600));
    // Opening a FIFO waits for its other end: a writer that did would hang here.
    EXPECT_EXIT(
        {
            alarm(10);
            WriteRunLog("lost", "entry", false);
            _exit(0);
        },
        ::testing::ExitedWithCode(0), "");
#endif
}

TEST_F(RunLogTest, ConcurrentWritersNeverTearEntries) {
    std::vector<std::thread> threads;
    const int kThreads = 8, kEach = 60;  // stays under the restart size
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            std::string body(200 + t * 37, static_cast<char>('a' + t));
            // Each message differs, so none is held back as a repeat.
            for (int i = 0; i < kEach; ++i) WriteRunLog("Thread " + std::to_string(t), body + std::to_string(i), false);
        });
    }
    for (auto& th : threads) th.join();
    std::string text = Log();
    // Every byte of the file belongs to a whole entry whose message is one thread's.
    size_t consumed = 0, count = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), kEntry); it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        EXPECT_EQ(static_cast<size_t>(m.position(0)), consumed);
        std::string subject = m[2].str(), message = m[3].str();
        int t = subject.back() - '0';
        EXPECT_EQ(0u, message.find(std::string(200 + t * 37, static_cast<char>('a' + t)))) << message;
        consumed += m.length(0);
        ++count;
    }
    EXPECT_EQ(text.size(), consumed);
    EXPECT_EQ(static_cast<size_t>(kThreads * kEach), count);
}

TEST_F(RunLogTest, GuardLogsBothKindsAndReturns) {
    bool ranToEnd = XGuard("CBgBitmap::Read", [] { throw XException(2, "XString", "in Sub failed. Msg="); });
    EXPECT_FALSE(ranToEnd);
    EXPECT_FALSE(XGuard("CBgBitmap::Setup", [] { throw 42; }));
    EXPECT_TRUE(XGuard("CBgBitmap::Draw", [] {}));
    EXPECT_FALSE(XGuard("CEmail constructor", [] { throw std::runtime_error("x"); }));
    std::string text = Log();
    EXPECT_NE(std::string::npos,
              text.find("Subject = XException\r\nMessage = While in CBgBitmap::Read. Msg=Exception(Basalt): Class "
                        "XString, Msg=in Sub failed. Msg=\r\n"));
    EXPECT_NE(std::string::npos, text.find("Subject = Exception\r\nMessage = While in CBgBitmap::Setup.\r\n"));
    EXPECT_NE(std::string::npos, text.find("Message = While in CEmail constructor.\r\n"));
    EXPECT_EQ(3u, CountEntries(text));
}

// An entry never grows past its limit, whatever it is given; a cut message
// says so and how long it was, and shorter ones are written as they are.
TEST_F(RunLogTest, OneEntryIsCappedWithAMarker) {
    struct Case {
        size_t subject, message;
        bool cut;
    } cases[] = {
        {12, 100, false},
        {12, 3000, false},
        {12, 5000, true},
        {12, 10u << 20, true},          // a 10 MB picture path in a message
        {1u << 20, 100, false},          // a huge subject is cut to its own limit
    };
    for (const Case& c : cases) {
        const std::string subject(c.subject, 's'), message(c.message, 'm');
        WriteRunLog(subject, message, true);
        const std::string text = Log();
        EXPECT_LE(text.size(), kRunLogEntryLimit) << c.message;
        EXPECT_EQ(1u, CountEntries(text)) << c.message;
        const std::string marker = " [... cut: " + std::to_string(c.message) + " characters in all]\r\n\r\n";
        const bool marked = text.size() >= marker.size() && text.compare(text.size() - marker.size(), marker.size(), marker) == 0;
        EXPECT_EQ(c.cut, marked) << c.message;
        if (!c.cut) {
            EXPECT_NE(std::string::npos, text.find("Message = " + message + "\r\n")) << c.message;
        }
        EXPECT_NE(std::string::npos, text.find("Subject = " + subject.substr(0, kRunLogSubjectLimit) + "\r\n"));
    }
}

namespace {
uint32_t g_fakeNow = 0;
uint32_t FakeNow() { return g_fakeNow; }
}  // namespace

// The same entry again and again is written once a minute at most, then with
// the count of those held back; anything that differs in subject or message
// is its own entry, and a new start forgets what came before.
TEST_F(RunLogTest, RepeatsAreCountedNotWritten) {
    SetRunLogClockForTests(&FakeNow);
    g_fakeNow = 0xFFFFF000u;  // the millisecond counter wraps during the test
    struct Step {
        uint32_t advanceMs;
        const char* subject;
        const char* message;
        bool startNew;
        const char* written;  // the message as it reaches the file, or nullptr
    } steps[] = {
        {0, "Mail", "refused", false, "refused"},
        {10, "Mail", "refused", false, nullptr},
        {10, "Mail", "refused", false, nullptr},
        {10, "Mail", "other text", false, "other text"},
        {10, "Weather", "refused", false, "refused"},
        {59000, "Mail", "refused", false, nullptr},
        {1000, "Mail", "refused", false, "refused [... repeated 3 times]"},
        {10, "Mail", "refused", false, nullptr},
        {60000, "Mail", "refused", false, "refused [... repeated 1 times]"},
        {60000, "Mail", "refused", false, "refused"},
        {10, "Mail", "refused", true, "refused"},
        {10, "Mail", "refused", false, nullptr},
        {10, "Mail", "refused", false, nullptr},
        {10, "", "", false, ""},  // a removed log forgets (see below)
        {10, "Mail", "refused", false, "refused"},
    };
    std::string expected;
    for (const Step& s : steps) {
        g_fakeNow += s.advanceMs;
        if (s.startNew) expected.clear();
        if (!*s.subject) {
            std::filesystem::remove(dir.File("RunLog.txt"));
            expected.clear();
            continue;
        }
        WriteRunLog(s.subject, s.message, s.startNew);
        if (s.written) expected += std::string("Subject = ") + s.subject + "\r\nMessage = " + s.written + "\r\n";
        std::string text = Log(), got;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), kEntry); it != std::sregex_iterator(); ++it)
            got += "Subject = " + (*it)[2].str() + "\r\nMessage = " + (*it)[3].str() + "\r\n";
        EXPECT_EQ(expected, got) << "after " << s.subject << "/" << s.message;
    }
    SetRunLogClockForTests(nullptr);
}

// A flood of failing accounts: each distinct entry reaches the file once, and
// the file keeps the history written before the flood.
TEST_F(RunLogTest, AFloodKeepsTheHistory) {
    SetRunLogClockForTests(&FakeNow);
    WriteRunLog("History", "written before the flood", false);
    for (int pass = 0; pass < 200; ++pass) {
        g_fakeNow += 50;
        for (int account = 0; account < 256; ++account)
            WriteRunLog("E-mail", "account " + std::to_string(account) + " refused the password", false);
    }
    const std::string text = Log();
    EXPECT_EQ(0u, text.find("*** LogEntry: ")) << "the file restarted";
    EXPECT_NE(std::string::npos, text.find("written before the flood"));
    EXPECT_EQ(1u + 256u, CountEntries(text));
    SetRunLogClockForTests(nullptr);
}
