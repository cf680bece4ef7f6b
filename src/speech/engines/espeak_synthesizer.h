#pragma once

#include <string>

#include "speech/engines/synthesizer.h"

// espeak-ng's male Mandarin voice and its US English voice. The library is one instance per
// process and not re-entrant: every synthesizer shares one thread, and the library is set up
// once, at the first synthesizer, from its usual data (ESPEAK_DATA_PATH where set). Without
// usable data the synthesizer offers no voices.
class EspeakSynthesizer final : public Synthesizer {
  public:
    EspeakSynthesizer();

    std::vector<VoiceToken> Voices() const override { return voices_; }
    int SampleRate(const VoiceToken& voice) const override;
    void Synthesize(const VoiceToken& voice, std::string text, int rate,
                    std::shared_ptr<SynthesisTarget> target, std::uint64_t utterance) override;

  private:
    int sampleRate_ = 0;
    std::vector<VoiceToken> voices_;
};
