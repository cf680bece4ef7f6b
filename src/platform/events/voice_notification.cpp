#include "platform/events/voice_notification.h"

#include <QCoreApplication>
#include <QEventLoop>

void PostVoiceNotification(QObject* window) {
    if (window == nullptr) {
        return;
    }
    QCoreApplication::postEvent(window, new QEvent(kVoiceNotificationEvent));
}

void PumpOneEvent() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}
