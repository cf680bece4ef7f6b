#pragma once

#include <QObject>
#include <map>

#include "platform/timers/timer_service.h"

// Timers on the Qt event loop of the thread that creates the service (the GUI thread): one precise
// Qt timer per armed id.
class QtTimerService final : public QObject, public TimerService {
    Q_OBJECT

  public:
    explicit QtTimerService(TimerSink& sink, QObject* parent = nullptr);

    void Set(int id, int periodMs) override;
    void Kill(int id) override;
    bool IsArmed(int id) const override;

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    TimerSink& sink_;
    std::map<int, int> qtTimers_;  // armed id -> Qt timer id
};
