#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "speech/engines/synthesizer.h"

// A synthesizer's work on one text, its audio counted and dropped: for the tests, the fuzz
// target and the benchmarks that drive the real engines without a voice.
struct Synthesized {
    std::size_t samples = 0;
    double firstSeconds = -1;         // from the request to the first sample; -1 without any
    double totalSeconds = 0;          // from the request to the end of the synthesis
    std::vector<std::int16_t> audio;  // kept only when asked for
    int sampleRate = 0;
};

// Has `synthesizer` make `text` in the voice named `voice` (one of its Voices()) at `rate` (-10 to
// 10) and waits for the end; with `keepAudio`, the samples are kept too. Throws
// std::invalid_argument for a voice it does not have.
Synthesized SynthesizeText(Synthesizer& synthesizer, std::string_view voice,
                           const std::string& text, int rate = 0, bool keepAudio = false);
