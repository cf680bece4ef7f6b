#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "platform/timers/qt_timer_service.h"
#include "support/manual_timer_service.h"

namespace {

// Counts ticks per id, notes how deeply each id's handler is nested, and runs the test's action.
class TickRecorder final : public TimerSink {
  public:
    void OnTimer(int id) override {
        ++ticks_[id];
        const int depth = ++running_[id];
        deepest_[id] = std::max(deepest_[id], depth);
        if (onTick) {
            onTick(id);
        }
        --running_[id];
    }

    int Ticks(int id) const { return Lookup(ticks_, id); }
    int DeepestNesting(int id) const { return Lookup(deepest_, id); }

    std::function<void(int)> onTick;

  private:
    static int Lookup(const std::map<int, int>& counts, int id) {
        const auto found = counts.find(id);
        return found == counts.end() ? 0 : found->second;
    }

    std::map<int, int> ticks_;
    std::map<int, int> running_;
    std::map<int, int> deepest_;
};

// Runs the clock until a condition holds; called from a handler it is a nested event loop.
struct ManualBackend {
    TickRecorder sink;
    ManualTimerService timers{sink};

    bool RunUntil(const std::function<bool()>& done) {
        const std::int64_t limit = timers.Now() + 60000;
        while (!done() && timers.Now() < limit) {
            timers.Advance(1);
        }
        return done();
    }
};

struct QtBackend {
    TickRecorder sink;
    QtTimerService timers{sink};

    bool RunUntil(const std::function<bool()>& done) {
        // Generous: only a broken service takes this long. The heartbeat wakes the loop to look.
        QDeadlineTimer deadline(10000);
        QTimer heartbeat;
        heartbeat.start(20);
        while (!done() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return done();
    }
};

template <class Backend>
class TimerContractTest : public ::testing::Test {
  protected:
    Backend backend_;
    TickRecorder& sink_ = backend_.sink;
    TimerService& timers_ = backend_.timers;

    bool RunUntilTicks(int id, int count) {
        return backend_.RunUntil([this, id, count] { return sink_.Ticks(id) >= count; });
    }
};

using Backends = ::testing::Types<ManualBackend, QtBackend>;
TYPED_TEST_SUITE(TimerContractTest, Backends);

TYPED_TEST(TimerContractTest, TicksRepeatUntilKilled) {
    this->timers_.Kill(301);  // not armed: harmless
    EXPECT_FALSE(this->timers_.IsArmed(301));
    this->timers_.Set(301, 3);
    EXPECT_TRUE(this->timers_.IsArmed(301));
    ASSERT_TRUE(this->RunUntilTicks(301, 3));

    this->timers_.Kill(301);
    this->timers_.Kill(301);
    EXPECT_FALSE(this->timers_.IsArmed(301));
    this->timers_.Set(302, 3);
    ASSERT_TRUE(this->RunUntilTicks(302, 4));
    EXPECT_EQ(this->sink_.Ticks(301), 3);
}

TYPED_TEST(TimerContractTest, HandlerKillingItsOwnTimerMakesItOneShot) {
    this->sink_.onTick = [this](int id) {
        if (id == 305) {
            this->timers_.Kill(305);
        }
    };
    this->timers_.Set(305, 2);
    this->timers_.Set(301, 3);
    ASSERT_TRUE(this->RunUntilTicks(301, 6));
    EXPECT_EQ(this->sink_.Ticks(305), 1);
    EXPECT_FALSE(this->timers_.IsArmed(305));
}

TYPED_TEST(TimerContractTest, TimerKilledByAnotherHandlerGetsNoTickEvenIfDue) {
    // Same period, armed one after the other: both come due together.
    this->sink_.onTick = [this](int id) {
        if (id == 301) {
            this->timers_.Kill(310);
        }
    };
    this->timers_.Set(301, 5);
    this->timers_.Set(310, 5);
    ASSERT_TRUE(this->RunUntilTicks(301, 3));
    EXPECT_EQ(this->sink_.Ticks(310), 0);
}

TYPED_TEST(TimerContractTest, HandlerMayRearmItselfAndArmOthers) {
    this->sink_.onTick = [this](int id) {
        if (id == 302 && this->sink_.Ticks(302) == 1) {
            this->timers_.Set(302, 4);
            this->timers_.Set(307, 2);
        }
        if (id == 307) {
            this->timers_.Kill(307);
        }
    };
    this->timers_.Set(302, 2);
    ASSERT_TRUE(this->RunUntilTicks(302, 3));
    EXPECT_TRUE(this->timers_.IsArmed(302));
    EXPECT_TRUE(this->backend_.RunUntil([this] { return this->sink_.Ticks(307) == 1; }));
    EXPECT_FALSE(this->timers_.IsArmed(307));
}

TYPED_TEST(TimerContractTest, NestedLoopRunsOtherTimersButNeverReentersTheSameTimer) {
    bool nestedDone = false;
    this->sink_.onTick = [this, &nestedDone](int id) {
        if (id == 307 && this->sink_.Ticks(307) == 1) {
            nestedDone = this->RunUntilTicks(304, 3);
        }
    };
    this->timers_.Set(307, 1);
    this->timers_.Set(304, 3);
    ASSERT_TRUE(this->RunUntilTicks(307, 3));
    EXPECT_TRUE(nestedDone);
    EXPECT_EQ(this->sink_.DeepestNesting(307), 1);
}

TYPED_TEST(TimerContractTest, TimerKilledInsideANestedLoopStaysSilent) {
    this->sink_.onTick = [this](int id) {
        if (id == 307) {
            this->RunUntilTicks(304, 2);
        }
        if (id == 304) {
            this->timers_.Kill(307);
        }
    };
    this->timers_.Set(307, 1);
    this->timers_.Set(304, 3);
    ASSERT_TRUE(this->RunUntilTicks(304, 6));
    EXPECT_EQ(this->sink_.Ticks(307), 1);
    EXPECT_FALSE(this->timers_.IsArmed(307));
}

TYPED_TEST(TimerContractTest, TimerRearmedByItsHandlerTicksInsideTheNestedLoop) {
    // The sentence speaker pumps from inside a step; a step that re-arms a timer must see it.
    this->sink_.onTick = [this](int id) {
        if (id == 310 && this->sink_.Ticks(310) == 1) {
            this->timers_.Kill(310);
            this->timers_.Set(310, 2);
            this->RunUntilTicks(310, 3);
            this->timers_.Kill(310);
        }
    };
    this->timers_.Set(310, 2);
    ASSERT_TRUE(this->RunUntilTicks(310, 3));
    EXPECT_EQ(this->sink_.DeepestNesting(310), 2);
    EXPECT_FALSE(this->timers_.IsArmed(310));
}

// The virtual clock: exact times and order.
class ManualTimerServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        sink_.onTick = [this](int id) { log_.emplace_back(timers_.Now(), id); };
    }

