#include "app/qt_platform_runtime.h"

#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

#include "app/course_folder.h"
#include "character/qtagent/qt_agent.h"
#include "platform/audioin/qt_audio_input.h"
#include "platform/events/qt_event_pump.h"
#include "platform/html/webengine_renderer.h"
#include "platform/messagebox/qt_message_box.h"
#include "platform/sound/qt_sound_player.h"
#include "platform/timers/qt_timer_service.h"
#include "speech/engines/speech_registry.h"

QtPlatformRuntime::QtPlatformRuntime(UtteranceObserver* speechLog)
    : messageBox_(std::make_unique<QtMessageBox>()),
      speechLog_(speechLog),
      pump_(std::make_unique<QtEventPump>()) {
    services_.messageBox = messageBox_.get();
    services_.pump = pump_.get();
    services_.makeTimers = [](TimerSink& sink) { return std::make_unique<QtTimerService>(sink); };
}

QtPlatformRuntime::~QtPlatformRuntime() = default;

bool QtPlatformRuntime::Start() {
    // Windows need a screen, and the pages need the program's own resources.
    if (!QGuiApplication::primaryScreen() || !QFile::exists(QStringLiteral(":/html/131.html"))) {
        return false;
    }
    sound_ = std::make_unique<QtSoundPlayer>();
    services_.sound = sound_.get();
    audioInput_ = std::make_unique<QtAudioInput>();
    services_.audioInput = audioInput_.get();
    services_.practiceFolder = PracticeFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
    SpeechEngineOptions speech;
    if (speechLog_ != nullptr) {
        speech.observers.push_back(speechLog_);
    }
    speech_ = MakeSpeechEngine(speech);
    services_.speech = speech_.get();
    services_.characterFolder = CharacterFolder();
    agent_ = std::make_unique<QtCharacterAgent>(services_.characterFolder);
    services_.agent = agent_.get();
    services_.makeRenderer = [](PageRendererClient& client) {
        return std::make_unique<WebEngineRenderer>(client);
    };
    return true;
}

void QtPlatformRuntime::Stop() {
    services_.sound = nullptr;
    services_.audioInput = nullptr;
    services_.speech = nullptr;
    services_.makeRenderer = nullptr;
    services_.agent = nullptr;
    agent_.reset();
    sound_.reset();
    audioInput_.reset();
    speech_.reset();
}
