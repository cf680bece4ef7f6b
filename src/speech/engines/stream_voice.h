#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "speech/engines/audio_output.h"
#include "speech/engines/synthesizer.h"
#include "speech/engines/utterance_observer.h"
#include "speech/speech_engine.h"

// What the voices of one registry share; it outlives them.
class VoiceHost {
  public:
    virtual ~VoiceHost() = default;
    // The synthesizer of a token's engine; null for an unknown engine.
    virtual Synthesizer* SynthesizerFor(const VoiceToken& token) = 0;
    // A new output for one voice, at `preferredRate` where the output can choose.
    virtual std::unique_ptr<AudioOutput> MakeOutput(PcmSource& source, int preferredRate) = 0;
    // May be null.
    virtual UtteranceObserver* Observer() = 0;
    // 1, 2, ... over all voices.
    virtual std::uint64_t NextSerial() = 0;
};

class SynthesisThread;
class VoiceCore;

// A voice of the real engines: synthesis on the engine's thread, streamed into a queue of
// utterances that the voice's own output plays; events are released as playback reaches them.
class StreamVoice final : public EngineVoice {
  public:
    StreamVoice(VoiceHost& host, const VoiceToken& token);
    ~StreamVoice() override;

    bool SetVoice(const VoiceToken& token) override;
    const VoiceToken& Voice() const override { return token_; }
    void SetNotify(std::function<void()> notify) override;
    bool Speak(const std::string& text) override;
    bool SpeakFile(UniqueFd file, const std::string& name, std::string& reason) override;
    void Purge() override;
    void SetRate(int rate) override;
    int Rate() const override { return rate_; }
    bool GetEvent(SpeechEvent& event) override;
    std::shared_ptr<Waitable> SpeakCompleteEvent() const override;

  private:
    // The output exists from the first utterance on, at the rate of the voice chosen by then.
    void EnsureOutput();

    VoiceHost& host_;
    VoiceToken token_;
    Synthesizer* synthesizer_;
    int rate_ = 0;
    // Signalled while idle; exists before the core, so that a voice that never spoke is idle.
    std::shared_ptr<Waitable> done_ = std::make_shared<Waitable>(true);
    std::shared_ptr<VoiceCore> core_;
    std::unique_ptr<AudioOutput> output_;
    // Decodes sound files, from the first one on. Destroyed first, once the voice has purged all,
    // so that a decoding still under way ends at its next block.
    std::unique_ptr<SynthesisThread> decoder_;
};
