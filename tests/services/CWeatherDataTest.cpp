// The weather module: its section, the report it takes in, the colours, and
// the worker against the loopback vendor server, with the clock handed in.
#include "services/CWeatherData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "services/VendorService.h"
#include "tests/TestSupport.h"
#include "tests/VendorServer.h"
#include "xlib/RunLog.h"
#include "xlib/XPaths.h"

namespace {

std::string Str(const XString& s) { return std::string(s.c_str(), s.GetLength()); }

XDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    XDateTime t;
    EXPECT_TRUE(t.Set(y, mo, d, h, mi, s, ms));
    return t;
}

XDateTime Plus(XDateTime t, double minutes) {
    const int whole = static_cast<int>(minutes);
    t.AddMinutes(whole);
    const int ms = static_cast<int>((minutes - whole) * 60000.0 + 0.5);
    int total = t.GetSecond() * 1000 + t.GetMillisecond() + ms;
    if (total >= 60000) {
        t.AddMinutes(1);
        total -= 60000;
    }
    t.SetSecond(total / 1000);
    t.SetMillisecond(total % 1000);
    return t;
}

std::string RunLog() { return ReadWholeFile(InstallDir() + "RunLog.txt"); }

const std::string kQuery = std::string("&x=") + Vendor::kWeatherX + "&y=" + Vendor::kWeatherY;

}  // namespace

TEST(CWeatherData, SectionDefaultsReadAndWrite) {
    CWeatherData w;
    EXPECT_TRUE(w.ZipCode.IsEmpty());
    EXPECT_FALSE(w.DisplayTemp);
    EXPECT_EQ(Str(w.ProviderText),
              "Weather data provided by www.meadowweather.example - [Click here to visit meadowweather.example]");
    EXPECT_EQ(Str(w.ProviderUrl), "http://www.meadowweather.example");

    w.Read("<WeatherData>\t<ZipCode>  90210 </ZipCode><DisplayTemp>TRUEish</DisplayTemp>"
           "<ProviderText> Credit </ProviderText><ProviderUrl> http://p.example </ProviderUrl></WeatherData>");
    EXPECT_EQ(Str(w.GetZipCode()), "90210");
    EXPECT_TRUE(w.DisplayTemp);
    EXPECT_EQ(Str(w.ProviderText), "Credit");
    EXPECT_EQ(Str(w.ProviderUrl), "http://p.example");
    w.ZipCode = " 12345 ";
    XString out;
    w.Write(out);
    EXPECT_EQ(Str(out),
              "\t<WeatherData>\r\n"
              "\t\t<ZipCode>12345</ZipCode>\r\n"
              "\t\t<DisplayTemp>true</DisplayTemp>\r\n"
              "\t\t<ProviderText>Credit</ProviderText>\r\n"
              "\t\t<ProviderUrl>http://p.example</ProviderUrl>\r\n"
              "\t</WeatherData>\r\n");

    // A present section with keys missing reads them as empty and false; a
    // missing or empty section gives the defaults.
    w.Read("<WeatherData><ZipCode>1</ZipCode></WeatherData>");
    EXPECT_FALSE(w.DisplayTemp);
    EXPECT_TRUE(w.ProviderText.IsEmpty());
    for (const char* text : {"", "<WeatherData></WeatherData>", "<Other>x</Other>"}) {
        w.ZipCode = "1";
        w.DisplayTemp = true;
        w.Read(text);
        EXPECT_TRUE(w.ZipCode.IsEmpty()) << text;
        EXPECT_FALSE(w.DisplayTemp) << text;
        EXPECT_EQ(Str(w.ProviderUrl), "http://www.meadowweather.example") << text;
    }
}

// Each reply in turn: a value with blanks around it is taken trimmed; a
// reply without a key, or with it empty, keeps the last value of that key.
TEST(CWeatherData, ReplyKeepsTheLastUsableValues) {
    struct Step {
        const char* reply;
        const char* temp;
        const char* location;
    } steps[] = {
        {"<Temp>72</Temp><Location>Testville</Location>", "72", "Testville"},
        {"<Temp>  81 </Temp>", "81", "Testville"},
        {"<Location>Elsewhere</Location>", "81", "Elsewhere"},
        {"<Temp></Temp><Temp>99</Temp>", "81", "Elsewhere"},
        {"<Temp>   </Temp>", "81", "Elsewhere"},
        {"<Temp>-5</Temp><Sunrise>7:10 am</Sunrise>", "-5", "Elsewhere"},
        {"<Error>Unknown zip code</Error>", "-5", "Elsewhere"},
    };
    CWeatherData w;
    for (const Step& s : steps) {
        w.TakeReply(s.reply);
        EXPECT_EQ(Str(w.GetTemperatureText()), s.temp) << s.reply;
        EXPECT_EQ(Str(w.GetValue("Location")), s.location) << s.reply;
    }
    EXPECT_EQ(Str(w.GetValue("Sunrise")), "7:10 am");
    EXPECT_TRUE(w.GetValue("NoSuchKey").IsEmpty());
}

