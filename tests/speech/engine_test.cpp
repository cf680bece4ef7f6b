// The real engines (flite, espeak-ng) playing into null outputs: what is heard, when, and how
// it stops.

#include <gtest/gtest.h>
#include <sndfile.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "speech/engines/audio_output.h"
#include "speech/engines/speech_registry.h"
#include "speech/engines/stream_voice.h"
#include "speech/engines/utterance_observer.h"
#include "support/media_headers.h"
#include "support/scratch_directory.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// What the outputs were handed, per utterance.
class Recorder final : public UtteranceObserver {
  public:
    struct Heard {
        std::string voice;
        int sampleRate = 0;
        std::size_t samples = 0;
        Clock::time_point start{};
        Clock::time_point end{};
        bool purged = false;
        bool finished = false;
    };

    void OnQueued(const UtteranceInfo& info) override {
        std::lock_guard lock(mutex_);
        heard_[info.serial].voice = info.voice;
        heard_[info.serial].sampleRate = info.sampleRate;
    }
    void OnFirstSample(std::uint64_t serial, Clock::time_point when) override {
        std::lock_guard lock(mutex_);
        heard_[serial].start = when;
    }
    void OnSamples(std::uint64_t serial, const std::int16_t*, std::size_t count) override {
        std::lock_guard lock(mutex_);
        heard_[serial].samples += count;
    }
    void OnEvent(std::uint64_t, const SpeechEvent&) override {}
    void OnFinished(std::uint64_t serial, Clock::time_point when, bool purged) override {
        std::lock_guard lock(mutex_);
        heard_[serial].end = when;
        heard_[serial].purged = purged;
        heard_[serial].finished = true;
    }

    Heard Last() {
        std::lock_guard lock(mutex_);
        return heard_.empty() ? Heard{} : heard_.rbegin()->second;
    }
    Heard Get(std::uint64_t serial) {
        std::lock_guard lock(mutex_);
        return heard_[serial];
    }

  private:
    std::mutex mutex_;
    std::map<std::uint64_t, Heard> heard_;
};

class RealEngines : public ::testing::Test {
  protected:
    void Start(AudioMode mode) {
        engine_.reset();
        recorder_ = std::make_unique<Recorder>();
        SpeechEngineOptions options;
        options.audio = mode;
        options.observers = {recorder_.get()};
        engine_ = MakeSpeechEngine(options);
    }

    // A voice of the registry by token name.
    std::unique_ptr<EngineVoice> Voice(const std::string& name) {
        std::unique_ptr<EngineVoice> voice = engine_->CreateVoice();
        for (const VoiceToken& token : engine_->Voices()) {
            if (token.name == name) {
                EXPECT_TRUE(voice->SetVoice(token));
                return voice;
            }
        }
        ADD_FAILURE() << "no voice " << name;
        return voice;
    }

    static bool WaitIdle(EngineVoice& voice, milliseconds limit = milliseconds(20000)) {
        return WaitFor(voice.SpeakCompleteEvent(), static_cast<int>(limit.count())) ==
               WaitResult::kSignalled;
    }

    static std::vector<SpeechEvent> Events(EngineVoice& voice) {
        std::vector<SpeechEvent> events;
        SpeechEvent event;
        while (voice.GetEvent(event)) {
            events.push_back(event);
        }
        return events;
    }

    // Seconds of audio the voice hands out for `text` at `rate`.
    double Duration(EngineVoice& voice, const std::string& text, int rate) {
        voice.SetRate(rate);
        EXPECT_TRUE(voice.Speak(text));
        EXPECT_TRUE(WaitIdle(voice));
        const Recorder::Heard heard = recorder_->Last();
        return static_cast<double>(heard.samples) / heard.sampleRate;
    }

    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<SpeechEngine> engine_;
};

