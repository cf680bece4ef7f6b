#pragma once

#include <map>
#include <string>

#include "speech/engines/synthesis_thread.h"
#include "speech/engines/synthesizer.h"

struct cst_voice_struct;

// flite's US English voices. cmu_us_rms is the natural male voice of choice; kal16 and awb
// (a Scottish voice that reads US English) are male fall-backs; slt is female.
class FliteSynthesizer final : public Synthesizer {
  public:
    FliteSynthesizer();
    ~FliteSynthesizer() override;

    std::vector<VoiceToken> Voices() const override;
    int SampleRate(const VoiceToken& voice) const override;
    void Synthesize(const VoiceToken& voice, std::string text, int rate,
                    std::shared_ptr<SynthesisTarget> target, std::uint64_t utterance) override;

  private:
    // On the thread: the voice, registered at its first use.
    cst_voice_struct* Load(const std::string& id);
    void Run(const std::string& voice, const std::string& text, int rate,
             const std::shared_ptr<SynthesisTarget>& target, std::uint64_t utterance);

    std::map<std::string, cst_voice_struct*> loaded_;  // thread only
    SynthesisThread thread_;
};
