// Downloads through the helper process: the answer is the one the program
// would have had itself, a helper that misbehaves in any way ends its
// download with a failure in bounded time, and without a helper the program
// downloads itself.
#include "platform/linux/FetchHelper.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "platform/Download.h"
#include "platform/ProgramDir.h"
#include "tests/VendorServer.h"
#include "xlib/XString.h"

namespace {

const std::string kHelper = PlatformProgramDir() + "meadowglow-fetch";

// The answer as the caller sees it, less the lines that change from one
// response to the next.
std::string Comparable(const XString& s) {
    std::istringstream in(std::string(s.c_str(), s.GetLength()));
    std::string line, out;
    while (std::getline(in, line))
        if (line.rfind("Date:", 0) != 0) out += line + "\n";
    return out;
}

class FetchHelperTest : public VendorServerSuite {
protected:
    void TearDown() override {
        FetchHelper::SetPath(kHelper);
        VendorServerSuite::TearDown();
    }
    // A stand-in for the helper: a shell script that runs `script` instead,
    // its output going where the helper's frames go (the socket on fd 0).
    std::string FakeHelper(const std::string& script) {
        const std::string path = ::testing::TempDir() + "mg-fake-fetch";
        std::ofstream(path) << "#!/bin/sh\nexec >&0\n" << script << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }
};

}  // namespace

TEST_F(FetchHelperTest, TheHelperGivesTheAnswerTheProgramWouldHaveHad) {
    ASSERT_TRUE(FetchHelper::Available()) << "no helper at " << kHelper;
    for (const char* knobs : {"{}", R"({"mode": "404"})", R"({"big_size": 200000})"}) {
        SCOPED_TRACE(knobs);
        Server().SetKnobs(knobs);
        XString viaHelper, here;
        FetchHelper::SetPath(kHelper);
        ASSERT_TRUE(viaHelper.DownloadFile(Server().Url("/big").c_str(), true, "user", "secret", "Agent/1"))
            << viaHelper.GetErrorMessage();
        FetchHelper::SetPath("");
        ASSERT_TRUE(here.DownloadFile(Server().Url("/big").c_str(), true, "user", "secret", "Agent/1"))
            << here.GetErrorMessage();
        EXPECT_EQ(Comparable(viaHelper), Comparable(here));
    }
    const auto requests = Server().Requests();
    ASSERT_EQ(requests.size(), 6u);
    // The same request, but for the server's count of them.
    const std::regex count(R"("n": \d+, )");
    for (size_t i = 0; i < requests.size(); i += 2)
        EXPECT_EQ(std::regex_replace(requests[i], count, ""), std::regex_replace(requests[i + 1], count, ""));
}

TEST_F(FetchHelperTest, AHelperThatMisbehavesEndsItsDownloadWithAFailure) {
    using namespace DownloadText;
    const struct {
        const char* what;
        const char* script;
        std::string error;  // what the failure's text begins with
    } cases[] = {
        {"ends at once", "exit 0", kSend},
        {"crashes", "kill -SEGV $$", kSend},
        {"sends a frame that is none of ours", R"(printf 'Z\000\000\000\000')", kSend},
        {"announces headers past their cap", R"(printf 'H\377\377\377\377')", kSend},
        {"sends a body before its headers", R"(printf 'B\001\000\000\000x')", kSend},
        {"sends the headers twice", R"(printf 'H\001\000\000\000xH\001\000\000\000x')", kRead},
        {"ends in the middle of the body", R"(printf 'H\001\000\000\000xB\010\000\000\000abc')", kRead},
        {"ends without its last frame", R"(printf 'H\001\000\000\000xB\003\000\000\000abc')", kRead},
        {"sends more body than the cap", R"(printf 'H\001\000\000\000xB\010\000\000\000abcdefgh')",
         DownloadTooLargeText(4)},
        {"reports a failure of its own", R"(printf 'E\005\000\000\000oops!')", "oops!"},
        {"says nothing past the overall limit", "exec sleep 30", kTooLong},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FetchHelper::SetPath(FakeHelper(c.script));
        DownloadLimitScope limits(4, 200);
        const auto start = std::chrono::steady_clock::now();
        XString s;
        EXPECT_FALSE(s.DownloadFile("http://127.0.0.1:9/never-asked"));
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(std::string(s.GetErrorMessage()).substr(0, c.error.size()), c.error) << s.GetErrorMessage();
        EXPECT_EQ(s.GetLength(), 0u);
        EXPECT_LT(ms, 8000.0);  // the overall limit and the grace after it
    }
}

TEST_F(FetchHelperTest, WithoutAHelperTheProgramDownloadsItself) {
    for (const std::string& path : {std::string(), std::string("/nonexistent/meadowglow-fetch"),
                                    ::testing::TempDir()}) {
        SCOPED_TRACE(path);
        FetchHelper::SetPath(path);
        EXPECT_FALSE(FetchHelper::Available());
        XString s;
        ASSERT_TRUE(s.DownloadFile(Server().Url("/big").c_str())) << s.GetErrorMessage();
        EXPECT_EQ(s.GetLength(), 10000u);
    }
}
