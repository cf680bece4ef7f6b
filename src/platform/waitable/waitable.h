#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>

enum class WaitResult { kSignalled, kTimeout, kFailed };

inline constexpr int kWaitForever = -1;

// A completion event: a backend signals it from any thread when an operation has ended, and the
// GUI thread waits for it with a timeout.
//
// It resets manually: once signalled it stays signalled, for every waiter and every later wait,
// until Reset(). Several pollers watch the same event (the study timers, the piece timer and the
// sentence speaker all ask whether the utterance started last has ended), so a wait must not
// consume the signal. The owner resets it when it starts the next operation.
class Waitable {
  public:
    explicit Waitable(bool signalled = false) : signalled_(signalled) {}
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

    // Thread-safe. Wakes every waiter.
    void Signal();
    // Thread-safe.
    void Reset();
    bool IsSignalled() const;

  private:
    friend WaitResult WaitFor(const std::shared_ptr<Waitable>& handle, int timeoutMs);
    // A negative timeout waits without limit.
    bool WaitSignalled(int timeoutMs);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_;
};

// Waits until `handle` is signalled or `timeoutMs` milliseconds have passed (0 only tests it;
// kWaitForever or any negative value waits without limit). A null handle fails at once.
WaitResult WaitFor(const std::shared_ptr<Waitable>& handle, int timeoutMs);
