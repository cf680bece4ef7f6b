#include "platform/events/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>

void QtEventPump::PumpOne() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
