// Read aloud to first audio: from the press of the read-aloud button (the real button of the main
// window) on an open lesson of the sample course to the first sample of the line's speech handed
// to the output, as a learner waits for it; and, since a voice may open with silence, to the
// first sample that is heard (the output plays in real time, so a sample's place is its time). The
// real voices (into a real-time null output; a sound device adds its own latency after that), the
// real characters, Qt's timers and event loop, and the offscreen page renderer. Each press is
// followed by stop and next line, so that every press speaks another line; when a lesson's lines
// run out the benchmark goes back to the contents and opens the next lesson.
//
// Usage: study_first_audio_bench [COURSE_DIR [PRESSES]]
//        (COURSE_DIR: a built course, by default this build's sample course; PRESSES: 40)

#include <QPushButton>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/tutor_dlg.h"
#include "character/qtagent/qt_agent.h"
#include "percentile.h"
#include "platform/events/qt_event_pump.h"
#include "platform/files/files.h"
#include "platform/timers/qt_timer_service.h"
#include "platform/window/dialog_controls.h"
#include "speech/engines/speech_registry.h"
#include "speech/engines/utterance_observer.h"
#include "study_page.h"
#include "support/offscreen_renderer.h"
#include "support/recording_message_box.h"
#include "support/recording_sound_player.h"
#include "support/scratch_directory.h"
#include "view/command_ids.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// The first sample of the first utterance queued after Arm(). Calls come from the GUI thread
// (queued) and the voices' output threads (samples).
class FirstAudio final : public UtteranceObserver {
  public:
    struct Utterance {
        std::string voice;
        std::string what;  // text, or the sound file's name
        int sampleRate = 0;
        Clock::time_point requested;
        std::optional<Clock::time_point> firstSample;
        std::int64_t samples = 0;
        std::optional<std::int64_t> firstLoud;  // its place among the samples
        bool finished = false;
    };

    void Arm() {
        std::lock_guard lock(mutex_);
        after_ = last_;
        first_.reset();
    }
    // The serial of the first utterance after Arm() that has reached the output.
    std::optional<std::uint64_t> First() {
        std::lock_guard lock(mutex_);
        return first_;
    }
    Utterance Get(std::uint64_t serial) {
        std::lock_guard lock(mutex_);
        return utterances_[serial];
    }

    void OnQueued(const UtteranceInfo& info) override {
        std::lock_guard lock(mutex_);
        Utterance& utterance = utterances_[info.serial];
        utterance.voice = info.voice;
        utterance.what = info.file.empty() ? info.text : info.file;
        utterance.sampleRate = info.sampleRate;
        utterance.requested = info.requested;
        last_ = std::max(last_, info.serial);
    }
    void OnFirstSample(std::uint64_t serial, Clock::time_point when) override {
        {
            std::lock_guard lock(mutex_);
            utterances_[serial].firstSample = when;
            if (serial <= after_ || (first_ && *first_ < serial)) {
                return;
            }
            first_ = serial;
        }
        // Wakes the GUI thread's event loop, which waits for this.
        QMetaObject::invokeMethod(
            qApp, [] {}, Qt::QueuedConnection);
    }
    void OnSamples(std::uint64_t serial, const std::int16_t* samples, std::size_t count) override {
        // About -30 dB below full scale: louder than a voice's pauses.
        constexpr int kLoud = 1024;
        std::lock_guard lock(mutex_);
        Utterance& utterance = utterances_[serial];
        for (std::size_t i = 0; i < count && !utterance.firstLoud; ++i) {
            if (std::abs(samples[i]) >= kLoud) {
                utterance.firstLoud = utterance.samples + static_cast<std::int64_t>(i);
            }
        }
        utterance.samples += static_cast<std::int64_t>(count);
    }
    void OnEvent(std::uint64_t, const SpeechEvent&) override {}
    void OnFinished(std::uint64_t serial, Clock::time_point, bool) override {
        std::lock_guard lock(mutex_);
        utterances_[serial].finished = true;
    }