TEST(CWeatherData, ColoursFollowTheTemperature) {
    struct Case {
        double t;
        float r, g, b;
    } cases[] = {
        {-40, 0, 0, 1},   {34.9, 0, 0, 1},  {35, 0, 0, 1},      {44.375, 0, 0.5f, 1}, {53.75, 0, 1, 1},
        {63.125, 0, 1, 0.5f}, {72.5, 0, 1, 0}, {81.875, 0.5f, 1, 0}, {91.25, 1, 1, 0},   {100.625, 1, 0.5f, 0},
        {110, 1, 0, 0},   {150, 1, 0, 0},   {1000, 1, 0, 0},
    };
    for (const Case& c : cases) {
        float rgb[3];
        CWeatherData::TemperatureColour(c.t, rgb);
        EXPECT_NEAR(rgb[0], c.r, 1e-5) << c.t;
        EXPECT_NEAR(rgb[1], c.g, 1e-5) << c.t;
        EXPECT_NEAR(rgb[2], c.b, 1e-5) << c.t;
    }
    // No jump at any breakpoint.
    for (double t : {35.0, 53.75, 72.5, 91.25, 110.0}) {
        float below[3], at[3];
        CWeatherData::TemperatureColour(t - 1e-7, below);
        CWeatherData::TemperatureColour(t, at);
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(below[k], at[k], 1e-5) << t;
    }
}

