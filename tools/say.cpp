// quorvan-say [--voice en|zh|NAME | --line] [--rate N] [--course DIR] [-o OUT.wav]
//             [--events OUT.jsonl] [--speech-log DIR] [--list-voices] TEXT
//
// Speaks TEXT (UTF-8) with the tutor's voices: into a WAV file with -o, else to the audio
// device. With --course, each bracketed piece ("[ii]") is played from that course's phonetic
// table, as the tutor plays phonetic pieces; the rest is read by the voice.
//
// With --line, TEXT is a lesson line spoken exactly as the tutor speaks a line whole: the
// speaker's name and the punctuation go, and the tutor's own speaker (an English voice with the
// course's phonetic sounds, a Chinese voice) takes the line run by run. Needs no display: the
// speaker's mouth pictures are made on the "offscreen" platform unless QT_QPA_PLATFORM says
// otherwise.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/events/qt_event_pump.h"
#include "platform/files/files.h"
#include "speech/engines/resampler.h"
#include "speech/engines/sound_file.h"
#include "speech/engines/speech_log.h"
#include "speech/engines/speech_registry.h"
#include "speech/engines/utterance_observer.h"
#include "speech/role.h"
#include "speech/speakable_text.h"
#include "speech/spoken_runs.h"
#include "speech/voice.h"

namespace {

constexpr const char* kName = "quorvan-say";
constexpr const char* kUsage =
    "usage: quorvan-say [--voice en|zh|NAME | --line] [--rate N] [--course DIR] [-o OUT.wav]\n"
    "                   [--events OUT.jsonl] [--speech-log DIR] [--list-voices] TEXT\n"
    "  --line   TEXT is a lesson line: spoken as the tutor speaks it, Chinese by the Chinese "
    "voice\n";

struct Options {
    std::string voice = "en";
    bool voiceGiven = false;
    bool line = false;
    int rate = 0;
    std::string course;
    std::string output;
    std::string events;
    std::string speechLog;
    bool listVoices = false;
    std::string text;
};

struct UsageError {
    std::string message;
};

Options ParseOptions(int argc, char** argv) {
    Options options;
    bool haveText = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw UsageError{arg + " needs a value"};
            }
            return argv[++i];
        };
        if (arg == "--voice") {
            options.voice = value();
            options.voiceGiven = true;
        } else if (arg == "--line") {
            options.line = true;
        } else if (arg == "--rate") {
            const std::string rate = value();
            const auto [end, error] =
                std::from_chars(rate.data(), rate.data() + rate.size(), options.rate);
            if (error != std::errc() || end != rate.data() + rate.size() ||
                options.rate < kMinRate || options.rate > kMaxRate) {
                throw UsageError{"the rate is a whole number from -10 to 10, not '" + rate + "'"};
            }
        } else if (arg == "--course") {
            options.course = value();
        } else if (arg == "-o") {
            options.output = value();
        } else if (arg == "--events") {
            options.events = value();
        } else if (arg == "--speech-log") {
            options.speechLog = value();
        } else if (arg == "--list-voices") {
            options.listVoices = true;
        } else if (arg.starts_with("-") && arg != "-") {
            throw UsageError{"unknown option " + arg};
        } else if (haveText) {
            throw UsageError{"one TEXT only (quote it)"};
        } else {
            options.text = arg;
            haveText = true;
        }
    }
    if (!haveText && !options.listVoices) {
        throw UsageError{"no TEXT"};
    }
    if (options.line && options.voiceGiven) {
        throw UsageError{"--line speaks with the tutor's own voices: no --voice"};
    }
    return options;
}

// Everything the voice handed to the output, utterance after utterance, with its events.
class Recording final : public UtteranceObserver {
  public:
    void OnQueued(const UtteranceInfo& info) override {
        std::lock_guard lock(mutex_);
        utterances_[info.serial].rate = info.sampleRate;
    }
    void OnFirstSample(std::uint64_t, std::chrono::steady_clock::time_point) override {}
    void OnSamples(std::uint64_t serial, const std::int16_t* samples, std::size_t count) override {
        std::lock_guard lock(mutex_);
        std::vector<std::int16_t>& kept = utterances_[serial].samples;
        kept.insert(kept.end(), samples, samples + count);
        lastSamples_ = std::chrono::steady_clock::now();
    }
    void OnEvent(std::uint64_t serial, const SpeechEvent& event) override {
        std::lock_guard lock(mutex_);
        utterances_[serial].events.push_back(event);
    }
    void OnFinished(std::uint64_t, std::chrono::steady_clock::time_point, bool) override {}

