// XString::DownloadFile against the loopback vendor server (on Windows the
// system's web client talks to it through Wine), and UrlEncode.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "platform/Download.h"
#include "tests/VendorServer.h"
#include "xlib/XString.h"

namespace {

using Ms = std::chrono::milliseconds;

std::string Str(const XString& s) { return std::string(s.c_str(), s.GetLength()); }

std::string BigPattern(size_t n) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = i % 97 == 0 ? '\0' : static_cast<char>(33 + i % 90);
    return s;
}

// The process's peak resident size in KiB (VmHWM), or -1 where the system
// does not tell.
long PeakRssKib() {
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1) break;
    std::fclose(f);
    return kib;
}

double MsSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

class Download : public VendorServerSuite {
protected:
    void TearDown() override {
        SetDownloadStallLimitMs(0);
        SetDownloadOverallLimitMs(0);
        Server().SetKnobs("{}");
        VendorServerSuite::TearDown();
    }
    std::string LastRequest() {
        const auto r = Server().Requests();
        return r.empty() ? std::string() : r.back();
    }
    // Waits until the server has seen `n` requests (a loaded machine can be slow).
    bool WaitForRequests(size_t n) {
        for (int i = 0; i < 3000; ++i) {
            if (Server().Requests().size() >= n) return true;
            std::this_thread::sleep_for(Ms(10));
        }
        return false;
    }
};

}  // namespace

