#include "platform/waitable/waitable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Upper bound for waits that must end early; never reached unless the event is broken.
constexpr int kGenerous = 10000;

TEST(WaitableTest, NullHandleFailsAtOnceEvenWithoutTimeLimit) {
    EXPECT_EQ(WaitFor(nullptr, 0), WaitResult::kFailed);
    EXPECT_EQ(WaitFor(nullptr, kWaitForever), WaitResult::kFailed);
}

TEST(WaitableTest, UnsignalledTimesOut) {
    auto event = std::make_shared<Waitable>();
    EXPECT_EQ(WaitFor(event, 0), WaitResult::kTimeout);
    EXPECT_EQ(WaitFor(event, 20), WaitResult::kTimeout);
    EXPECT_FALSE(event->IsSignalled());
}

TEST(WaitableTest, StaysSignalledUntilReset) {
    auto event = std::make_shared<Waitable>();
    event->Signal();
    // Every poller sees the end, not only the first one.
    EXPECT_EQ(WaitFor(event, 0), WaitResult::kSignalled);
    EXPECT_EQ(WaitFor(event, 100), WaitResult::kSignalled);
    EXPECT_EQ(WaitFor(event, kWaitForever), WaitResult::kSignalled);
    event->Reset();
    EXPECT_EQ(WaitFor(event, 0), WaitResult::kTimeout);

    EXPECT_EQ(WaitFor(std::make_shared<Waitable>(true), 0), WaitResult::kSignalled);
}

// The short sleeps only make it likely that the waiter is already blocked; nothing depends on them.
void SignalSoon(const std::shared_ptr<Waitable>& event) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event->Signal();
}

TEST(WaitableTest, SignalFromAnotherThreadEndsAWait) {
    auto event = std::make_shared<Waitable>();
    std::thread signaller(SignalSoon, event);
    EXPECT_EQ(WaitFor(event, kGenerous), WaitResult::kSignalled);
    signaller.join();

    event->Reset();
    std::thread again(SignalSoon, event);
    EXPECT_EQ(WaitFor(event, kWaitForever), WaitResult::kSignalled);
    again.join();
}

TEST(WaitableTest, OneSignalWakesEveryWaiter) {
    auto event = std::make_shared<Waitable>();
    constexpr int kWaiters = 4;
    std::atomic<int> woken = 0;
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([event, &woken] {
            if (WaitFor(event, kGenerous) == WaitResult::kSignalled) {
                ++woken;
            }
        });
    }
    SignalSoon(event);
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(woken, kWaiters);
}

}  // namespace
