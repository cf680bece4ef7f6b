#include "support/manual_timer_service.h"

#include <algorithm>

void ManualTimerService::Set(int id, int periodMs) {
    const int period = std::max(periodMs, kMinimumTimerPeriodMs);
    timers_.insert_or_assign(id, Timer{period, now_ + period, armings_++, false});
}

void ManualTimerService::Kill(int id) {
    timers_.erase(id);
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
    return timer->second.due;
}

void ManualTimerService::Advance(std::int64_t ms) {
    const std::int64_t target = now_ + std::max<std::int64_t>(ms, 0);
    for (;;) {
        // Handlers change the set of timers, so the next tick is chosen afresh every time.
        auto next = timers_.end();
        for (auto timer = timers_.begin(); timer != timers_.end(); ++timer) {
            const Timer& t = timer->second;
            if (t.due > target) {
                continue;
            }
            if (next == timers_.end() || t.due < next->second.due ||
                (t.due == next->second.due && t.arming < next->second.arming)) {
                next = timer;
            }
        }
        if (next == timers_.end()) {
            break;
        }

        const int id = next->first;
        Timer& timer = next->second;
        now_ = std::max(now_, timer.due);
        if (timer.inHandler) {
            // Its own handler is still running further up: its ticks up to `target` are dropped.
            timer.due += timer.period * ((target - timer.due) / timer.period + 1);
            continue;
        }
        timer.due += timer.period;
        timer.inHandler = true;
        const std::uint64_t arming = timer.arming;
        sink_.OnTimer(id);
        // `timer` may be gone or re-armed by now.
        const auto after = timers_.find(id);
        if (after != timers_.end() && after->second.arming == arming) {
            after->second.inHandler = false;
        }
    }
    now_ = std::max(now_, target);
}
