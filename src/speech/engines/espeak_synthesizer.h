#pragma once

#include <string>

#include "speech/engines/synthesizer.h"

// espeak-ng's male Mandarin voice and its US English voice. The library is one instance per
// process and not re-entrant: every synthesizer shares one thread, and one whose data path
// differs from the last one's initialises the library anew.
class EspeakSynthesizer final : public Synthesizer {
  public:
    // `dataPath`: the directory that holds "espeak-ng-data"; empty for the library's own choice
    // (which honours ESPEAK_DATA_PATH). Without usable data the synthesizer offers no voices.
    explicit EspeakSynthesizer(const std::string& dataPath);

    std::vector<VoiceToken> Voices() const override { return voices_; }
    int SampleRate(const VoiceToken& voice) const override;
    void Synthesize(const VoiceToken& voice, std::string text, int rate,
                    std::shared_ptr<SynthesisTarget> target, std::uint64_t utterance) override;

  private:
    int sampleRate_ = 0;
    std::vector<VoiceToken> voices_;
};
