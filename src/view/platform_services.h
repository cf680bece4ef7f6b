#pragma once

#include <functional>
#include <memory>
#include <string>

class AudioInput;
class CharacterAgent;
class EventPump;
class MessageBoxService;
class PageRenderer;
class PageRendererClient;
class SoundPlayer;
class SpeechEngine;
class TimerService;
class TimerSink;

// The operating-system services a run of the program uses. The real set is made by the
// platform runtime; tests assemble one from test backends.
struct PlatformServices {
    SoundPlayer* sound = nullptr;
    MessageBoxService* messageBox = nullptr;
    // The speech engines the voices speak with; null when none can be used.
    SpeechEngine* speech = nullptr;
    // The agent that shows the roles' characters; null when none can be used.
    CharacterAgent* agent = nullptr;
    // Where the agent finds characters by bare file name: the folder the character search lists.
    std::string characterFolder;
    std::function<std::unique_ptr<PageRenderer>(PageRendererClient&)> makeRenderer;
    // The window timers of a window, delivered to `sink`.
    std::function<std::unique_ptr<TimerService>(TimerSink& sink)> makeTimers;
    // The nested pump of code that waits on the GUI thread.
    EventPump* pump = nullptr;
    // The learner's microphone; null when none can be used.
    AudioInput* audioInput = nullptr;
    // Where the speaking practice keeps the learner's scores and recordings, outside every course;
    // empty keeps them in memory only.
    std::string practiceFolder;
};

// Starts and stops the platform for one run: what must exist before any window does.
class PlatformRuntime {
  public:
    virtual ~PlatformRuntime() = default;
    // False when the platform cannot be used; no window may then be made.
    virtual bool Start() = 0;
    virtual void Stop() = 0;
    virtual const PlatformServices& Services() const = 0;
};