TEST_F(RealEngines, RegistryRanksTheMaleVoicesOfEachLanguage) {
    Start(AudioMode::kFast);
    const std::vector<VoiceToken>& voices = engine_->Voices();
    const VoiceToken* english =
        FindBestToken(voices, kEnglishVoiceAttributes, kPreferredVoiceAttributes);
    const VoiceToken* chinese =
        FindBestToken(voices, kChineseVoiceAttributes, kPreferredVoiceAttributes);
    ASSERT_NE(english, nullptr);
    ASSERT_NE(chinese, nullptr);
    EXPECT_EQ(english->name, "cmu_us_rms");
    EXPECT_EQ(chinese->name, "espeak_cmn");
    // Without the preference, the other male English voices follow in registry order, and the
    // female one is never among them.
    std::vector<std::string> male;
    for (const VoiceToken& token : voices) {
        if (MatchesAttributes(token, kEnglishVoiceAttributes)) {
            male.push_back(token.name);
        }
    }
    EXPECT_EQ(male, (std::vector<std::string>{"cmu_us_rms", "cmu_us_kal16", "cmu_us_awb",
                                              "espeak_en_us"}));
}

// Each event must come when playback reaches its place in the audio, words and mouth shapes in
// the order they are spoken, and the end last.
TEST_F(RealEngines, EventsArriveInOrderWhenTheirAudioPlays) {
    Start(AudioMode::kRealTime);
    for (const auto& [voiceName, text, words] :
         {std::tuple<std::string, std::string, int>{"cmu_us_rms",
                                                    "Good morning. How are you today?", 6},
          // espeak-ng counts each Chinese character as a word.
          {"espeak_cmn", "你好，莉莉！我很好。", 7}}) {
        SCOPED_TRACE(voiceName);
        std::unique_ptr<EngineVoice> voice = Voice(voiceName);
        ASSERT_TRUE(voice->Speak(text));
        ASSERT_TRUE(WaitIdle(*voice));
        const Recorder::Heard heard = recorder_->Last();
        const std::vector<SpeechEvent> events = Events(*voice);
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back().kind, SpeechEventKind::kEndInputStream);
        int wordCount = 0;
        int visemes = 0;
        for (std::size_t i = 0; i < events.size(); ++i) {
            const SpeechEvent& event = events[i];
            if (i > 0) {
                EXPECT_GE(event.audioMs, events[i - 1].audioMs);
                EXPECT_GE(event.released, events[i - 1].released);
            }
            const double late =
                std::chrono::duration<double, std::milli>(event.released - heard.start).count() -
                event.audioMs;
            EXPECT_LE(std::abs(late), 30.0) << "event " << i << " at " << event.audioMs << " ms";
            if (event.kind == SpeechEventKind::kWordBoundary) {
                ++wordCount;
                EXPECT_GE(event.textPosition, 0);
                EXPECT_LE(event.textPosition + event.textLength, static_cast<int>(text.size()));
            } else if (event.kind == SpeechEventKind::kViseme) {
                ++visemes;
                EXPECT_GE(event.viseme, 0);
                EXPECT_LE(event.viseme, 21);
            }
        }
        EXPECT_EQ(wordCount, words);
        EXPECT_GT(visemes, wordCount);
        // The end comes when the last sample has played.
        EXPECT_NEAR(events.back().audioMs, 1000.0 * heard.samples / heard.sampleRate, 1.0);
    }
}

TEST_F(RealEngines, PurgeStopsTheAudioAndDropsEveryEvent) {
    Start(AudioMode::kRealTime);
    std::unique_ptr<EngineVoice> voice = Voice("cmu_us_rms");
    ASSERT_TRUE(
        voice->Speak("This sentence is long enough to be interrupted well before its end, "
                     "since it goes on and on."));
    std::this_thread::sleep_for(milliseconds(400));
    voice->Purge();
    const Clock::time_point purged = Clock::now();
    EXPECT_EQ(WaitFor(voice->SpeakCompleteEvent(), 0), WaitResult::kSignalled);
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_TRUE(Events(*voice).empty());
    const Recorder::Heard heard = recorder_->Last();
    EXPECT_TRUE(heard.purged);
    // What was handed out ends within the output's buffer of the purge.
    const double played = std::chrono::duration<double>(purged - heard.start).count();
    EXPECT_LE(static_cast<double>(heard.samples) / heard.sampleRate,
              played + kOutputBufferMs / 1000.0 + 0.010);

    // The voice speaks again after a purge.
    ASSERT_TRUE(voice->Speak("Hello."));
    ASSERT_TRUE(WaitIdle(*voice));
    EXPECT_FALSE(recorder_->Last().purged);
}