    // When the output last took samples; none yet: nothing.
    std::optional<std::chrono::steady_clock::time_point> LastSamples() {
        std::lock_guard lock(mutex_);
        return lastSamples_;
    }

    int Rate() {
        std::lock_guard lock(mutex_);
        return utterances_.empty() ? 16000 : utterances_.begin()->second.rate;
    }

    // At the rate of the first utterance: a line's Chinese voice may have another rate than
    // its English one.
    std::vector<std::int16_t> Samples() {
        std::lock_guard lock(mutex_);
        std::vector<std::int16_t> all;
        const int rate = utterances_.empty() ? 0 : utterances_.begin()->second.rate;
        for (const auto& [serial, utterance] : utterances_) {
            if (utterance.rate == rate || utterance.rate <= 0 || utterance.samples.empty()) {
                all.insert(all.end(), utterance.samples.begin(), utterance.samples.end());
            } else {
                const std::vector<std::int16_t> converted =
                    Resample(utterance.samples, utterance.rate, rate);
                all.insert(all.end(), converted.begin(), converted.end());
            }
        }
        return all;
    }

    // One JSON line per event; "ms" is its place in the whole recording.
    std::string EventLines() {
        std::lock_guard lock(mutex_);
        std::string lines;
        double offsetMs = 0;
        for (const auto& [serial, utterance] : utterances_) {
            for (const SpeechEvent& event : utterance.events) {
                QJsonObject json = SpeechEventJson(event);
                json[QStringLiteral("n")] = static_cast<qint64>(serial);
                json[QStringLiteral("ms")] = std::round((offsetMs + event.audioMs) * 10) / 10;
                lines += QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString() + '\n';
            }
            if (utterance.rate > 0) {
                offsetMs += 1000.0 * static_cast<double>(utterance.samples.size()) / utterance.rate;
            }
        }
        return lines;
    }

  private:
    struct Utterance {
        int rate = 0;
        std::vector<std::int16_t> samples;
        std::vector<SpeechEvent> events;
    };
    std::mutex mutex_;
    std::map<std::uint64_t, Utterance> utterances_;
    std::optional<std::chrono::steady_clock::time_point> lastSamples_;
};

struct Failure {
    std::string message;
};

Failure SystemFailure(const char* what, const std::string& path, std::error_code error) {
    return Failure{std::string(what) + " '" + path + "': " + error.message()};
}

// The text in pieces: bracketed ones ("[ii]", brackets kept) and the text between them.
std::vector<std::string> Pieces(const std::string& text, bool bracketed) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t open = bracketed ? text.find('[', from) : std::string::npos;
        const std::size_t close = open == std::string::npos ? open : text.find(']', open);
        if (close == std::string::npos) {
            pieces.push_back(text.substr(from));
            break;
        }
        if (open > from) {
            pieces.push_back(text.substr(from, open - from));
        }
        pieces.push_back(text.substr(open, close + 1 - open));
        from = close + 1;
    }
    return pieces;
}

// A bracketed piece with something in its brackets, which the phonetic table may play.
bool IsSound(const std::string& piece) {
    return piece.front() == '[' && !SpeakableText(piece.substr(1, piece.size() - 2)).empty();
}

bool IsBlank(const std::string& piece) {
    return piece.find_first_not_of(" \t\r\n") == std::string::npos;
}

