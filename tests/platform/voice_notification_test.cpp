#include "platform/events/voice_notification.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDialog>
#include <QObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "platform/events/qt_event_pump.h"

namespace {

// Bounds loops that only a broken pump would not finish.
constexpr int kMaxPumps = 1000;

// Records what reaches the filter and what passes on to normal dispatch.
template <class Window>
class FilterProbe final : public MessageFilterHost<Window> {
  public:
    bool PreTranslateMessage(QEvent*) override {
        threads.push_back(QThread::currentThread());
        const int depth = ++depth_;
        deepest = std::max(deepest, depth);
        if (onNotification) {
            onNotification();
        }
        --depth_;
        return consume;
    }

    int Filtered() const { return static_cast<int>(threads.size()); }

    bool consume = true;
    std::function<void()> onNotification;
    std::vector<QThread*> threads;  // thread of each filter call
    std::vector<QEvent::Type> passedOn;
    int deepest = 0;

  protected:
    void customEvent(QEvent* event) override { passedOn.push_back(event->type()); }

  private:
    int depth_ = 0;
};

void PostSoon(QObject* window) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PostVoiceNotification(window);
}

TEST(VoiceNotificationTest, PostsFromOtherThreadsReachTheFilterOnTheGuiThread) {
    FilterProbe<QDialog> window;
    std::thread backend([&window] {
        for (int i = 0; i < 3; ++i) {
            PostVoiceNotification(&window);
        }
    });
    backend.join();
    for (int pumps = 0; window.Filtered() < 3 && pumps < kMaxPumps; ++pumps) {
        QtEventPump().PumpOne();
    }
    ASSERT_EQ(window.Filtered(), 3);
    for (QThread* thread : window.threads) {
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    }
    EXPECT_TRUE(window.passedOn.empty());
}

TEST(VoiceNotificationTest, UnhandledNotificationGoesOnAndOtherEventsSkipTheFilter) {
    FilterProbe<QObject> window;
    window.consume = false;
    PostVoiceNotification(&window);
    const auto other = static_cast<QEvent::Type>(QEvent::User + 1);
    QCoreApplication::postEvent(&window, new QEvent(other));
    PostVoiceNotification(nullptr);  // ignored
    QCoreApplication::sendPostedEvents(&window);
    EXPECT_EQ(window.Filtered(), 1);
    EXPECT_EQ(window.passedOn, (std::vector<QEvent::Type>{kVoiceNotificationEvent, other}));
}

TEST(VoiceNotificationTest, PumpReturnsAfterDispatchingAPendingEvent) {
    FilterProbe<QObject> window;
    PostVoiceNotification(&window);
    QtEventPump().PumpOne();
    EXPECT_EQ(window.Filtered(), 1);
}

TEST(VoiceNotificationTest, PumpSleepsUntilAnotherThreadPosts) {
    FilterProbe<QObject> window;
    std::thread backend(PostSoon, &window);
    int pumps = 0;
    while (window.Filtered() == 0 && pumps < kMaxPumps) {
        QtEventPump().PumpOne();
        ++pumps;
    }
    backend.join();
    EXPECT_EQ(window.Filtered(), 1);
    // A pump that did not wait would have gone round thousands of times in 50 ms.
    EXPECT_LE(pumps, 10);
}

TEST(VoiceNotificationTest, NestedPumpInsideAHandlerReceivesLaterPosts) {
    // The sentence speaker pumps from inside a handler while the engine keeps posting.
    FilterProbe<QObject> window;
    std::thread backend;
    window.onNotification = [&window, &backend] {
        if (window.Filtered() != 1) {
            return;
        }
        backend = std::thread(PostSoon, &window);
        for (int pumps = 0; window.Filtered() < 2 && pumps < kMaxPumps; ++pumps) {
            QtEventPump().PumpOne();
        }
    };
    PostVoiceNotification(&window);
    QtEventPump().PumpOne();
    backend.join();
    EXPECT_EQ(window.Filtered(), 2);
    EXPECT_EQ(window.deepest, 2);
}

}  // namespace
