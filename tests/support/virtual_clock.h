#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

// Time that only the test moves, for timed behaviour that runs fast and exactly: timers and the
// ends of scripted utterances are actions scheduled on one clock, run in time order. Time starts
// at 0 ms.
class VirtualClock {
  public:
    using Token = std::uint64_t;

    std::int64_t Now() const { return now_; }

    // Runs `action` once at time `at` (at the earliest now). Actions due at the same moment run
    // in the order they were scheduled. The token cancels it.
    Token Schedule(std::int64_t at, std::function<void()> action);
    // Does nothing for an action that has run or was cancelled.
    void Cancel(Token token);
    std::optional<std::int64_t> DueTime(Token token) const;

    // Moves the clock forward by `ms` (a negative value counts as 0) and runs every action that
    // comes due, in time order; while one runs, Now() is its time. An action may call Advance
    // again to stand for a nested event loop; the outer call then goes on from where the inner
    // one stopped.
    void Advance(std::int64_t ms);
    // Moves the clock to the next scheduled action and runs it, and with it every other action
    // due at that moment; false, with nothing run, when nothing is scheduled.
    bool RunNext();

  private:
    // Keyed by (due time, scheduling order).
    using Key = std::pair<std::int64_t, Token>;

    // Runs every action due at or before `target`.
    void RunUntil(std::int64_t target);

    std::map<Key, std::function<void()>> actions_;
    std::map<Token, std::int64_t> dueByToken_;
    std::int64_t now_ = 0;
    Token nextToken_ = 1;
};
