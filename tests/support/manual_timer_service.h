#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "platform/timers/timer_service.h"
#include "support/virtual_clock.h"

// Timers on a virtual clock that only the test moves, so timed behaviour runs fast and exactly.
// A timer armed at time t with period p ticks at t + p, t + 2p, ... The clock is the service's
// own, or one shared with other virtual-time backends (the scripted voices).
class ManualTimerService final : public TimerService {
  public:
    explicit ManualTimerService(TimerSink& sink);
    ManualTimerService(TimerSink& sink, VirtualClock& clock);
    ~ManualTimerService() override;

    void Set(int id, int periodMs) override;
    void Kill(int id) override;
    bool IsArmed(int id) const override;

    // Moves the clock forward by `ms` and delivers every tick that comes due, in time order;
    // ticks due at the same moment go in the order their timers were armed. See
    // VirtualClock::Advance, also for nesting.
    void Advance(std::int64_t ms) { clock_.Advance(ms); }
    std::int64_t Now() const { return clock_.Now(); }
    // The period of an armed id.
    std::optional<int> Period(int id) const;
    // The time of an armed id's next tick.
    std::optional<std::int64_t> NextTickAt(int id) const;

  private:
    struct Timer {
        int period;
        VirtualClock::Token tick;
        std::uint64_t arming;  // unique per Set: tells a re-armed timer apart
        bool inHandler;
    };

    void Tick(int id);

    TimerSink& sink_;
    std::unique_ptr<VirtualClock> ownClock_;
    VirtualClock& clock_;
    std::map<int, Timer> timers_;
    std::uint64_t armings_ = 0;
};
