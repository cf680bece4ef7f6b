#pragma once

#include <cstdint>
#include <map>
#include <optional>

#include "platform/timers/timer_service.h"

// Timers on a virtual clock that only the test moves, so timed behaviour runs fast and exactly.
// Time starts at 0 ms. A timer armed at time t with period p ticks at t + p, t + 2p, ...
class ManualTimerService final : public TimerService {
  public:
    explicit ManualTimerService(TimerSink& sink) : sink_(sink) {}

    void Set(int id, int periodMs) override;
    void Kill(int id) override;
    bool IsArmed(int id) const override;

    // Moves the clock forward by `ms` (a negative value counts as 0) and delivers every tick that
    // comes due, in time order; ticks due at the same moment go in the order their timers were
    // armed. During a tick, Now() is the tick's time. A handler may call Advance again to stand
    // for a nested event loop; the outer call then goes on from where the inner one stopped.
    void Advance(std::int64_t ms);

    std::int64_t Now() const { return now_; }
    // The period of an armed id.
    std::optional<int> Period(int id) const;
    // The time of an armed id's next tick.
    std::optional<std::int64_t> NextTickAt(int id) const;

  private:
    struct Timer {
        int period;
        std::int64_t due;
        std::uint64_t arming;  // unique per Set: orders ties and tells a re-armed timer apart
        bool inHandler;
    };

    TimerSink& sink_;
    std::map<int, Timer> timers_;
    std::int64_t now_ = 0;
    std::uint64_t armings_ = 0;
};