// Ends a wait for speech that never ends: an output takes each sample shortly before it is
// heard, so speech is over within a margin of the last samples taken, however long it is. Then
// the voices are stopped, which ends every wait on them, and the tool fails.
class PlaybackWatch {
  public:
    PlaybackWatch(Recording& recording, std::function<void()> stop)
        : recording_(recording), stop_(std::move(stop)), started_(Clock::now()) {
        // Also wakes the pump, which otherwise waits for the voices' own events.
        timer_.setInterval(100);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Check(); });
        timer_.start();
    }

    void ThrowIfOverdue() const {
        if (overdue_) {
            throw Failure{"the sound output stopped playing"};
        }
    }

  private:
    using Clock = std::chrono::steady_clock;
    // Synthesis of a first piece of audio, and the sound server's own delay after the last.
    static constexpr auto kFirstSamples = std::chrono::seconds(10);
    static constexpr auto kAfterLastSamples = std::chrono::seconds(2);

    void Check() {
        const std::optional<Clock::time_point> last = recording_.LastSamples();
        const bool since = last && *last > started_;
        const Clock::time_point from = since ? *last : started_;
        if (!overdue_ && Clock::now() - from > (since ? kAfterLastSamples : kFirstSamples)) {
            overdue_ = true;
            stop_();
        }
    }

    Recording& recording_;
    std::function<void()> stop_;
    const Clock::time_point started_;
    QTimer timer_;
    bool overdue_ = false;
};

void WaitUntilIdle(EventPump& pump) {
    while (g_hCurrentSpeakDone && !g_hCurrentSpeakDone->IsSignalled()) {
        pump.PumpOne();
    }
}

void SpeakText(const Options& options, const SpeechServices& services, Recording& recording,
               const VoiceToken* named, bool withCourse) {
    CVoice voice(options.voice == "zh" ? 0 : 1, services);
    if (!voice.m_pToken && named == nullptr) {
        throw Failure{"Failed in init TTS!"};
    }
    if (named != nullptr && !voice.m_pVoice->SetVoice(*named)) {
        throw Failure{"the voice " + named->name + " cannot be used"};
    }
    voice.m_pVoice->SetRate(options.rate);
    if (withCourse) {
        voice.LoadPhoneticTable();
    }
    const std::vector<std::string> pieces = Pieces(options.text, withCourse);
    // The bounds of one lesson line in the tutor hold for the whole text.
    const auto sounds = static_cast<std::size_t>(
        std::count_if(pieces.begin(), pieces.end(),
                      [&](const std::string& piece) { return withCourse && IsSound(piece); }));
    if (sounds > kMaxPhoneticPieces) {
        throw Failure{"the text would play " + std::to_string(sounds) +
                      " recorded sounds, more than " + std::to_string(kMaxPhoneticPieces)};
    }
    if (const std::size_t size = SpeakableText(options.text).size(); size > kMaxSpokenBytes) {
        throw Failure{"the text would say " + std::to_string(size) + " bytes, more than " +
                      std::to_string(kMaxSpokenBytes)};
    }
    for (const std::string& piece : pieces) {
        if (IsBlank(piece)) {
            continue;
        }
        const PlaybackWatch watch(recording, [&voice] { voice.Purge(); });
        if (withCourse && piece.front() == '[') {
            voice.SpeakPhonetic(Utf8ToCp936(piece));
        } else {
            voice.Speak(QString::fromUtf8(piece.data(), static_cast<qsizetype>(piece.size()))
                            .toStdU16String());
        }
        WaitUntilIdle(*services.pump);
        watch.ThrowIfOverdue();
    }
}

bool IsIdle(const CVoice* voice) {
    return voice == nullptr || !voice->m_pVoice ||
           voice->m_pVoice->SpeakCompleteEvent()->IsSignalled();
}

// As the tutor speaks a line whole; there is no character, so no balloon.
void SpeakLine(const Options& options, const SpeechServices& services, Recording& recording,
               bool withCourse) {
    // The role takes the mouth pictures and the phonetic table from the current directory.
    CRole role(services);
    if (!role.m_pEnglishVoice->m_pToken) {
        throw Failure{"Failed in init TTS!"};
    }
    if (!withCourse) {
        // As without --line: no course, no recorded sounds, whatever folder the tool runs in.
        role.m_pEnglishVoice->m_aPhonetic.clear();
    }
    role.SetRate(options.rate);
    std::string speech = Utf8ToCp936(options.text);
    StripSpeakerPrefix(speech);
    CleanSentence(speech);
    if (!PrepareSpokenLine(speech)) {
        throw Failure{"the line is not spoken"};
    }
    const PlaybackWatch watch(recording, [&role] { role.Stop(); });
    role.SpeakRuns(std::move(speech));
    // A Chinese run starts without waiting, so the English voice may still be speaking too.
    while (!IsIdle(role.m_pEnglishVoice.get()) || !IsIdle(role.m_pChineseVoice.get())) {
        services.pump->PumpOne();
    }
    watch.ThrowIfOverdue();
}

