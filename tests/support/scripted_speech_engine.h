#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "speech/speech_engine.h"
#include "support/virtual_clock.h"

// How long a scripted utterance lasts on a virtual clock, by its text (or a sound's file name).
using ScriptedDuration = std::function<std::int64_t(const std::string&)>;

// One utterance on a virtual clock: when it started to play and when it ended (cut short by a
// purge or not).
struct ScriptedUtterance {
    std::string text;
    std::int64_t start = 0;
    std::int64_t end = 0;
    bool purged = false;
};

// A speech engine whose voices say nothing: they record what they are asked, and either the test
// decides which events come and when an utterance ends, or, on a virtual clock, each utterance
// plays for a scripted time after the one before it. For deterministic tests of everything that
// speaks.
class ScriptedVoice final : public EngineVoice {
  public:
    explicit ScriptedVoice(const VoiceToken& token) : token_(token) {}
    ~ScriptedVoice() override;

    bool SetVoice(const VoiceToken& token) override;
    const VoiceToken& Voice() const override { return token_; }
    void SetNotify(std::function<void()> notify) override { notify_ = std::move(notify); }
    bool Speak(const std::string& text) override;
    bool SpeakFile(UniqueFd file, const std::string& name, std::string& reason) override;
    void Purge() override;
    void SetRate(int rate) override { rate_ = rate; }
    int Rate() const override { return rate_; }
    bool GetEvent(SpeechEvent& event) override;
    std::shared_ptr<Waitable> SpeakCompleteEvent() const override { return done_; }

    // Releases an event to the queue and notifies, as playback reaching it would.
    void Emit(const SpeechEvent& event);
    void EmitViseme(int shape);
    void EmitWord();
    // Ends what is queued: the end of stream, then idle.
    void Finish();
    // From now on every utterance plays on `clock` for `duration` after the one queued before it,
    // and ends by itself.
    void PlayOn(VirtualClock& clock, ScriptedDuration duration);

    // What the voice was asked, in order: texts as given, files by name.
    std::vector<std::string> spoken;
    std::vector<std::string> files;
    int purges = 0;
    int setVoices = 0;
    // Sound files end as soon as they are queued, unless a test ends them itself or the voice
    // plays on a clock.
    bool finishFilesAtOnce = true;
    // On a clock: every utterance, oldest first.
    std::vector<ScriptedUtterance> timeline;

  private:
    // On a clock: queues an utterance and schedules its end.
    void Play(const std::string& text);
    // On a clock: the oldest utterance still playing has played to its end.
    void EndOfOldest();

    VirtualClock* clock_ = nullptr;
    ScriptedDuration duration_;
    // On a clock: the scheduled ends of the utterances still to play.
    std::vector<VirtualClock::Token> pendingEnds_;
    VoiceToken token_;
    std::function<void()> notify_;
    std::vector<SpeechEvent> events_;
    int rate_ = 0;
    std::shared_ptr<Waitable> done_ = std::make_shared<Waitable>(true);
};

class ScriptedSpeechEngine final : public SpeechEngine {
  public:
    // A male English voice (preferred), a second male English one, a female English one, and
    // a male Chinese one.
    ScriptedSpeechEngine();
    explicit ScriptedSpeechEngine(std::vector<VoiceToken> voices) : voices_(std::move(voices)) {}

    const std::vector<VoiceToken>& Voices() const override { return voices_; }
    std::unique_ptr<EngineVoice> CreateVoice() override;

    // Every voice made so far, oldest first; valid while the voice lives.
    std::vector<ScriptedVoice*> created;

    // Voices made from now on play on `clock` (see ScriptedVoice::PlayOn).
    void PlayOn(VirtualClock& clock, ScriptedDuration duration);

  private:
    std::vector<VoiceToken> voices_;
    VirtualClock* clock_ = nullptr;
    ScriptedDuration duration_;
};
