// The real synthesizers (flite, espeak-ng) on the texts that broke them, made speakable as every
// voice makes its text. Run under the sanitizers too, where a write past an engine's buffer
// fails the test at once.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "speech/engines/espeak_synthesizer.h"
#include "speech/engines/flite_synthesizer.h"
#include "speech/speakable_text.h"
#include "support/synthesis_sink.h"

namespace {

std::string Repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

TEST(SynthesizersOnHostileText, SpeakEveryUtteranceMadeOfIt) {
    // flite overflows a buffer on "]" or "." 307 times at a token's end; espeak-ng on 68 "'s"
    // endings on one word, and reads freed memory after U+0BFE.
    const std::vector<std::string> texts{
        "Hello " + Repeated("[]", 800),
        "Hello " + Repeated("[", 50000) + Repeated("]", 50000) + " Tom",
        "Hello " + Repeated(".", 400) + " and " + Repeated(")", 400),
        Repeated("s'", 220),
        "cat" + Repeated("'s", 100),
        Repeated("7", 1000),
        "Hello \xE0\xAF\xBE Tom",
    };
    FliteSynthesizer flite;
    EspeakSynthesizer espeak;
    for (const std::string& text : texts) {
        SCOPED_TRACE(text.substr(0, 40));
        const std::vector<std::string> utterances = SplitUtterances(SpeakableText(text));
        ASSERT_FALSE(utterances.empty());
        for (const std::string& utterance : utterances) {
            EXPECT_GT(SynthesizeText(flite, "cmu_us_rms", utterance).samples, 0u) << utterance;
            EXPECT_GT(SynthesizeText(espeak, "espeak_cmn", utterance).samples, 0u) << utterance;
            EXPECT_GT(SynthesizeText(espeak, "espeak_en_us", utterance).samples, 0u) << utterance;
        }
    }
}

}  // namespace
