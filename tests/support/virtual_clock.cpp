#include "support/virtual_clock.h"

#include <algorithm>

VirtualClock::Token VirtualClock::Schedule(std::int64_t at, std::function<void()> action) {
    const Token token = nextToken_++;
    const std::int64_t due = std::max(at, now_);
    actions_.emplace(Key{due, token}, std::move(action));
    dueByToken_.emplace(token, due);
    return token;
}

void VirtualClock::Cancel(Token token) {
    const auto found = dueByToken_.find(token);
    if (found == dueByToken_.end()) {
        return;
    }
    actions_.erase(Key{found->second, token});
    dueByToken_.erase(found);
}

std::optional<std::int64_t> VirtualClock::DueTime(Token token) const {
    const auto found = dueByToken_.find(token);
    if (found == dueByToken_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void VirtualClock::RunUntil(std::int64_t target) {
    // Actions schedule and cancel others, so the next one is looked up afresh every time.
    while (!actions_.empty() && actions_.begin()->first.first <= target) {
        const auto next = actions_.begin();
        const Key key = next->first;
        std::function<void()> action = std::move(next->second);
        actions_.erase(next);
        dueByToken_.erase(key.second);
        now_ = std::max(now_, key.first);
        action();
    }
}

void VirtualClock::Advance(std::int64_t ms) {
    const std::int64_t target = now_ + std::max<std::int64_t>(ms, 0);
    RunUntil(target);
    now_ = std::max(now_, target);
}

bool VirtualClock::RunNext() {
    if (actions_.empty()) {
        return false;
    }
    const std::int64_t due = std::max(now_, actions_.begin()->first.first);
    RunUntil(due);
    now_ = std::max(now_, due);
    return true;
}
