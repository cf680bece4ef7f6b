#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "speech/speech_engine.h"

// Watches every utterance of every voice of an engine registry: the speech log, the say tool's
// recorder and the benchmarks. Calls come from the GUI thread (queued, purged) and from the
// voices' output threads (samples, events, end), several voices at once; each utterance's calls
// arrive in order and end with exactly one OnFinished.
struct UtteranceInfo {
    std::uint64_t serial = 0;  // 1, 2, ... in the order the speak calls were made, over all voices
    std::string voice;         // the token name
    std::string text;          // UTF-8; empty for a sound file
    std::string file;          // the sound file's name; empty for text
    int sampleRate = 0;        // of the samples handed out
    std::chrono::steady_clock::time_point requested;  // when the speak call was made
};

class UtteranceObserver {
  public:
    virtual ~UtteranceObserver() = default;

    virtual void OnQueued(const UtteranceInfo& info) = 0;
    // The first sample of the utterance is handed to the output.
    virtual void OnFirstSample(std::uint64_t serial,
                               std::chrono::steady_clock::time_point when) = 0;
    // Samples handed to the output, in order.
    virtual void OnSamples(std::uint64_t serial, const std::int16_t* samples,
                           std::size_t count) = 0;
    // An event released to the voice's queue as playback reached it.
    virtual void OnEvent(std::uint64_t serial, const SpeechEvent& event) = 0;
    // Playback has ended, or the utterance was purged.
    virtual void OnFinished(std::uint64_t serial, std::chrono::steady_clock::time_point when,
                            bool purged) = 0;
};
