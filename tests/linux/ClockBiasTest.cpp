// The time-zone bias under a zone with daylight saving time, set through TZ.
#include "platform/Clock.h"
#include "xlib/XDateTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        const char* old = std::getenv("TZ");
        m_Had = old != nullptr;
        if (old) m_Old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (m_Had)
            setenv("TZ", m_Old.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_Had = false;
    std::string m_Old;
};
}  // namespace

TEST(PosixClock, BiasFollowsTheLocalTimeRules) {
    {
        ScopedTimeZone tz("UTC0");
        EXPECT_EQ(0, PlatformTimeZoneBias());
    }
    {
        ScopedTimeZone tz("ABC-5:30");  // east of Greenwich, no daylight saving
        EXPECT_EQ(-330, PlatformTimeZoneBias());
        XDateTime t;
        ASSERT_TRUE(t.Set(2026, 12, 7, 3, 0, 0, 0, false));
        ASSERT_TRUE(t.ToUTC());
        EXPECT_EQ(6, t.GetDay());
        EXPECT_EQ(21, t.GetHour());
        EXPECT_EQ(30, t.GetMinute());
    }
    {
        ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
        time_t now = time(nullptr);
        struct tm tm;
        localtime_r(&now, &tm);
        EXPECT_EQ(tm.tm_isdst > 0 ? 240 : 300, PlatformTimeZoneBias());
    }
}
