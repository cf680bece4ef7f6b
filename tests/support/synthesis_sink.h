#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "speech/engines/synthesizer.h"

// A synthesizer's work on one text, its audio counted and dropped: for the tests, the fuzz
// target and the benchmarks that drive the real engines without a voice.
struct Synthesized {
    std::size_t samples = 0;
    double firstSeconds = -1;  // from the request to the first sample; -1 without any
    double totalSeconds = 0;   // from the request to the end of the synthesis
};

// Has `synthesizer` make `text` in the voice named `voice` (one of its Voices()) and waits for
// the end. Throws std::invalid_argument for a voice it does not have.
Synthesized SynthesizeText(Synthesizer& synthesizer, std::string_view voice,
                           const std::string& text);
