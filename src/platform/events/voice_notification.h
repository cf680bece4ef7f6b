#pragma once

#include <QEvent>

class QObject;

// The voice notification: speech backends post it from any thread to the window that receives
// their voices' events, and the window's message filter picks it up on the GUI thread before
// normal dispatch. It carries nothing; the filter drains the voices' own event queues.

// A fixed value in Qt's user range, well away from the values that QEvent::registerEventType()
// hands out (those count down from QEvent::MaxUser).
inline constexpr QEvent::Type kVoiceNotificationEvent = static_cast<QEvent::Type>(0x8000);

// Thread-safe. Does nothing for a null window. The window must outlive every thread that may
// post to it. Notifications are not merged: each post is one delivery.
void PostVoiceNotification(QObject* window);

// Makes a window's message filter see the voice notification before normal dispatch, in the
// window's own event(), wherever the event is dispatched from (the main loop, a modal dialog's
// loop, or a nested pump). Window is QObject or any class derived from it, such as QDialog:
//
//     class MainWindow : public MessageFilterHost<QDialog> {
//         bool PreTranslateMessage(QEvent* message) override {
//             if (message->type() == kVoiceNotificationEvent)
//                 m_view.PreTranslateMessage(message);  // the view's own filter
//             return true;
//         }
//     };
template <class Window>
class MessageFilterHost : public Window {
  public:
    using Window::Window;

    // True when the message has been handled and must not be dispatched further; false passes
    // it on to the window's normal handling (customEvent() for the notification).
    virtual bool PreTranslateMessage(QEvent* message) = 0;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == kVoiceNotificationEvent && PreTranslateMessage(event)) {
            return true;
        }
        return Window::event(event);
    }
};
