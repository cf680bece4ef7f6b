#include "platform/timers/qt_timer_service.h"

#include <QTimerEvent>
#include <algorithm>

QtTimerService::QtTimerService(TimerSink& sink, QObject* parent) : QObject(parent), sink_(sink) {}

void QtTimerService::Set(int id, int periodMs) {
    Kill(id);
    // Precise: the study modes count pauses in milliseconds, which coarse timers would round.
    const int qtTimer = startTimer(std::max(periodMs, kMinimumTimerPeriodMs), Qt::PreciseTimer);
    if (qtTimer != 0) {
        qtTimers_[id] = qtTimer;
    }
}

void QtTimerService::Kill(int id) {
    const auto armed = qtTimers_.find(id);
    if (armed == qtTimers_.end()) {
        return;
    }
    killTimer(armed->second);
    qtTimers_.erase(armed);
}

bool QtTimerService::IsArmed(int id) const {
    return qtTimers_.contains(id);
}

void QtTimerService::timerEvent(QTimerEvent* event) {
    // Qt drops killed timers and does not re-enter a timer from its own handler's nested loop;
    // the lookup still guards against an event for a timer this service no longer knows.
    const auto armed = std::find_if(qtTimers_.begin(), qtTimers_.end(), [event](const auto& entry) {
        return entry.second == event->timerId();
    });
    if (armed == qtTimers_.end()) {
        return;
    }
    sink_.OnTimer(armed->first);
}