    TickRecorder sink_;
    ManualTimerService timers_{sink_};
    std::vector<std::pair<std::int64_t, int>> log_;  // (time, id) of each tick
};

TEST_F(ManualTimerServiceTest, DeliversInTimeOrderWithTiesInArmingOrder) {
    timers_.Set(305, 30);
    timers_.Set(302, 20);
    timers_.Set(301, 20);
    timers_.Advance(59);
    timers_.Advance(1);
    const std::vector<std::pair<std::int64_t, int>> expected = {
        {20, 302}, {20, 301}, {30, 305}, {40, 302}, {40, 301}, {60, 305}, {60, 302}, {60, 301}};
    EXPECT_EQ(log_, expected);
    EXPECT_EQ(timers_.Now(), 60);
}

TEST_F(ManualTimerServiceTest, RearmingRestartsFromNowAndMovesToTheBackOfTies) {
    timers_.Set(301, 100);
    timers_.Set(302, 50);
    timers_.Advance(70);
    timers_.Set(301, 30);  // next tick at 100, tied with 302, and now armed after it
    EXPECT_EQ(timers_.Period(301), 30);
    EXPECT_EQ(timers_.NextTickAt(301), 100);
    timers_.Advance(30);
    const std::vector<std::pair<std::int64_t, int>> expected = {{50, 302}, {100, 302}, {100, 301}};
    EXPECT_EQ(log_, expected);
}

TEST_F(ManualTimerServiceTest, PeriodsBelowOneMillisecondBecomeOne) {
    // A pause of 0 seconds gives 1 ms steps; a zero period must not stall the clock.
    timers_.Set(308, 0);
    EXPECT_EQ(timers_.Period(308), 1);
    timers_.Advance(3);
    EXPECT_EQ(sink_.Ticks(308), 3);
    timers_.Advance(-5);
    EXPECT_EQ(timers_.Now(), 3);
    EXPECT_FALSE(timers_.Period(999).has_value());
    EXPECT_FALSE(timers_.NextTickAt(999).has_value());
}

TEST_F(ManualTimerServiceTest, NestedAdvanceDropsTheRunningTimersTicksAndOuterCallResumes) {
    sink_.onTick = [this](int id) {
        log_.emplace_back(timers_.Now(), id);
        if (id == 307 && sink_.Ticks(307) == 1) {
            timers_.Advance(100);
        }
    };
    timers_.Set(307, 10);
    timers_.Set(304, 25);
    timers_.Advance(10);
    // 307's own ticks at 20..110 fell while its handler ran; its next one is a period later.
    const std::vector<std::pair<std::int64_t, int>> expected = {
        {10, 307}, {25, 304}, {50, 304}, {75, 304}, {100, 304}};
    EXPECT_EQ(log_, expected);
    EXPECT_EQ(timers_.Now(), 110);
    EXPECT_EQ(timers_.NextTickAt(307), 120);
    timers_.Advance(10);
    EXPECT_EQ(log_.back(), std::make_pair(std::int64_t{120}, 307));
}

}  // namespace
