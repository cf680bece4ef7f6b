#pragma once

// Window timers with the program's fixed integer ids.
//
// Contract, common to every backend:
// - Set(id, period) arms the timer; arming an armed id restarts it with the new period. Periods
//   below kMinimumTimerPeriodMs are raised to it.
// - Kill(id) disarms it; killing an id that is not armed does nothing.
// - Each tick calls the sink's OnTimer(id) on the GUI thread, every period, until killed.
// - A handler may Set and Kill any id, its own included. Once Kill has returned, the id gets no
//   further tick, also not one that was already due.
// - A handler may run a nested event loop; other timers tick inside it, and so does an id that the
//   handler has re-armed. A timer is never re-entered by its own next tick while its handler runs:
//   ticks that come due meanwhile are dropped (as the Qt event dispatcher does), and the following
//   one comes a whole period later.
// All calls are made on the GUI thread.

inline constexpr int kMinimumTimerPeriodMs = 1;

// The window that owns the timers.
class TimerSink {
  public:
    virtual void OnTimer(int id) = 0;

  protected:
    ~TimerSink() = default;
};

class TimerService {
  public:
    virtual ~TimerService() = default;

    virtual void Set(int id, int periodMs) = 0;
    virtual void Kill(int id) = 0;
    virtual bool IsArmed(int id) const = 0;
};
