// The preview watcher restarts the preview once per burst of changes, after
// the burst has been quiet for the whole period. Real time: the bounds are
// lower bounds plus a generous ceiling for a loaded machine.
#include "config_dialog/logic/CPreviewWatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;

struct Refreshes {
    std::atomic<int> count{0};
    std::atomic<long long> lastAtMs{0};
    Clock::time_point start = Clock::now();
    long long NowMs() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    }
};

void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
}  // namespace

TEST(PreviewWatcher, BurstRefreshesOnceAfterTheQuietPeriod) {
    CPreviewWatcher watcher;
    Refreshes r;
    ASSERT_TRUE(watcher.Start([&] {
        r.lastAtMs = r.NowMs();
        ++r.count;
        watcher.ClearPending();
    }));
    EXPECT_TRUE(watcher.Running());
    // Three changes within one second.
    watcher.NoteChange();
    SleepMs(400);
    watcher.NoteChange();
    SleepMs(400);
    const long long lastChange = r.NowMs();
    watcher.NoteChange();
    SleepMs(1300);
    EXPECT_EQ(r.count, 0) << "refreshed before the burst was quiet";
    for (int i = 0; i < 300 && r.count == 0; ++i) SleepMs(10);
    ASSERT_EQ(r.count, 1);
    const long long delay = r.lastAtMs - lastChange;
    std::printf("preview refresh %lld ms after the last change\n", delay);
    EXPECT_GE(delay, 1500);
    EXPECT_LT(delay, 4000);
    EXPECT_EQ(watcher.Pending(), 0u);
    SleepMs(1700);
    EXPECT_EQ(r.count, 1) << "a settled burst refreshed twice";
    // A later change is a new burst.
    watcher.NoteChange();
    for (int i = 0; i < 400 && r.count == 1; ++i) SleepMs(10);
    EXPECT_EQ(r.count, 2);
    watcher.Stop();
    EXPECT_FALSE(watcher.Running());
}

TEST(PreviewWatcher, NothingPendingOrClearedOrStoppedMeansNoRefresh) {
    CPreviewWatcher watcher;
    std::atomic<int> count{0};
    // A refresh that does not clear the counter still fires once per burst.
    ASSERT_TRUE(watcher.Start([&] { ++count; }, 200));
    SleepMs(400);
    EXPECT_EQ(count, 0) << "refreshed with nothing pending";
    watcher.NoteChange();
    SleepMs(800);
    EXPECT_EQ(count, 1);
    // Cleared by the "Refresh preview" button during the quiet period.
    watcher.NoteChange();
    watcher.ClearPending();
    SleepMs(500);
    EXPECT_EQ(count, 1);
    // Stopped with a change pending: ends at once, refreshes nothing.
    watcher.NoteChange();
    const auto before = Clock::now();
    watcher.Stop();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - before).count(), 150);
    SleepMs(300);
    EXPECT_EQ(count, 1);
    watcher.Stop();  // twice is harmless
}
