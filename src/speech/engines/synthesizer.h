#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "speech/speech_engine.h"

// The inside of the engines: a synthesizer turns text into samples and timed events on its own
// thread and hands them to the voice that asked, piece by piece, so that playback can begin
// before the whole utterance exists.

struct SynthesisEvent {
    SpeechEventKind kind = SpeechEventKind::kViseme;
    int viseme = 0;
    int textPosition = 0;
    int textLength = 0;
    std::int64_t sample = 0;  // from the start of the utterance, at the synthesizer's rate
};

// The voice side of a synthesis. Thread-safe.
class SynthesisTarget {
  public:
    virtual ~SynthesisTarget() = default;
    // False once the utterance has been purged: the synthesis then stops.
    virtual bool Wanted(std::uint64_t utterance) const = 0;
    // More audio of the utterance at `sampleRate`, with the events found so far (any order of
    // events and audio; an event may precede its audio). False once the utterance is purged.
    virtual bool Append(std::uint64_t utterance, const std::int16_t* samples, std::size_t count,
                        int sampleRate, std::vector<SynthesisEvent> events) = 0;
    // The utterance is complete, also after a failure.
    virtual void Finish(std::uint64_t utterance) = 0;
};

class Synthesizer {
  public:
    virtual ~Synthesizer() = default;
    // The voices it offers, with their attributes.
    virtual std::vector<VoiceToken> Voices() const = 0;
    // The rate its audio comes at for a voice.
    virtual int SampleRate(const VoiceToken& voice) const = 0;
    // Queues a synthesis on the synthesizer's thread; returns at once.
    virtual void Synthesize(const VoiceToken& voice, std::string text, int rate,
                            std::shared_ptr<SynthesisTarget> target, std::uint64_t utterance) = 0;
};
