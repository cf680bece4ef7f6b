#pragma once

#include <cstdint>
#include <functional>
#include <span>

// The learner's microphone: the default audio input of the sound server, captured as 16-bit mono
// at kCaptureRate.
//
// Contract, common to every backend:
// - HasMicrophone() tells whether the sound server has an input to capture from now.
// - Start(sink) starts a capture, ending one that runs; false when none could start. The sink is
//   called on the GUI thread, from the event loop (never inside Start or Stop), with chunks of at
//   most about a tenth of a second, in order.
// - Stop() ends the capture; once it has returned the sink is not called again. The sink may call
//   Stop(). Stopping without a capture does nothing.
// All calls are made on the GUI thread.
class AudioInput {
  public:
    static constexpr int kCaptureRate = 16000;
    using SampleSink = std::function<void(std::span<const std::int16_t>)>;

    virtual ~AudioInput() = default;
    virtual bool HasMicrophone() const = 0;
    virtual bool Start(SampleSink sink) = 0;
    virtual void Stop() = 0;
};