// Output paths are taken where the tool was started, not in the course folder it enters.
std::string Absolute(const std::string& path) {
    return path.empty() ? path : std::filesystem::absolute(path).string();
}

int Say(Options options) {
    options.output = Absolute(options.output);
    options.events = Absolute(options.events);
    options.speechLog = Absolute(options.speechLog);
    Recording recording;
    std::unique_ptr<SpeechLog> log;
    SpeechEngineOptions engineOptions;
    engineOptions.audio = options.output.empty() ? AudioMode::kDevice : AudioMode::kFast;
    engineOptions.observers.push_back(&recording);
    if (!options.speechLog.empty()) {
        std::error_code error;
        log = SpeechLog::Open(options.speechLog, error);
        if (!log) {
            throw SystemFailure("cannot write the speech log in", options.speechLog, error);
        }
        engineOptions.observers.push_back(log.get());
    }
    const std::unique_ptr<SpeechEngine> engine = MakeSpeechEngine(engineOptions);

    if (options.listVoices) {
        for (const VoiceToken& token : engine->Voices()) {
            std::string attributes;
            for (const VoiceAttribute& attribute : token.attributes) {
                attributes += (attributes.empty() ? "" : ";") + attribute.name +
                              (attribute.value.empty() ? "" : "=" + attribute.value);
            }
            std::printf("%s\t%s\t%s\n", token.name.c_str(), token.engine.c_str(),
                        attributes.c_str());
        }
        return 0;
    }

    const VoiceToken* named = nullptr;
    if (options.voice != "en" && options.voice != "zh") {
        for (const VoiceToken& token : engine->Voices()) {
            if (token.name == options.voice) {
                named = &token;
            }
        }
        if (named == nullptr) {
            throw UsageError{"unknown voice '" + options.voice + "' (see --list-voices)"};
        }
    }

    std::optional<ScopedCurrentDirectory> course;
    if (!options.course.empty()) {
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::canonical(options.course, error);
        if (error || !std::filesystem::is_directory(folder)) {
            throw SystemFailure("cannot open the course", options.course,
                                error ? error : std::make_error_code(std::errc::not_a_directory));
        }
        course.emplace(folder.string());
        if (!course->Changed()) {
            throw SystemFailure("cannot enter the course", options.course,
                                std::make_error_code(std::errc::permission_denied));
        }
        SetCourseFolder(folder.string());
    }

    QtEventPump pump;
    const SpeechServices services{engine.get(), nullptr, &pump};
    if (options.line) {
        SpeakLine(options, services, recording, course.has_value());
    } else {
        SpeakText(options, services, recording, named, course.has_value());
    }

    if (!options.output.empty()) {
        if (const std::error_code error =
                WriteWavFile(options.output, recording.Samples(), recording.Rate())) {
            throw SystemFailure("cannot write", options.output, error);
        }
    }
    if (!options.events.empty()) {
        if (const std::error_code error = ReplaceFile(options.events, recording.EventLines())) {
            throw SystemFailure("cannot write", options.events, error);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s: %s\n%s", kName, error.message.c_str(), kUsage);
        return 2;
    }
    // A line's speaker makes pixmaps (mouth pictures), which need the GUI application; nothing is
    // ever shown, so no display is needed either.
    std::unique_ptr<QCoreApplication> application;
    if (options.line) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QString::fromLatin1(kName));
    try {
        return Say(options);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "%s: %s\n%s", kName, error.message.c_str(), kUsage);
        return 2;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "%s: %s\n", kName, failure.message.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", kName, error.what());
    }
    return 1;
}
