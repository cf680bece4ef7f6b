#pragma once

#include <memory>
#include <string>
#include <vector>

#include "speech/speech_engine.h"

class UtteranceObserver;

// Where the voices' audio goes.
enum class AudioMode {
    kDevice,    // the default audio device; without one, into nothing in real time
    kRealTime,  // a null output in real time, device or not
    kFast,      // a null output that takes samples as fast as they come (for recording)
};

struct SpeechEngineOptions {
    AudioMode audio = AudioMode::kDevice;
    // Told about every utterance of every voice; each must outlive the engine.
    std::vector<UtteranceObserver*> observers;
};

// The machine's speech engines behind one registry: flite's English voices first (cmu_us_rms,
// the preferred one, then kal16, awb and the female slt), then espeak-ng's US English and
// Mandarin voices when its data can be found (where ESPEAK_DATA_PATH says, if set).
std::unique_ptr<SpeechEngine> MakeSpeechEngine(const SpeechEngineOptions& options);
