#include "support/manual_timer_service.h"

#include <algorithm>

ManualTimerService::ManualTimerService(TimerSink& sink)
    : sink_(sink), ownClock_(std::make_unique<VirtualClock>()), clock_(*ownClock_) {}

ManualTimerService::ManualTimerService(TimerSink& sink, VirtualClock& clock)
    : sink_(sink), clock_(clock) {}

ManualTimerService::~ManualTimerService() {
    for (const auto& [id, timer] : timers_) {
        clock_.Cancel(timer.tick);
    }
}

void ManualTimerService::Set(int id, int periodMs) {
    const int period = std::max(periodMs, kMinimumTimerPeriodMs);
    Kill(id);
    const VirtualClock::Token tick =
        clock_.Schedule(clock_.Now() + period, [this, id] { Tick(id); });
    timers_.emplace(id, Timer{period, tick, armings_++, false});
}

void ManualTimerService::Kill(int id) {
    const auto timer = timers_.find(id);
    if (timer == timers_.end()) {
        return;
    }
    clock_.Cancel(timer->second.tick);
    timers_.erase(timer);
}

bool ManualTimerService::IsArmed(int id) const {
    return timers_.contains(id);
}

std::optional<int> ManualTimerService::Period(int id) const {
    const auto timer = timers_.find(id);
    if (timer == timers_.end()) {
        return std::nullopt;
    }
    return timer->second.period;
}

std::optional<std::int64_t> ManualTimerService::NextTickAt(int id) const {
    const auto timer = timers_.find(id);
    if (timer == timers_.end()) {
        return std::nullopt;
    }
    return clock_.DueTime(timer->second.tick);
}

void ManualTimerService::Tick(int id) {
    Timer& timer = timers_.at(id);
    const int period = timer.period;
    timer.tick = clock_.Schedule(clock_.Now() + period, [this, id] { Tick(id); });
    if (timer.inHandler) {
        // Its own handler is still running further up: this tick is dropped.
        return;
    }
    timer.inHandler = true;
    const std::uint64_t arming = timer.arming;
    sink_.OnTimer(id);
    // The timer may be gone or re-armed by now; only the same arming leaves its handler here.
    const auto after = timers_.find(id);
    if (after != timers_.end() && after->second.arming == arming) {
        after->second.inHandler = false;
    }
}
