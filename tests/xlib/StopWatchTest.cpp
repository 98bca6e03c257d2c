#include "xlib/StopWatch.h"
#include "xlib/StopSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {
// A fake millisecond counter: sleeping advances it.
uint32_t g_FakeNow = 0;
std::vector<unsigned> g_Sleeps;
uint32_t FakeTime() { return g_FakeNow; }
void FakeSleep(unsigned ms) {
    g_Sleeps.push_back(ms);
    g_FakeNow += ms;
}

struct FakeClock : ::testing::Test {
    void SetUp() override {
        g_FakeNow = 1000;
        g_Sleeps.clear();
    }
};
}  // namespace

TEST_F(FakeClock, ElapsedAndWrap) {
    StopWatch w(FakeTime, FakeSleep);
    w.Start();
    g_FakeNow += 250;
    EXPECT_EQ(250u, w.Elapsed());
    EXPECT_FALSE(w.Wrapped());
    g_FakeNow = 10;  // the timer went past 2^32 and started over
    EXPECT_EQ(static_cast<uint32_t>(10 - 1000), w.Elapsed());
    EXPECT_TRUE(w.Wrapped());
    w.Start();
    EXPECT_FALSE(w.Wrapped());
    w.Stop();
}

TEST_F(FakeClock, PeriodTenWaitsTenMilliseconds) {
    StopWatch w(FakeTime, FakeSleep);
    w.Start();
    uint32_t last = w.Elapsed();
    for (int frame = 1; frame <= 5; ++frame) {
        PaceFrame(w, last, 10);
        EXPECT_EQ(static_cast<uint32_t>(frame * 10), last);
    }
    for (unsigned s : g_Sleeps) EXPECT_EQ(1u, s);
    EXPECT_EQ(50u, g_Sleeps.size());
    w.Stop();
}

TEST_F(FakeClock, SlowFrameIsNotPaddedButStillSleepsOnce) {
    StopWatch w(FakeTime, FakeSleep);
    w.Start();
    uint32_t last = 0;
    g_FakeNow += 25;  // drawing took longer than the period
    PaceFrame(w, last, 10);
    EXPECT_EQ(26u, last);
    EXPECT_EQ(1u, g_Sleeps.size());
    w.Stop();
}

TEST_F(FakeClock, PeriodZeroStillSleepsOneMillisecond) {
    StopWatch w(FakeTime, FakeSleep);
    w.Start();
    uint32_t last = 0;
    for (int i = 0; i < 3; ++i) PaceFrame(w, last, 0);
    EXPECT_EQ(3u, g_Sleeps.size());
    EXPECT_EQ(3u, last);
    w.Stop();
}

TEST_F(FakeClock, TimerWrapRestartsInsteadOfStalling) {
    g_FakeNow = 0xFFFFFFF0u;
    StopWatch w(FakeTime, FakeSleep);
    w.Start();
    uint32_t last = w.Elapsed();
    PaceFrame(w, last, 10);
    EXPECT_EQ(10u, last);
    // The next 1 ms sleeps cross 2^32: the reading falls below the start.
    PaceFrame(w, last, 10);
    EXPECT_FALSE(w.Wrapped());
    EXPECT_EQ(0u, last);  // restarted; the new start is the new frame time
    // Pacing goes on normally from the restart.
    PaceFrame(w, last, 10);
    EXPECT_EQ(10u, last);
    EXPECT_LT(g_Sleeps.size(), 40u);
    w.Stop();
}

// A stop signal ends the frame wait, however long the period: at once when
// raised before, and as soon as it is raised from another thread during it.
// The frame time is left alone (no frame was completed).
TEST(PaceFrameStop, RaisedSignalEndsTheWait) {
    for (bool raiseBefore : {true, false}) {
        StopWatch w;
        w.Start();
        StopSignal stop;
        uint32_t last = w.Elapsed();
        const uint32_t before = last;
        if (raiseBefore) stop.Raise();
        std::thread raiser([&] {
            if (!raiseBefore) {
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
                stop.Raise();
            }
        });
        auto t0 = std::chrono::steady_clock::now();
        EXPECT_FALSE(PaceFrame(w, last, 3600000, &stop)) << raiseBefore;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        raiser.join();
        EXPECT_LT(ms, 5000) << raiseBefore;
        EXPECT_EQ(before, last) << raiseBefore;
        // Lowered again, the wait paces as before.
        stop.Reset();
        EXPECT_FALSE(stop.WaitFor(1));
        EXPECT_TRUE(PaceFrame(w, last, 0, &stop));
        w.Stop();
    }
}