  private:
    std::mutex mutex_;
    std::map<std::uint64_t, Utterance> utterances_;
    std::uint64_t last_ = 0;
    std::uint64_t after_ = 0;
    std::optional<std::uint64_t> first_;
};

struct Press {
    std::string lesson;
    int line = 0;
    double toFirstAudio = 0;  // what the learner waits for
    double toHeard = -1;      // the first sample that is heard; -1 when none is
    double inHandler = 0;     // the button's handler, on the GUI thread
    double inEngine = 0;      // the speak call to the first sample
    FirstAudio::Utterance utterance;
};

// Over the presses that have the value (it is never negative).
void PrintSummary(const char* what, const std::vector<Press>& presses, double Press::*value) {
    std::vector<double> values;
    for (const Press& press : presses) {
        if (press.*value >= 0) {
            values.push_back(press.*value);
        }
    }
    if (values.empty()) {
        return;
    }
    std::printf("%-28s %3zu presses  median %7.2f ms  p90 %7.2f ms  max %7.2f ms\n", what,
                values.size(), Percentile(values, 0.5), Percentile(values, 0.9),
                Percentile(values, 1.0));
}

class Bench {
  public:
    Bench(const PlatformServices& services, FirstAudio& audio)
        : dlg_(services), view_(dlg_.m_view), audio_(audio) {}

    bool Start() {
        dlg_.Create();
        return WaitForDocument(&view_) &&
               ClickForPage(view_, ElementWithText(view_, "folder", "打开课文"));
    }

    // Presses read aloud on every line of each lesson in turn until `count` presses are done.
    bool Run(int count, std::vector<Press>& presses) {
        const std::vector<PageMirror::Handle> lessons = ElementsOfClass(view_, "file");
        std::vector<std::string> names;
        for (const PageMirror::Handle lesson : lessons) {
            names.push_back(view_.Mirror().InnerText(lesson));
        }
        if (names.empty()) {
            std::fprintf(stderr, "the contents page lists no lessons\n");
            return false;
        }
        for (std::size_t lesson = 0; static_cast<int>(presses.size()) < count; ++lesson) {
            const std::string& name = names[lesson % names.size()];
            if (!OpenLesson(name)) {
                std::fprintf(stderr, "cannot open the lesson %s\n", name.c_str());
                return false;
            }
            while (static_cast<int>(presses.size()) < count) {
                const std::optional<Press> press = PressReadAloud(name);
                if (!press) {
                    return false;
                }
                presses.push_back(*press);
                Click(kStopButton);
                if (AtLastLine(view_)) {
                    break;
                }
                Click(kNextButton);
                Click(kStopButton);
            }
        }
        return true;
    }

  private:
    bool OpenLesson(const std::string& name) {
        if (view_.m_nPage == 2 &&
            !ClickForPage(view_, ElementWithText(view_, "folder", "返回目录"))) {
            return false;
        }
        return ClickForPage(view_, ElementWithText(view_, "file", name)) && view_.m_nLineCount > 0;
    }

    void Click(int id) {
        if (auto* button = qobject_cast<QPushButton*>(FindControl(&dlg_, id))) {
            button->click();
        }
    }