namespace {

class WeatherService : public VendorServerSuite {
protected:
    void SetUp() override {
        VendorServerSuite::SetUp();
        if (!HasFatalFailure()) AimVendorHost();
    }
    bool WaitFor(const std::function<bool()>& done) {
        for (int i = 0; i < 3000; ++i) {
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
};

}  // namespace

TEST_F(WeatherService, NothingIsFetchedWhileTheTemperatureIsHidden) {
    struct Case {
        const char* zip;
        bool display;
    } cases[] = {{"", true}, {"12345", false}, {"", false}};
    for (const Case& c : cases) {
        CWeatherData w;
        w.ZipCode = c.zip;
        w.DisplayTemp = c.display;
        EXPECT_FALSE(w.PollOnce(At(2026, 12, 8, 12)));
        EXPECT_FALSE(w.PollOnce(At(2027, 1, 8, 12)));
        // No worker is started for it.
        ASSERT_TRUE(StartWeatherThread(w));
        EXPECT_FALSE(w.IsThreadRunning());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        StopWeatherThread(w);
        EXPECT_EQ(Str(w.GetTemperatureText()), CWeatherData::kNoTemperature);
    }
    EXPECT_TRUE(Server().Requests().empty());
}

// The request is the fixed one with the zip code (encoded, so a hand-edited
// value cannot add keys of its own); the reply's temperature is taken.
TEST_F(WeatherService, RequestCarriesTheZipCodeAndTheFixedValues) {
    struct Case {
        const char* zip;
        const char* query;
    } cases[] = {
        {"12345", "cmd=All&zip=12345"},
        {"12 34&y=1", "cmd=All&zip=12+34%26y%3D1"},
    };
    for (const Case& c : cases) {
        Server().ClearRequests();
        CWeatherData w;
        w.ZipCode = c.zip;
        w.DisplayTemp = true;
        ASSERT_TRUE(w.PollOnce(At(2026, 12, 8, 12)));
        const auto requests = Server().Requests();
        ASSERT_EQ(requests.size(), 1u) << c.zip;
        EXPECT_EQ(VendorServer::Field(requests[0], "target"),
                  std::string("/cgi-bin/weatherfeed.exe?") + c.query + kQuery);
        EXPECT_EQ(Str(w.DataUrl), "http://" + Server().HostPort() + "/cgi-bin/weatherfeed.exe?" + c.query + kQuery);
        EXPECT_EQ(Str(w.GetTemperatureText()), "72");
    }
    EXPECT_EQ(std::string(Vendor::kWeatherY).size(), 15u);
}

// Good or failed, a download is not tried again for 30 minutes of the
// (handed-in) clock; a failure is logged, and the old temperature stays.
TEST_F(WeatherService, NextTryOnlyAfterThirtyMinutes) {
    for (bool failing : {false, true}) {
        SCOPED_TRACE(failing ? "failing" : "answering");
        Server().ClearRequests();
        if (failing) UseVendorHost(kNoVendorHost);
        CWeatherData w;
        w.ZipCode = "12345";
        w.DisplayTemp = true;
        w.TakeReply("<Temp>50</Temp>");
        const XDateTime t0 = At(2026, 12, 8, 23, 50);
        struct Step {
            double minutes;
            bool tries;
        } steps[] = {{0, true}, {0.5, false}, {29.99, false}, {30, true}, {59.9, false}, {60.0, true}};
        int tries = 0;
        for (const Step& s : steps) {
            EXPECT_EQ(w.PollOnce(Plus(t0, s.minutes)), s.tries) << s.minutes;
            tries += s.tries;
        }
        EXPECT_EQ(Server().Requests().size(), failing ? 0u : static_cast<size_t>(tries));
        EXPECT_EQ(Str(w.GetTemperatureText()), failing ? "50" : "72");
        if (failing) {
            const std::string entry = "Subject = Weather error\r\nMessage = Error: could not download weather data for "
                                      "URL=http://127.0.0.1:9/cgi-bin/weatherfeed.exe?cmd=All&zip=12345" +
                                      kQuery + ". Msg=Error: in XString::DownloadFile send request failed.\r\n";
            EXPECT_NE(RunLog().find(entry), std::string::npos) << RunLog();
        }
    }
}

// A server that answers without end, or a byte at a time, costs one bounded
// try per 30 minutes like any failure: the answer is refused at the report's
// cap or the request's time limit, logged, and the old temperature stays.
TEST_F(WeatherService, HostileAnswersCountAsADownload) {
    SetDownloadOverallLimitMs(1500);
    const std::string tooLarge = "Error: in XString::DownloadFile the answer is larger than 262144 bytes.";
    const std::string tooLong = "Error: in XString::DownloadFile the transfer did not end within 1.5 seconds.";
    struct Case {
        const char* knobs;
        // Wine's web client may hold a long body back until it ends: the time limit ends it then.
        std::string error, orError;
    } cases[] = {
        {R"({"mode": "endless"})", tooLarge, tooLarge},
        {R"({"mode": "endless-chunked"})", tooLarge, tooLong},
        {R"({"mode": "huge"})", tooLarge, tooLong},
        {R"({"mode": "drip", "drip_ms": 100})", tooLong, tooLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.knobs);
        // Each server is a run of its own: the same failure text again must
        // not be held back as a repeat of the case before.
        ForgetRunLogRepeats();
        Server().SetKnobs(c.knobs);
        Server().ClearRequests();
        CWeatherData w;
        w.ZipCode = "12345";
        w.DisplayTemp = true;
        w.TakeReply("<Temp>50</Temp>");
        const XDateTime t0 = At(2026, 12, 8, 12);
        const size_t logBefore = RunLog().size();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(w.PollOnce(t0));
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ figures  ] weather download against %s ended after %.0f ms\n", c.knobs, ms);
        EXPECT_LT(ms, 20000.0);
        EXPECT_FALSE(w.PollOnce(Plus(t0, 0.1)));
        EXPECT_FALSE(w.PollOnce(Plus(t0, 29.9)));
        EXPECT_EQ(Server().Requests().size(), 1u);
        EXPECT_EQ(Str(w.GetTemperatureText()), "50");
        const std::string entry = "Message = Error: could not download weather data for URL=" + Str(w.DataUrl) + ". Msg=";
        const std::string log = RunLog().substr(logBefore);
        EXPECT_TRUE(log.find(entry + c.error + "\r\n") != std::string::npos ||
                    log.find(entry + c.orError + "\r\n") != std::string::npos)
            << log;
    }
    SetDownloadOverallLimitMs(0);
}

TEST_F(WeatherService, WorkerTakesTheReportAndStopsAtOnce) {
    CWeatherData w;
    w.ZipCode = "12345";
    w.DisplayTemp = true;
    Server().SetKnobs(R"({"temp": "64"})");
    ASSERT_TRUE(StartWeatherThread(w));
    EXPECT_TRUE(WaitFor([&] { return Str(w.GetTemperatureText()) == "64"; }));
    auto start = std::chrono::steady_clock::now();
    StopWeatherThread(w);
    const double idleMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    EXPECT_FALSE(w.IsThreadRunning());

    // Now a server that takes the request and never answers.
    Server().SetKnobs(R"({"mode": "hang"})");
    Server().ClearRequests();
    ASSERT_TRUE(StartWeatherThread(w));
    EXPECT_EQ(Str(w.GetTemperatureText()), CWeatherData::kNoTemperature);
    ASSERT_TRUE(WaitFor([&] { return !Server().Requests().empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    start = std::chrono::steady_clock::now();
    StopWeatherThread(w);
    const double hungMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ figures  ] weather stop: %.2f ms between downloads, %.2f ms with the server hung\n", idleMs, hungMs);
    EXPECT_FALSE(w.IsThreadRunning());
    EXPECT_LT(hungMs, 50.0);
    // Being stopped is no download error.
    EXPECT_EQ(RunLog().find("stopped before the transfer ended"), std::string::npos);
}