TEST_F(RealEngines, RateScalesTheDurationByPowersOfThree) {
    Start(AudioMode::kFast);
    for (const auto& [voiceName, text] :
         {std::pair<std::string, std::string>{"cmu_us_rms", "Where are you from? I am from China."},
          {"espeak_en_us", "Where are you from? I am from China."},
          {"espeak_cmn", "我是中国人。我是学生。"}}) {
        SCOPED_TRACE(voiceName);
        std::unique_ptr<EngineVoice> voice = Voice(voiceName);
        const double normal = Duration(*voice, text, 0);
        const double fast = Duration(*voice, text, 5);
        const double slow = Duration(*voice, text, -5);
        const double factor = std::sqrt(3.0);
        EXPECT_NEAR(normal / fast, factor, 0.15 * factor);
        EXPECT_NEAR(slow / normal, factor, 0.15 * factor);
    }
}

TEST_F(RealEngines, TwoVoicesSpeakAtOnceWithoutCuttingEachOther) {
    Start(AudioMode::kFast);
    const std::string english = "Nice to meet you, too.";
    const std::string chinese = "我也很高兴认识你。";
    std::unique_ptr<EngineVoice> first = Voice("cmu_us_rms");
    std::unique_ptr<EngineVoice> second = Voice("espeak_cmn");
    const double englishAlone = Duration(*first, english, 0);
    const double chineseAlone = Duration(*second, chinese, 0);
    first.reset();
    second.reset();

    Start(AudioMode::kRealTime);
    first = Voice("cmu_us_rms");
    second = Voice("espeak_cmn");
    ASSERT_TRUE(first->Speak(english));
    ASSERT_TRUE(second->Speak(chinese));
    ASSERT_TRUE(WaitIdle(*first));
    ASSERT_TRUE(WaitIdle(*second));
    const Recorder::Heard a = recorder_->Get(1);
    const Recorder::Heard b = recorder_->Get(2);
    EXPECT_FALSE(a.purged);
    EXPECT_FALSE(b.purged);
    // All of each sentence is heard (espeak-ng's output varies by a few milliseconds from one
    // call to the next).
    EXPECT_NEAR(static_cast<double>(a.samples) / a.sampleRate, englishAlone, 0.05);
    EXPECT_NEAR(static_cast<double>(b.samples) / b.sampleRate, chineseAlone, 0.05);
    // Both played at the same time.
    EXPECT_LT(a.start, b.end);
    EXPECT_LT(b.start, a.end);
}

void WriteTone(const std::string& path, int format, int rate, int channels, double seconds) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::vector<float> samples(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 440.0 * (i / channels) / rate));
    }
    sf_writef_float(file, samples.data(), static_cast<sf_count_t>(frames));
    sf_close(file);
}

