#include "support/synthesis_sink.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

class Sink final : public SynthesisTarget {
  public:
    explicit Sink(bool keepAudio) : keepAudio_(keepAudio) {}

    bool Wanted(std::uint64_t) const override { return true; }

    bool Append(std::uint64_t, const std::int16_t* samples, std::size_t count, int sampleRate,
                std::vector<SynthesisEvent>) override {
        std::lock_guard lock(mutex_);
        if (count > 0 && result_.samples == 0) {
            result_.firstSeconds = Seconds();
        }
        result_.samples += count;
        result_.sampleRate = sampleRate;
        if (keepAudio_) {
            result_.audio.insert(result_.audio.end(), samples, samples + count);
        }
        return true;
    }

    void Finish(std::uint64_t) override {
        std::lock_guard lock(mutex_);
        result_.totalSeconds = Seconds();
        finished_ = true;
        changed_.notify_all();
    }

    Synthesized Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return finished_; });
        return result_;
    }

  private:
    double Seconds() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }

    const bool keepAudio_;
    const Clock::time_point start_ = Clock::now();
    std::mutex mutex_;
    std::condition_variable changed_;
    Synthesized result_;
    bool finished_ = false;
};

}  // namespace

Synthesized SynthesizeText(Synthesizer& synthesizer, std::string_view voice,
                           const std::string& text, int rate, bool keepAudio) {
    for (const VoiceToken& token : synthesizer.Voices()) {
        if (token.name == voice) {
            const auto sink = std::make_shared<Sink>(keepAudio);
            synthesizer.Synthesize(token, text, rate, sink, 1);
            return sink->Wait();
        }
    }
    throw std::invalid_argument("no voice " + std::string(voice));
}
