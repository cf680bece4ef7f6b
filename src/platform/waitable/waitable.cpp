#include "platform/waitable/waitable.h"

#include <chrono>

void Waitable::Signal() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    changed_.notify_all();
}

void Waitable::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

bool Waitable::IsSignalled() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

bool Waitable::WaitSignalled(int timeoutMs) {
    std::unique_lock lock(mutex_);
    // A test only: no trip into the kernel for the pollers, which ask often.
    if (timeoutMs == 0) {
        return signalled_;
    }
    if (timeoutMs < 0) {
        changed_.wait(lock, [this] { return signalled_; });
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return signalled_; });
}

WaitResult WaitFor(const std::shared_ptr<Waitable>& handle, int timeoutMs) {
    if (!handle) {
        return WaitResult::kFailed;
    }
    return handle->WaitSignalled(timeoutMs) ? WaitResult::kSignalled : WaitResult::kTimeout;
}
