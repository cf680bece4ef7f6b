// Hostile lesson lines of up to 64 KB, spoken whole as the tutor speaks them (CRole::SpeakRuns with
// the real engines, into an output that takes the audio as fast as it comes): for each line, the
// time from the speak call to its first sample (first), the longest any of its utterances waited
// for its first sample (slowest: the pause the learner hears between two), the time until all of
// it was made, the synthesis memory (the peak resident memory over the line less the memory
// before it) and the seconds of speech. Each line runs in a process of its own, after a warm-up
// sentence, so that none inherits another's memory.
//
// Usage: QT_QPA_PLATFORM=offscreen build/bench/hostile_speech_bench [LINE]

#include <spawn.h>
#include <sys/wait.h>

#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/events/qt_event_pump.h"
#include "speech/engines/sound_file.h"
#include "speech/engines/speech_registry.h"
#include "speech/engines/utterance_observer.h"
#include "speech/role.h"
#include "speech/speakable_text.h"
#include "speech/spoken_runs.h"
#include "speech/voice.h"
#include "support/scratch_directory.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kLineBytes = 64 << 10;
// Under kMaxSpokenBytes, so spoken whole.
constexpr std::size_t kSpokenLineBytes = 1950;

std::string Repeated(const std::string& piece, std::size_t bytes) {
    std::string text;
    while (text.size() + piece.size() <= bytes) {
        text += piece;
    }
    return text;
}

// The lines, in the program's code page (CP936).
const std::map<std::string, std::function<std::string()>>& Lines() {
    static const std::map<std::string, std::function<std::string()>> kLines{
        {"brackets", [] { return "Hello " + Repeated("[]", kLineBytes - 6); }},
        {"nested", [] { return Repeated("[", kLineBytes / 2) + Repeated("]", kLineBytes / 2); }},
        {"letters", [] { return Repeated("a", kLineBytes); }},
        {"words", [] { return Repeated("Good morning, how are you today? ", kLineBytes); }},
        {"words-spoken",
         [] { return Repeated("Good morning, how are you today? ", kSpokenLineBytes); }},
        {"symbols", [] { return Repeated("& ", kLineBytes); }},
        {"dense-spoken", [] { return Repeated("W&", kSpokenLineBytes); }},
        {"numbers-spoken", [] { return Repeated("7777 ", kSpokenLineBytes); }},
        {"digits-spoken", [] { return "No " + Repeated("7", kSpokenLineBytes - 3); }},
        {"chinese", [] { return Repeated(Utf8ToCp936("你好，我很好。"), kLineBytes); }},
        // Two bytes a character here, three in the engines' UTF-8.
        {"chinese-spoken",
         [] { return Repeated(Utf8ToCp936("你好，我很好。"), kSpokenLineBytes * 2 / 3); }},
        {"sounds", [] { return Repeated("[ai] ", kLineBytes); }},
        {"sounds-spoken", [] { return Repeated("[ai] and ", 64 * 9); }},
    };
    return kLines;
}

// When the first sample of the line came, how many utterances and how much audio there were.
class LineWatch final : public UtteranceObserver {
  public:
    void OnQueued(const UtteranceInfo& info) override {
        std::lock_guard lock(mutex_);
        ++utterances_;
        rates_[info.serial] = info.sampleRate;
        requested_[info.serial] = info.requested;
    }
    void OnFirstSample(std::uint64_t serial, Clock::time_point when) override {
        std::lock_guard lock(mutex_);
        if (!first_) {
            first_ = when;
        }
        slowest_ = std::max(
            slowest_, std::chrono::duration<double, std::milli>(when - requested_[serial]).count());
    }
    void OnSamples(std::uint64_t serial, const std::int16_t*, std::size_t count) override {
        std::lock_guard lock(mutex_);
        speech_ += static_cast<double>(count) / rates_[serial];
    }
    void OnEvent(std::uint64_t, const SpeechEvent&) override {}
    void OnFinished(std::uint64_t, Clock::time_point, bool) override {}