    std::optional<Press> PressReadAloud(const std::string& lesson) {
        // A learner's presses are apart: what the last one left running settles first.
        RunEventLoop(300);
        auto* button = qobject_cast<QPushButton*>(FindControl(&dlg_, kReadAloudButton));
        if (button == nullptr || !button->isEnabled()) {
            std::fprintf(stderr, "the read-aloud button cannot be pressed\n");
            return std::nullopt;
        }
        audio_.Arm();
        const Clock::time_point pressed = Clock::now();
        button->click();
        const Clock::time_point handled = Clock::now();
        QTimer heartbeat;
        heartbeat.start(100);
        std::optional<std::uint64_t> first;
        // Then on until a sample is heard, or the utterance has ended without one.
        const auto waiting = [&] {
            first = audio_.First();
            if (!first) {
                return true;
            }
            const FirstAudio::Utterance utterance = audio_.Get(*first);
            return !utterance.firstLoud && !utterance.finished;
        };
        while (waiting() && Clock::now() - pressed < std::chrono::seconds(10)) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (!first) {
            std::fprintf(stderr, "%s line %d: no audio within 10 s\n", lesson.c_str(),
                         view_.m_nLine);
            return std::nullopt;
        }
        Press press;
        press.lesson = lesson;
        press.line = view_.m_nLine;
        press.utterance = audio_.Get(*first);
        press.toFirstAudio = Ms(*press.utterance.firstSample - pressed);
        if (press.utterance.firstLoud && press.utterance.sampleRate > 0) {
            press.toHeard =
                press.toFirstAudio + 1000.0 * static_cast<double>(*press.utterance.firstLoud) /
                                         press.utterance.sampleRate;
        }
        press.inHandler = Ms(handled - pressed);
        press.inEngine = Ms(*press.utterance.firstSample - press.utterance.requested);
        return press;
    }

    CTutorDlg dlg_;
    CLessonView& view_;
    FirstAudio& audio_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 3) {
        std::fprintf(stderr, "usage: study_first_audio_bench [COURSE_DIR [PRESSES]]\n");
        return 2;
    }
    const std::filesystem::path source = argc > 1 ? argv[1] : QUORVAN_SAMPLE_COURSE;
    const int count = argc > 2 ? std::atoi(argv[2]) : 40;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);

    // The tutor writes into its course folder: a copy of the course takes that.
    ScratchDirectory course("study-first-audio");
    if (!EnterCopyOfCourse(source, course)) {
        return 1;
    }

    FirstAudio audio;
    SpeechEngineOptions speech;
    speech.audio = AudioMode::kRealTime;
    speech.observers = {&audio};
    const std::unique_ptr<SpeechEngine> engine = MakeSpeechEngine(speech);
    QtCharacterAgent agent(QUORVAN_CHARACTER_DIR);
    RecordingSoundPlayer sound;
    RecordingMessageBox messageBox;
    QtEventPump pump;
    PlatformServices services;
    services.sound = &sound;
    services.messageBox = &messageBox;
    services.speech = engine.get();
    services.agent = &agent;
    services.characterFolder = QUORVAN_CHARACTER_DIR;
    services.pump = &pump;
    services.makeTimers = [](TimerSink& sink) { return std::make_unique<QtTimerService>(sink); };
    services.makeRenderer = [](PageRendererClient& client) {
        return std::make_unique<OffscreenRenderer>(client);
    };

    std::vector<Press> presses;
    {
        Bench bench(services, audio);
        if (!bench.Start()) {
            std::fprintf(stderr, "the contents page did not load\n");
            return 1;
        }
        if (!bench.Run(count, presses)) {
            return 1;
        }
    }

    std::printf("press of read aloud to the first sample of the line (ms)\n");
    std::printf("%-28s %4s %8s %8s %8s %8s  %s\n", "lesson", "line", "total", "handler", "engine",
                "heard", "first utterance");
    for (const Press& press : presses) {
        std::printf("%-28s %4d %8.2f %8.2f %8.2f %8.2f  %s \"%s\"\n", press.lesson.c_str(),
                    press.line, press.toFirstAudio, press.inHandler, press.inEngine, press.toHeard,
                    press.utterance.voice.c_str(), press.utterance.what.c_str());
    }
    PrintSummary("press to first audio", presses, &Press::toFirstAudio);
    PrintSummary("  of which in the handler", presses, &Press::inHandler);
    PrintSummary("  speak call to first audio", presses, &Press::inEngine);
    PrintSummary("press to first heard sample", presses, &Press::toHeard);
    return 0;
}
