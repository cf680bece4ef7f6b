#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "speech/engines/audio_output.h"

// Playback into nothing at the pace of the clock, as a sound card would play: the position
// advances with time but never past what was pulled, and the source is pulled a buffer ahead of
// it, so that events and completion keep the timing of speech.
class ClockPlayback {
  public:
    ClockPlayback(int sampleRate, int bufferMs)
        : sampleRate_(sampleRate),
          buffer_(std::max<std::int64_t>(1, std::int64_t{sampleRate} * bufferMs / 1000)) {}

    // Playback goes on from here, now.
    void Restart(std::int64_t handed, std::int64_t played) {
        handed_ = handed;
        played_ = static_cast<double>(played);
        last_ = std::chrono::steady_clock::now();
    }

    // Moves playback on to now, tells the source, and pulls it up to a buffer ahead. False once
    // everything pulled has played and the source has nothing more.
    bool Advance(PcmSource& source) {
        const std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now();
        played_ =
            std::min(static_cast<double>(handed_),
                     played_ + std::chrono::duration<double>(now - last_).count() * sampleRate_);
        last_ = now;
        source.Played(Played());
        while (handed_ < Played() + buffer_) {
            scratch_.resize(static_cast<std::size_t>(Played() + buffer_ - handed_));
            const std::size_t got = source.Pull(scratch_.data(), scratch_.size());
            handed_ += static_cast<std::int64_t>(got);
            if (got == 0) {
                break;
            }
        }
        return Played() < handed_ || source.Pending();
    }

    std::int64_t Handed() const { return handed_; }
    std::int64_t Played() const { return static_cast<std::int64_t>(played_); }

  private:
    const int sampleRate_;
    const std::int64_t buffer_;
    std::int64_t handed_ = 0;
    double played_ = 0;
    std::chrono::steady_clock::time_point last_;
    std::vector<std::int16_t> scratch_;
};
