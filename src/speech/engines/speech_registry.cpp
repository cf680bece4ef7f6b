#include "speech/engines/speech_registry.h"

#include <atomic>

#include "speech/engines/espeak_synthesizer.h"
#include "speech/engines/flite_synthesizer.h"
#include "speech/engines/pulse_audio_output.h"
#include "speech/engines/stream_voice.h"
#include "speech/engines/utterance_observer.h"

namespace {

// Hands every call on to each observer.
class Observers final : public UtteranceObserver {
  public:
    explicit Observers(std::vector<UtteranceObserver*> observers)
        : observers_(std::move(observers)) {}

    bool Empty() const { return observers_.empty(); }

    void OnQueued(const UtteranceInfo& info) override {
        for (UtteranceObserver* observer : observers_) {
            observer->OnQueued(info);
        }
    }
    void OnFirstSample(std::uint64_t serial, std::chrono::steady_clock::time_point when) override {
        for (UtteranceObserver* observer : observers_) {
            observer->OnFirstSample(serial, when);
        }
    }
    void OnSamples(std::uint64_t serial, const std::int16_t* samples, std::size_t count) override {
        for (UtteranceObserver* observer : observers_) {
            observer->OnSamples(serial, samples, count);
        }
    }
    void OnEvent(std::uint64_t serial, const SpeechEvent& event) override {
        for (UtteranceObserver* observer : observers_) {
            observer->OnEvent(serial, event);
        }
    }
    void OnFinished(std::uint64_t serial, std::chrono::steady_clock::time_point when,
                    bool purged) override {
        for (UtteranceObserver* observer : observers_) {
            observer->OnFinished(serial, when, purged);
        }
    }

  private:
    std::vector<UtteranceObserver*> observers_;
};

class Registry final : public SpeechEngine, public VoiceHost {
  public:
    explicit Registry(const SpeechEngineOptions& options)
        : audio_(options.audio), observers_(options.observers) {
        for (Synthesizer* synthesizer :
             {static_cast<Synthesizer*>(&flite_), static_cast<Synthesizer*>(&espeak_)}) {
            for (VoiceToken& token : synthesizer->Voices()) {
                voices_.push_back(std::move(token));
            }
        }
    }

    const std::vector<VoiceToken>& Voices() const override { return voices_; }

    std::unique_ptr<EngineVoice> CreateVoice() override {
        if (voices_.empty()) {
            return nullptr;
        }
        return std::make_unique<StreamVoice>(*this, voices_.front());
    }

    Synthesizer* SynthesizerFor(const VoiceToken& token) override {
        if (token.engine == "flite") {
            return &flite_;
        }
        if (token.engine == "espeak-ng" && !espeak_.Voices().empty()) {
            return &espeak_;
        }
        return nullptr;
    }

    std::unique_ptr<AudioOutput> MakeOutput(PcmSource& source, int preferredRate) override {
        switch (audio_) {
            case AudioMode::kFast:
                return MakeFastNullOutput(source, preferredRate);
            case AudioMode::kDevice:
                return MakePulseOutput(source, preferredRate);
            case AudioMode::kRealTime:
                break;
        }
        return MakeRealTimeNullOutput(source, preferredRate);
    }

    UtteranceObserver* Observer() override { return observers_.Empty() ? nullptr : &observers_; }

    std::uint64_t NextSerial() override { return ++serial_; }

  private:
    const AudioMode audio_;
    Observers observers_;
    FliteSynthesizer flite_;
    EspeakSynthesizer espeak_;
    std::vector<VoiceToken> voices_;
    std::atomic<std::uint64_t> serial_{0};
};

}  // namespace

std::unique_ptr<SpeechEngine> MakeSpeechEngine(const SpeechEngineOptions& options) {
    return std::make_unique<Registry>(options);
}