    void Reset() {
        std::lock_guard lock(mutex_);
        first_.reset();
        utterances_ = 0;
        speech_ = 0;
        slowest_ = 0;
    }
    std::optional<Clock::time_point> First() {
        std::lock_guard lock(mutex_);
        return first_;
    }
    int Utterances() {
        std::lock_guard lock(mutex_);
        return utterances_;
    }
    // The longest wait of an utterance for its first sample, in ms.
    double Slowest() {
        std::lock_guard lock(mutex_);
        return slowest_;
    }
    // Seconds of audio.
    double Speech() {
        std::lock_guard lock(mutex_);
        return speech_;
    }

  private:
    std::mutex mutex_;
    std::optional<Clock::time_point> first_;
    int utterances_ = 0;
    std::map<std::uint64_t, int> rates_;
    std::map<std::uint64_t, Clock::time_point> requested_;
    double speech_ = 0;
    double slowest_ = 0;
};

// A field of /proc/self/status, in MB.
double StatusMb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string name;
    while (status >> name) {
        if (name == field + ":") {
            double kb = 0;
            status >> kb;
            return kb / 1024;
        }
        status.ignore(1 << 20, '\n');
    }
    return -1;
}

// The peak resident memory starts again from the current one.
void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

bool Idle(const CVoice* voice) {
    return !voice->m_pVoice || voice->m_pVoice->SpeakCompleteEvent()->IsSignalled();
}

void SpeakAndWait(CRole& role, EventPump& pump, std::string line) {
    StripSpeakerPrefix(line);
    CleanSentence(line);
    role.SpeakRuns(std::move(line));
    while (!Idle(role.m_pEnglishVoice.get()) || !Idle(role.m_pChineseVoice.get())) {
        pump.PumpOne();
    }
}

int RunLine(const std::string& name, std::string line) {
    // A course with one recorded sound, "[ai]", for the role to play.
    ScratchDirectory course("hostile-speech-bench");
    course.Write("phonetic/phonetic.idx", "[ai]=ai.wav@6\n");
    WriteWavFile(course.Path("phonetic/ai.wav").string(), std::vector<std::int16_t>(4000), 16000);
    course.Enter();

    LineWatch watch;
    SpeechEngineOptions options;
    options.audio = AudioMode::kFast;
    options.observers = {&watch};
    const std::unique_ptr<SpeechEngine> engine = MakeSpeechEngine(options);
    QtEventPump pump;
    CRole role(SpeechServices{engine.get(), nullptr, &pump});
    SpeakAndWait(role, pump, "Hello, Tom. " + Utf8ToCp936("你好。"));

    std::string prepared = line;
    CleanSentence(prepared);
    const bool refused = !PrepareSpokenLine(prepared);
    watch.Reset();
    ResetPeak();
    const double before = StatusMb("VmRSS");
    const std::size_t bytes = line.size();
    const Clock::time_point start = Clock::now();
    SpeakAndWait(role, pump, std::move(line));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const double peak = StatusMb("VmHWM");
    const std::optional<Clock::time_point> first = watch.First();
    if (watch.Utterances() == 0) {
        std::printf("%-16s %6zu bytes  %-34s %6.2f s %6.1f MB\n", name.c_str(), bytes,
                    refused ? "refused" : "nothing to say", seconds, peak - before);
    } else {
        std::printf("%-16s %6zu bytes  %4d utterances %6.0f ms %6.0f ms %6.2f s %6.1f MB %6.0f s\n",
                    name.c_str(), bytes, watch.Utterances(),
                    first ? std::chrono::duration<double, std::milli>(*first - start).count() : NAN,
                    watch.Slowest(), seconds, peak - before, watch.Speech());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const auto found = Lines().find(argv[1]);
        if (found == Lines().end()) {
            std::fprintf(stderr, "no line %s\n", argv[1]);
            return 2;
        }
        QGuiApplication application(argc, argv);
        return RunLine(found->first, found->second());
    }
    std::printf(
        "line               size        spoken           first  slowest  synthesis memory  "
        "speech\n");
    std::fflush(stdout);
    for (const auto& [name, make] : Lines()) {
        char* const arguments[] = {argv[0], const_cast<char*>(name.c_str()), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, argv[0], nullptr, nullptr, arguments, environ) != 0) {
            std::perror("posix_spawn");
            return 1;
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("%-16s failed (status %d)\n", name.c_str(), status);
        }
        std::fflush(stdout);
    }
    return 0;
}