TEST_F(RealEngines, SoundFilesPlayAtTheVoiceRateWhateverTheirFormat) {
    Start(AudioMode::kFast);
    ScratchDirectory folder("sound-files");
    WriteTone(folder.Path("a.wav").string(), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2, 1.0);
    WriteTone(folder.Path("a.flac").string(), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, 1.0);
    WriteTone(folder.Path("a.ogg").string(), SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 1, 1.0);
    folder.Write("not-a-sound.wav", "RIFF, but nothing of a sound");
    std::unique_ptr<EngineVoice> voice = Voice("cmu_us_rms");
    std::string reason;
    for (const char* name : {"a.wav", "a.flac", "a.ogg"}) {
        SCOPED_TRACE(name);
        UniqueFd file;
        ASSERT_FALSE(OpenRegularFile(folder.Path(name).string(), file));
        ASSERT_TRUE(voice->SpeakFile(std::move(file), name, reason));
        ASSERT_TRUE(WaitIdle(*voice));
        const Recorder::Heard heard = recorder_->Last();
        EXPECT_EQ(heard.sampleRate, 16000);
        EXPECT_NEAR(static_cast<double>(heard.samples) / heard.sampleRate, 1.0, 0.01);
    }
    UniqueFd broken;
    ASSERT_FALSE(OpenRegularFile(folder.Path("not-a-sound.wav").string(), broken));
    EXPECT_FALSE(voice->SpeakFile(std::move(broken), "not-a-sound.wav", reason));
    EXPECT_FALSE(voice->SpeakFile(UniqueFd(), "missing.wav", reason));
    EXPECT_EQ(WaitFor(voice->SpeakCompleteEvent(), 0), WaitResult::kSignalled);
}

// Within ten minutes, yet billions of samples to decode: at 10 MHz, or in 64 channels. The header
// tells, and the sound is refused before any of it is read.
TEST_F(RealEngines, ASoundThatWouldDecodeToTooManySamplesIsRefusedByItsHeader) {
    Start(AudioMode::kFast);
    ScratchDirectory folder("huge-sounds");
    const std::uint32_t fast = 0xFFFFFFD0;  // 214 s at 10 MHz
    const std::uint32_t wide = 599u * 44100 * 64 * 2;
    WriteSparseFile(folder.Path("fast.wav"), WavHeader(10000000, 1, fast), 44 + fast);
    WriteSparseFile(folder.Path("wide.wav"), WavHeader(44100, 64, wide), 44 + wide);
    std::unique_ptr<EngineVoice> voice = Voice("cmu_us_rms");
    for (const char* name : {"fast.wav", "wide.wav"}) {
        SCOPED_TRACE(name);
        UniqueFd file;
        ASSERT_FALSE(OpenRegularFile(folder.Path(name).string(), file));
        std::string reason;
        EXPECT_FALSE(voice->SpeakFile(std::move(file), name, reason));
        EXPECT_NE(reason.find("MiB"), std::string::npos) << reason;
        EXPECT_EQ(WaitFor(voice->SpeakCompleteEvent(), 0), WaitResult::kSignalled);
    }
}

// The caller of SpeakFile is the GUI thread: it must not wait for the samples. Here they come
// through a pipe, written only once SpeakFile has returned; should SpeakFile read them itself,
// it waits until the pipe is closed unwritten after 10 s.
TEST_F(RealEngines, ASoundIsDecodedAfterSpeakFileHasReturned) {
    Start(AudioMode::kFast);
    std::unique_ptr<EngineVoice> voice = Voice("cmu_us_rms");
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    UniqueFd reading(ends[0]);
    UniqueFd writing(ends[1]);
    constexpr std::uint32_t kRate = 8000;
    const std::string header = WavHeader(kRate, 1, kRate * 2);  // one second
    ASSERT_EQ(write(writing.Get(), header.data(), header.size()),
              static_cast<ssize_t>(header.size()));

    std::mutex mutex;
    std::condition_variable changed;
    bool returned = false;
    bool closedUnwritten = false;
    std::thread closer([&] {
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, std::chrono::seconds(10), [&] { return returned; })) {
            closedUnwritten = true;
            writing = UniqueFd();
        }
    });
    std::string reason;
    const bool queued = voice->SpeakFile(std::move(reading), "piped.wav", reason);
    {
        std::lock_guard lock(mutex);
        returned = true;
    }
    changed.notify_all();
    closer.join();
    ASSERT_TRUE(queued) << reason;
    ASSERT_FALSE(closedUnwritten);

    const std::string samples(kRate * 2, '\0');
    ASSERT_EQ(write(writing.Get(), samples.data(), samples.size()),
              static_cast<ssize_t>(samples.size()));
    writing = UniqueFd();
    ASSERT_TRUE(WaitIdle(*voice));
    const Recorder::Heard heard = recorder_->Last();
    EXPECT_NEAR(static_cast<double>(heard.samples) / heard.sampleRate, 1.0, 0.01);
}

