#include "support/test_platform.h"

#include <memory>

TestPlatform::TestPlatform() {
    services_.sound = &sound_;
    services_.messageBox = &messageBox_;
    services_.speech = &speech_;
    agent_.AddCharacter("merlin.acs", "Tutor One");
    agent_.AddCharacter("Genie.acs", "Tutor Two");
    services_.agent = &agent_;
    services_.makeRenderer = [this](PageRendererClient& client) {
        auto renderer = std::make_unique<OffscreenRenderer>(client);
        renderer_ = renderer.get();
        return renderer;
    };
    services_.makeTimers = [this](TimerSink& sink) {
        auto timers = std::make_unique<ManualTimerService>(sink, clock_);
        timers_ = timers.get();
        return timers;
    };
    services_.pump = &pump_;
    services_.audioInput = &microphone_;
}

bool WaitForDocument(HtmlDialog* dialog) {
    QSignalSpy completed(dialog, &HtmlDialog::DocumentCompleted);
    return completed.wait(2000);
}