// Every way of writing the address reaches the same server with the request
// line the server expects.
TEST_F(Download, AddressFormsReachTheServer) {
    const std::string hp = Server().HostPort();
    struct Case {
        std::string url;
        std::string target;
        std::string bodyStart;
    } cases[] = {
        {"http://" + hp + "/daytime", "/daytime", "\n"},
        {hp + "/daytime", "/daytime", "\n"},  // no scheme
        {"http://" + hp, "/", "<html><body>Vendor test server root"},  // no path
        {"http://" + hp + "/", "/", "<html><body>Vendor test server root"},
        {"http://" + hp + "?cmd=Check", "/?cmd=Check", "<html><body>Vendor test server root"},
        {"http://" + hp + "/cgi-bin/TimeSync.exe?cmd=List&x=a&y=b", "/cgi-bin/TimeSync.exe?cmd=List&x=a&y=b",
         "time-a.example|time-b.example\r\n|time-c.example"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        Server().ClearRequests();
        XString s;
        ASSERT_TRUE(s.DownloadFile(c.url.c_str())) << s.GetErrorMessage();
        EXPECT_EQ(Str(s).substr(0, c.bodyStart.size()), c.bodyStart);
        const std::string r = LastRequest();
        EXPECT_EQ(VendorServer::Field(r, "target"), c.target);
        EXPECT_EQ(VendorServer::Field(r, "version"), "HTTP/1.0");
        EXPECT_EQ(VendorServer::Field(r, "method"), "GET");
        EXPECT_EQ(VendorServer::Header(r, "User-Agent"), "XString.DownloadFile");
        EXPECT_FALSE(VendorServer::ViaProxy(r));
        EXPECT_EQ(Server().Requests().size(), 1u);
    }
    XString s;
    ASSERT_TRUE(s.DownloadFile(("http://" + hp + "/daytime").c_str(), false, nullptr, nullptr, "Agent 7"));
    EXPECT_EQ(VendorServer::Header(LastRequest(), "User-Agent"), "Agent 7");
}

TEST_F(Download, BodiesArriveWholeWithTheirNulBytes) {
    for (const char* knobs : {R"({"big_size": 10000})", R"({"big_size": 4096})", R"({"big_size": 4097})"}) {
        SCOPED_TRACE(knobs);
        Server().SetKnobs(knobs);
        const size_t size = std::stoul(std::string(knobs).substr(13));
        XString s;
        ASSERT_TRUE(s.DownloadFile(Server().Url("/big").c_str())) << s.GetErrorMessage();
        EXPECT_EQ(s.GetLength(), size);
        EXPECT_TRUE(Str(s) == BigPattern(size));
    }
}

// Any answer but an unanswered authentication is a success with its page;
// the headers, when asked for, come first with the end marker.
TEST_F(Download, StatusPagesAndHeaders) {
    Server().SetKnobs(R"({"mode": "404"})");
    XString page;
    ASSERT_TRUE(page.DownloadFile(Server().Url("/cgi-bin/weatherfeed.exe?cmd=All").c_str())) << page.GetErrorMessage();
    EXPECT_EQ(Str(page), "<html><body>404 Not Found: /cgi-bin/weatherfeed.exe</body></html>");

    XString withHeaders;
    ASSERT_TRUE(withHeaders.DownloadFile(Server().Url("/nowhere").c_str(), true));
    const std::string text = Str(withHeaders);
    const std::string marker = "\r\n***END OF HEADERS***\r\n";
    const size_t at = text.find(marker);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.substr(0, 13), "HTTP/1.0 404 ");
    const std::string body = "<html><body>404 Not Found: /nowhere</body></html>";
    EXPECT_NE(text.substr(0, at).find("Content-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.substr(at + marker.size()), body);

    Server().SetKnobs("{}");
    XString big;
    ASSERT_TRUE(big.DownloadFile(Server().Url("/big").c_str(), true));
    EXPECT_EQ(big.GetLength() - (Str(big).find(marker) + marker.size()), 10000u);
}

TEST_F(Download, AuthenticationRounds) {
    Server().SetKnobs(R"({"mode": "auth"})");
    struct Case {
        const char* user;
        const char* password;
        bool ok;
        const char* error;
        size_t requests;  // at least
    } cases[] = {
        {nullptr, nullptr, false, "Error: in XString::DownloadFile authentication failed(1).", 1},
        {"user", nullptr, false, "Error: in XString::DownloadFile authentication failed(1).", 1},
        {"user", "wrong", false, "Error: in XString::DownloadFile authentication failed(2).", 3},
        {"user", "secret", true, "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.user ? c.user : "-") + "/" + (c.password ? c.password : "-"));
        Server().ClearRequests();
        XString s;
        EXPECT_EQ(s.DownloadFile(Server().Url("/daytime").c_str(), false, c.user, c.password), c.ok);
        EXPECT_STREQ(s.GetErrorMessage(), c.error);
        EXPECT_GE(Server().Requests().size(), c.requests);
        if (c.ok) {
            EXPECT_EQ(VendorServer::Field(LastRequest(), "credentials"), "user:secret");
            EXPECT_EQ(Str(s).substr(0, 1), "\n");
        }
        // The password never shows in any text.
        EXPECT_EQ(std::string(s.GetErrorMessage()).find("secret"), std::string::npos);
    }
}

// The server acting as the proxy sees the whole address of a host that
// exists nowhere else.
TEST_F(Download, ThroughTheProxyArgument) {
    const std::string proxy = Server().HostPort();
    XString s;
    ASSERT_TRUE(s.DownloadFile("http://vendor.invalid/cgi-bin/TimeSync.exe?cmd=List", false, nullptr, nullptr, nullptr,
                               proxy.c_str()))
        << s.GetErrorMessage();
    EXPECT_EQ(Str(s), "time-a.example|time-b.example\r\n|time-c.example");
    const std::string r = LastRequest();
    EXPECT_TRUE(VendorServer::ViaProxy(r)) << r;
    // WinINet names the default port in the address it gives the proxy.
    const std::string host = VendorServer::Field(r, "host");
    EXPECT_TRUE(host == "vendor.invalid" || host == "vendor.invalid:80") << host;
    EXPECT_EQ(VendorServer::Field(r, "target"), "http://" + host + "/cgi-bin/TimeSync.exe?cmd=List");
}

TEST_F(Download, FailuresSayWhatWentWrong) {
    struct Case {
        const char* url;
        const char* error;
    } cases[] = {
        {nullptr, "Error: in XString::DownloadFile Url is NULL."},
        {"http://127.0.0.1:9/closed", "Error: in XString::DownloadFile send request failed."},
        {"http://127.0.0.1:99999/", "Error: in XString::DownloadFile failed to connect to the server."},
        {"http://127.0.0.1:port/", "Error: in XString::DownloadFile failed to connect to the server."},
        {"http:///no-host", "Error: in XString::DownloadFile failed to connect to the server."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url ? c.url : "null");
        XString s("previous text");
        EXPECT_FALSE(s.DownloadFile(c.url));
        EXPECT_STREQ(s.GetErrorMessage(), c.error);
        if (c.url) {
            EXPECT_EQ(s.GetLength(), 0u);
        }
    }
    // A success clears the last failure's text.
    XString s;
    EXPECT_FALSE(s.DownloadFile(nullptr));
    EXPECT_TRUE(s.DownloadFile(Server().Url("/daytime").c_str()));
    EXPECT_STREQ(s.GetErrorMessage(), "");
}

// A server that accepts and then says nothing, before or in the middle of
// the body, is given up after the stall limit with a clear text.
TEST_F(Download, SilentServerIsGivenUp) {
    SetDownloadStallLimitMs(700);
    for (const char* mode : {"hang", "stall"}) {
        SCOPED_TRACE(mode);
        Server().SetKnobs(std::string(R"({"mode": ")") + mode + "\"}");
        const auto start = std::chrono::steady_clock::now();
        XString s;
        EXPECT_FALSE(s.DownloadFile(Server().Url("/daytime").c_str()));
        const double ms = MsSince(start);
        std::printf("[ figures  ] %s server given up after %.0f ms (limit 700 ms)\n", mode, ms);
        EXPECT_STREQ(s.GetErrorMessage(), "Error: in XString::DownloadFile no answer from the server for 0.7 seconds.");
        EXPECT_GE(ms, 600.0);
        EXPECT_LT(ms, 20000.0);
    }
}

// A stop from another thread ends a download that waits on a silent server
// at once; a stop requested earlier keeps the next one from starting.
TEST_F(Download, StopEndsTheTransferAtOnce) {
    for (const char* mode : {"hang", "stall"}) {
        SCOPED_TRACE(mode);
        Server().ClearRequests();
        Server().SetKnobs(std::string(R"({"mode": ")") + mode + "\"}");
        DownloadStop stop;
        bool ok = true;
        std::string error;
        std::chrono::steady_clock::time_point ended;
        std::thread worker([&] {
            DownloadStopScope scope(stop);
            XString s;
            ok = s.DownloadFile(Server().Url("/daytime").c_str());
            error = s.GetErrorMessage();
            ended = std::chrono::steady_clock::now();
        });
        ASSERT_TRUE(WaitForRequests(1));
        std::this_thread::sleep_for(Ms(100));  // well inside the transfer's wait
        const auto asked = std::chrono::steady_clock::now();
        stop.Request();
        worker.join();
        const double ms = std::chrono::duration<double, std::milli>(ended - asked).count();
        std::printf("[ figures  ] download (%s server) ended %.1f ms after the stop\n", mode, ms);
        EXPECT_FALSE(ok);
        EXPECT_EQ(error, "Error: in XString::DownloadFile stopped before the transfer ended.");
        EXPECT_LT(ms, 1000.0);
    }
    Server().ClearRequests();
    DownloadStop stop;
    stop.Request();
    DownloadStopScope scope(stop);
    XString s;
    EXPECT_FALSE(s.DownloadFile(Server().Url("/daytime").c_str()));
    EXPECT_STREQ(s.GetErrorMessage(), "Error: in XString::DownloadFile stopped before the transfer ended.");
    EXPECT_TRUE(Server().Requests().empty());
}

// A server that sends more than the caller's cap, without end, or a byte at a
// time: each download ends with its own text, in bounded time, and the
// memory the body took is given back.
TEST_F(Download, HostileBodiesEndAtTheCapOrTheLimit) {
    SetDownloadOverallLimitMs(1500);
    const char* tooLarge = "Error: in XString::DownloadFile the answer is larger than 262144 bytes.";
    const char* tooLong = "Error: in XString::DownloadFile the transfer did not end within 1.5 seconds.";
    struct Case {
        const char* knobs;
        const char* error;
        // Wine's web client may hold a long body back until it ends: the time limit ends it then.
        const char* orError;
    } cases[] = {
        {R"({"mode": "huge"})", tooLarge, tooLong},
        {R"({"mode": "endless"})", tooLarge, tooLarge},
        {R"({"mode": "endless-chunked"})", tooLarge, tooLong},
        {R"({"mode": "drip", "drip_ms": 100})", tooLong, tooLong},
        // A body just under the cap is still taken whole.
        {R"({"mode": "big", "big_size": 262144})", "", ""},
    };
    const long peakBefore = PeakRssKib();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.knobs);
        Server().SetKnobs(c.knobs);
        const auto start = std::chrono::steady_clock::now();
        XString s;
        bool ok;
        {
            DownloadLimitScope limit(256 * 1024);
            ok = s.DownloadFile(Server().Url("/cgi-bin/weatherfeed.exe?cmd=All").c_str());
        }
        const double ms = MsSince(start);
        std::printf("[ figures  ] %s: %s after %.0f ms\n", c.knobs, ok ? "taken" : "refused", ms);
        EXPECT_EQ(ok, *c.error == 0);
        const std::string error = s.GetErrorMessage();
        EXPECT_TRUE(error == c.error || error == c.orError) << error;
        if (ok) {
            EXPECT_EQ(s.GetLength(), 262144u);
        } else {
            EXPECT_EQ(s.GetLength(), 0u);
        }
        EXPECT_LT(ms, 20000.0);  // generous: the figure above is what counts
    }
    const long peakAfter = PeakRssKib();
    if (peakBefore > 0) {
        std::printf("[ figures  ] peak RSS %ld KiB before, %ld KiB after the hostile bodies\n", peakBefore, peakAfter);
        EXPECT_LT(peakAfter - peakBefore, 64 * 1024);  // generous: a 100 MB body taken whole is far above
    }
}

// Scopes only narrow: the innermost cap wins where it is smaller, and a
// scope's time is shared by every download started inside it.
TEST_F(Download, LimitScopesNest) {
    EXPECT_EQ(CurrentDownloadLimits().maxBytes, kDefaultDownloadMaxBytes);
    EXPECT_EQ(CurrentDownloadLimits().overallMs, 60000u);
    {
        DownloadLimitScope outer(1000);
        EXPECT_EQ(CurrentDownloadLimits().maxBytes, 1000u);
        {
            DownloadLimitScope wider(5000, 800);
            EXPECT_EQ(CurrentDownloadLimits().maxBytes, 1000u);
            EXPECT_LE(CurrentDownloadLimits().overallMs, 800u);
            DownloadLimitScope narrower(10);
            EXPECT_EQ(CurrentDownloadLimits().maxBytes, 10u);
            EXPECT_LE(CurrentDownloadLimits().overallMs, 800u);
        }
        EXPECT_EQ(CurrentDownloadLimits().overallMs, 60000u);
    }
    EXPECT_EQ(CurrentDownloadLimits().maxBytes, kDefaultDownloadMaxBytes);

    // Two dripping downloads in a 1.5 s scope end together within it.
    Server().SetKnobs(R"({"mode": "drip", "drip_ms": 100})");
    const auto start = std::chrono::steady_clock::now();
    {
        DownloadLimitScope soon(0, 1500);
        for (int i = 0; i < 2; ++i) {
            XString s;
            EXPECT_FALSE(s.DownloadFile(Server().Url("/daytime").c_str()));
            EXPECT_EQ(std::string(s.GetErrorMessage()).rfind(DownloadText::kTooLong, 0), 0u) << s.GetErrorMessage();
        }
    }
    const double ms = MsSince(start);
    std::printf("[ figures  ] two dripping downloads in a 1.5 s scope ended after %.0f ms\n", ms);
    EXPECT_LT(ms, 10000.0);
}

TEST(XStringUrlEncode, BothTables) {
    struct Case {
        std::string in;
        bool strict;
        std::string out;
    } cases[] = {
        {" ", false, "+"},
        {" ", true, "+"},
        {"a&b", true, "a%26b"},
        {"a&b", false, "a&b"},
        {"AZaz09", true, "AZaz09"},
        {"&-./:;=?@_", false, "&-./:;=?@_"},
        {"&-./:;=?@_", true, "%26%2D%2E%2F%3A%3B%3D%3F%40%5F"},
        {"Meadow glow!", false, "Meadow+glow%21"},
        {std::string("a\0b", 3), false, "a%00b"},
        {"\xff\x80~%+", false, "%FF%80%7E%25%2B"},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        XString s;
        s.SetData(c.in.data(), static_cast<int>(c.in.size()));
        s.UrlEncode(c.strict);
        EXPECT_EQ(Str(s), c.out) << c.in << (c.strict ? " strict" : "");
    }
    // Far past the 1024 characters of a fixed buffer.
    XString longText;
    longText.Append("& ", 2000);
    longText.UrlEncode(true);
    EXPECT_EQ(longText.GetLength(), 8000u);
    EXPECT_EQ(Str(longText).substr(0, 8), "%26+%26+");
}