// The desktop's sound server, when the test runs under one (the sound_server_outputs test starts
// a private one), else none at all, never the speakers of whoever runs the suite: either way the
// voice takes as long as its speech, its events come in order with the end last, and a purge
// ends it at once.
TEST_F(RealEngines, TheSoundServerOutputKeepsThePaceOfSpeechWithOrWithoutAServer) {
    setenv("PULSE_SERVER", "unix:/nonexistent/quorvan-no-server", 0);
    Start(AudioMode::kDevice);
    std::unique_ptr<EngineVoice> voice = Voice("cmu_us_rms");
    ASSERT_TRUE(voice->Speak("Good morning. How are you today?"));
    ASSERT_TRUE(WaitIdle(*voice));
    const Recorder::Heard heard = recorder_->Last();
    const double spoken = static_cast<double>(heard.samples) / heard.sampleRate;
    EXPECT_NEAR(std::chrono::duration<double>(heard.end - heard.start).count(), spoken, 0.15);
    const std::vector<SpeechEvent> events = Events(*voice);
    ASSERT_GT(events.size(), 2U);
    EXPECT_EQ(events.back().kind, SpeechEventKind::kEndInputStream);

    ASSERT_TRUE(
        voice->Speak("This sentence is long enough to be interrupted well before its end."));
    std::this_thread::sleep_for(milliseconds(300));
    voice->Purge();
    EXPECT_EQ(WaitFor(voice->SpeakCompleteEvent(), 0), WaitResult::kSignalled);
    ASSERT_TRUE(voice->Speak("Hello."));
    ASSERT_TRUE(WaitIdle(*voice));
    EXPECT_FALSE(recorder_->Last().purged);
}

// A synthesizer whose events may lie past the end of its audio, as espeak-ng's closing pause
// does at high speed.
class OverrunningSynthesizer final : public Synthesizer {
  public:
    std::vector<VoiceToken> Voices() const override { return {}; }
    int SampleRate(const VoiceToken&) const override { return 16000; }
    void Synthesize(const VoiceToken&, std::string, int, std::shared_ptr<SynthesisTarget> target,
                    std::uint64_t utterance) override {
        const std::vector<std::int16_t> samples(1600);
        SynthesisEvent late;
        late.sample = 2000;
        target->Append(utterance, samples.data(), samples.size(), 16000, {late});
        target->Finish(utterance);
    }
};

class FastHost final : public VoiceHost {
  public:
    Synthesizer* SynthesizerFor(const VoiceToken&) override { return &synthesizer_; }
    std::unique_ptr<AudioOutput> MakeOutput(PcmSource& source, int rate) override {
        return MakeFastNullOutput(source, rate);
    }
    UtteranceObserver* Observer() override { return nullptr; }
    std::uint64_t NextSerial() override { return ++serial_; }

  private:
    OverrunningSynthesizer synthesizer_;
    std::uint64_t serial_ = 0;
};

TEST(StreamVoice, AnEventPastTheLastSampleComesWithTheEnd) {
    FastHost host;
    StreamVoice voice(host, VoiceToken{"overrun", "test", "overrun", {}});
    ASSERT_TRUE(voice.Speak("Hi"));
    ASSERT_EQ(WaitFor(voice.SpeakCompleteEvent(), 5000), WaitResult::kSignalled);
    SpeechEvent first;
    SpeechEvent second;
    ASSERT_TRUE(voice.GetEvent(first));
    ASSERT_TRUE(voice.GetEvent(second));
    EXPECT_EQ(first.kind, SpeechEventKind::kViseme);
    EXPECT_EQ(second.kind, SpeechEventKind::kEndInputStream);
}

}  // namespace
