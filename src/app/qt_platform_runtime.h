#pragma once

#include <memory>

#include "view/platform_services.h"

class AudioInput;
class CharacterAgent;
class EventPump;
class MessageBoxService;
class SoundPlayer;
class SpeechEngine;
class UtteranceObserver;

// The platform of a real run: Qt windows, Qt WebEngine pages, Qt Multimedia sound, the flite and
// espeak-ng voices, the characters in windows of their own.
class QtPlatformRuntime : public PlatformRuntime {
  public:
    // `speechLog`, when given, is told of every utterance; it must outlive the runtime.
    explicit QtPlatformRuntime(UtteranceObserver* speechLog = nullptr);
    ~QtPlatformRuntime() override;

    bool Start() override;
    void Stop() override;
    const PlatformServices& Services() const override { return services_; }

  private:
    std::unique_ptr<SoundPlayer> sound_;
    std::unique_ptr<AudioInput> audioInput_;
    std::unique_ptr<MessageBoxService> messageBox_;
    UtteranceObserver* speechLog_;
    std::unique_ptr<SpeechEngine> speech_;
    std::unique_ptr<CharacterAgent> agent_;
    std::unique_ptr<EventPump> pump_;
    PlatformServices services_;
};
