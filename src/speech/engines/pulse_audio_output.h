#pragma once

#include <memory>

#include "speech/engines/audio_output.h"

// Plays through the desktop's sound server, on a thread of its own so that a busy GUI thread
// does not starve it, at `sampleRate` (the server converts). Never fails: without a server, and
// while it is away, it plays into nothing in real time, and each utterance after a quiet spell
// looks for the server again.
std::unique_ptr<AudioOutput> MakePulseOutput(PcmSource& source, int sampleRate);
