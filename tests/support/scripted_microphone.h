#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audioin/audio_input.h"

// A microphone for tests that hears what the test gives it, then silence, and delivers it only
// when the test says, in chunks of 20 ms, as the event loop of a real capture would.
class ScriptedMicrophone final : public AudioInput {
  public:
    bool HasMicrophone() const override { return present_; }
    bool Start(SampleSink sink) override;
    void Stop() override;

    // As when the sound server has no input, or has one again.
    void SetPresent(bool present) { present_ = present; }
    // What the microphone hears from the start of the next capture on.
    void Hear(std::vector<std::int16_t> samples) { heard_ = std::move(samples); }
    // The samples of a 16-bit mono WAV file at kCaptureRate; empty (and a test failure) otherwise.
    static std::vector<std::int16_t> ReadWav(const std::string& path);
    // Delivers up to `ms` of sound to a running capture; returns the milliseconds delivered
    // before the capture ended.
    int Deliver(int ms);

    bool Capturing() const { return static_cast<bool>(sink_); }
    int Starts() const { return starts_; }

  private:
    bool present_ = true;
    std::vector<std::int16_t> heard_;
    std::size_t position_ = 0;
    SampleSink sink_;
    int starts_ = 0;
};
