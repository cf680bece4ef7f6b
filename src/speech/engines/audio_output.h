#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Audio out: an output pulls mono 16-bit samples from its source at its own rate and says how
// far playback has got, so that the source can release its events in time.

class PcmSource {
  public:
    virtual ~PcmSource() = default;
    // Hands out at most `count` samples and returns how many; fewer (or none) when the source has
    // nothing more yet. Every sample handed out counts toward the output's position.
    virtual std::size_t Pull(std::int16_t* out, std::size_t count) = 0;
    // Playback has reached `position` (samples handed out since the output started).
    virtual void Played(std::int64_t position) = 0;
    // Whether there are samples to hand out or events still waiting for playback.
    virtual bool Pending() const = 0;
    // Whether every sample queued so far has been handed out, to the end of its utterance, so
    // that nothing more comes until something new is queued.
    virtual bool HandedOut() const = 0;
};

class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
    virtual int SampleRate() const = 0;
    // The source may have something new. Thread-safe.
    virtual void Wake() = 0;
    // The source stopped: what was handed out and is not yet heard should not be heard, where
    // the output can take it back. Thread-safe; never called with the source's lock held, as the
    // output may wait for its own thread. Playback positions still count what was dropped.
    virtual void Drop() {}
};

// Without an audio device: consumes samples in real time, through a buffer of `bufferMs` as a
// sound card would (as large as the device output's, so that a thread that loses the processor
// for a moment leaves no gap), so that events and completion keep their timing. Silence between
// utterances takes no samples.
inline constexpr int kOutputBufferMs = 40;
std::unique_ptr<AudioOutput> MakeRealTimeNullOutput(PcmSource& source, int sampleRate,
                                                    int bufferMs = kOutputBufferMs);

// For recording: consumes samples as soon as they exist, with no timing at all.
std::unique_ptr<AudioOutput> MakeFastNullOutput(PcmSource& source, int sampleRate);
