#include "platform/events/voice_notification.h"

#include <QCoreApplication>

void PostVoiceNotification(QObject* window) {
    if (window == nullptr) {
        return;
    }
    QCoreApplication::postEvent(window, new QEvent(kVoiceNotificationEvent));
}
