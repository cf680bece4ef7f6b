#pragma once

#include <memory>
#include <string>
#include <vector>

#include "speech/speech_engine.h"

// A speech engine whose voices say nothing and take no time: they record what they are asked,
// and the test decides which events come and when an utterance ends. For deterministic tests of
// everything that speaks.
class ScriptedVoice final : public EngineVoice {
  public:
    explicit ScriptedVoice(const VoiceToken& token) : token_(token) {}
    ~ScriptedVoice() override;

    bool SetVoice(const VoiceToken& token) override;
    const VoiceToken& Voice() const override { return token_; }
    void SetNotify(std::function<void()> notify) override { notify_ = std::move(notify); }
    bool Speak(const std::string& text) override;
    bool SpeakFile(UniqueFd file, const std::string& name) override;
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

    // What the voice was asked, in order: texts as given, files by name.
    std::vector<std::string> spoken;
    std::vector<std::string> files;
    int purges = 0;
    int setVoices = 0;
    // Sound files end as soon as they are queued, unless a test ends them itself.
    bool finishFilesAtOnce = true;

  private:
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

  private:
    std::vector<VoiceToken> voices_;
};
