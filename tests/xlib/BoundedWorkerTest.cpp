// The shared rule for the saver's threads: a bounded stop, and a thread that
// outlives it never has a second one started beside it.
#include "xlib/BoundedWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {
// A body that ignores every stop until the test opens the latch.
struct Latch {
    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    void Open() {
        {
            std::lock_guard<std::mutex> lock(m);
            open = true;
        }
        cv.notify_all();
    }
    void Pass() {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return open; });
    }
};

// Generous: only a hang fails it.
bool EventuallyStops(const BoundedWorker& w) {
    for (int i = 0; i < 2000 && w.IsRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return !w.IsRunning();
}
}  // namespace

TEST(BoundedWorker, AwaitEndOutcomes) {
    struct Case {
        const char* name;
        bool bodyEnds;  // false: the body waits on the latch until the end of the case
        bool enough;    // the caller's condition holds from the start
        BoundedWorker::EndResult want;
    } const cases[] = {
        {"a body that ends is joined", true, false, BoundedWorker::EndResult::Ended},
        {"an ended body wins over the condition", true, true, BoundedWorker::EndResult::Ended},
        {"the condition ends the wait for a stuck body", false, true, BoundedWorker::EndResult::Enough},
        {"a stuck body is let go at the limit", false, false, BoundedWorker::EndResult::LetGo},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto latch = std::make_shared<Latch>();
        std::atomic<bool> returned{false};
        BoundedWorker w;
        ASSERT_EQ(BoundedWorker::StartResult::Started, w.Start([=, &returned] {
            if (!c.bodyEnds) latch->Pass();
            returned = true;
        }));
        if (c.bodyEnds) ASSERT_TRUE(EventuallyStops(w));
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(c.want, w.AwaitEnd(300, [&] { return c.enough; }));
        const auto waited = std::chrono::steady_clock::now() - t0;
        if (c.want == BoundedWorker::EndResult::LetGo) EXPECT_GE(waited, std::chrono::milliseconds(290));
        if (c.want != BoundedWorker::EndResult::LetGo) EXPECT_LT(waited, std::chrono::seconds(5));
        EXPECT_EQ(c.want != BoundedWorker::EndResult::Ended, w.IsRunning());
        latch->Open();
        EXPECT_TRUE(EventuallyStops(w));
        EXPECT_TRUE(returned);
    }
}

TEST(BoundedWorker, NoSecondThreadBesideOneThatOutlivedItsStop) {
    auto latch = std::make_shared<Latch>();
    // The module state the thread owns while it runs.
    auto owners = std::make_shared<std::atomic<int>>(0);
    auto maxOwners = std::make_shared<std::atomic<int>>(0);
    auto body = [=] {
        const int now = ++*owners;
        if (now > *maxOwners) *maxOwners = now;
        latch->Pass();
        --*owners;
    };
    BoundedWorker w;
    ASSERT_EQ(BoundedWorker::StartResult::Started, w.Start(body));
    EXPECT_EQ(BoundedWorker::EndResult::LetGo, w.AwaitEnd(50));
    // Restarts while it is stuck (the preview's restarts) are refused, each time.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(BoundedWorker::StartResult::StillRunning, w.Start(body)) << i;
        EXPECT_EQ(BoundedWorker::EndResult::LetGo, w.AwaitEnd(10)) << i;
    }
    latch->Open();
    ASSERT_TRUE(EventuallyStops(w));
    EXPECT_EQ(1, maxOwners->load());
    // Once it has ended, a start runs again and a stop joins it.
    ASSERT_EQ(BoundedWorker::StartResult::Started, w.Start(body));
    EXPECT_EQ(BoundedWorker::EndResult::Ended, w.AwaitEnd(5000));
    EXPECT_EQ(1, maxOwners->load());
    EXPECT_EQ(0, owners->load());
}

TEST(BoundedWorker, ALetGoThreadOutlivesItsWorker) {
    auto latch = std::make_shared<Latch>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    {
        BoundedWorker w;
        ASSERT_EQ(BoundedWorker::StartResult::Started, w.Start([=] {
            latch->Pass();
            *finished = true;
        }));
        EXPECT_EQ(BoundedWorker::EndResult::LetGo, w.AwaitEnd(20));
    }
    // The thread records its end in bookkeeping of its own, not in the worker gone.
    latch->Open();
    for (int i = 0; i < 2000 && !*finished; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(*finished);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST(BoundedWorker, StopWithoutAStartAndStateChangedUnderTheLock) {
    BoundedWorker idle;
    EXPECT_EQ(BoundedWorker::EndResult::Ended, idle.AwaitEnd(10000));
    EXPECT_FALSE(idle.IsRunning());

    // A condition made true later, under the worker's lock, wakes the waiter
    // long before the limit.
    auto latch = std::make_shared<Latch>();
    BoundedWorker w;
    bool mayEnd = false;
    ASSERT_EQ(BoundedWorker::StartResult::Started, w.Start([=] { latch->Pass(); }));
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        {
            auto lock = w.Lock();
            mayEnd = true;
        }
        w.NotifyAll();
    });
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(BoundedWorker::EndResult::Enough, w.AwaitEnd(20000, [&] { return mayEnd; }));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    setter.join();
    latch->Open();
    EXPECT_EQ(BoundedWorker::EndResult::Ended, w.AwaitEnd(20000));
}
