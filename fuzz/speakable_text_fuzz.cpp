// Arbitrary bytes as a text on its way to a voice: made speakable and cut into utterances, which
// must keep the bounds the engines are safe within, then spoken by the real engine in process
// (flite's cmu_us_rms, or espeak-ng's Mandarin and English voices with QUORVAN_FUZZ_ESPEAK), the
// audio dropped. A fault inside an engine shows under the sanitizers like one of our own.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "speech/engines/espeak_synthesizer.h"
#include "speech/engines/flite_synthesizer.h"
#include "speech/speakable_text.h"
#include "support/synthesis_sink.h"

namespace {

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void CheckTokens(std::string_view text) {
    std::size_t token = 0;
    for (const char c : text) {
        token = c == ' ' ? 0 : token + 1;
        Check(token <= kMaxTokenBytes);
    }
}

// The engine lives as long as the process: destroyed at exit, it would outlive the tables its
// thread still reads.
void Speak(const std::string& utterance) {
#ifdef QUORVAN_FUZZ_ESPEAK
    static auto* engine = new EspeakSynthesizer;
    for (const char* voice : {"espeak_cmn", "espeak_en_us"}) {
        SynthesizeText(*engine, voice, utterance);
    }
#else
    static auto* engine = new FliteSynthesizer;
    SynthesizeText(*engine, "cmu_us_rms", utterance);
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string speakable =
        SpeakableText(std::string_view(reinterpret_cast<const char*>(data), size));
    Check(SpeakableText(speakable) == speakable);
    CheckTokens(speakable);
    if (speakable.size() > kMaxSpokenBytes) {
        return 0;  // a voice refuses it
    }
    for (const std::string& utterance : SplitUtterances(speakable)) {
        Check(!utterance.empty() && utterance.size() <= kMaxUtteranceBytes);
        Check(speakable.find(utterance) != std::string::npos);
        Speak(utterance);
    }
    return 0;
}
