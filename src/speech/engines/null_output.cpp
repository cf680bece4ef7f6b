#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "speech/engines/audio_output.h"
#include "speech/engines/clock_playback.h"

namespace {

using Clock = std::chrono::steady_clock;

// The thread, the wake-up and the stop that both null outputs share.
class NullOutput : public AudioOutput {
  public:
    NullOutput(PcmSource& source, int sampleRate) : source_(source), sampleRate_(sampleRate) {}

    ~NullOutput() override = default;

    int SampleRate() const override { return sampleRate_; }

    void Wake() override {
        {
            std::lock_guard lock(mutex_);
            woken_ = true;
        }
        changed_.notify_all();
    }

  protected:
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }

    // Each derived class stops the thread in its own destructor, while Run() still has its object.
    void Stop() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    bool Stopping() {
        std::lock_guard lock(mutex_);
        return stop_;
    }

    // Waits for a wake-up until `deadline` (none: without limit). False when stopping.
    bool WaitForWake(std::optional<Clock::time_point> deadline) {
        std::unique_lock lock(mutex_);
        const auto woken = [this] { return stop_ || woken_; };
        if (deadline) {
            changed_.wait_until(lock, *deadline, woken);
        } else {
            changed_.wait(lock, woken);
        }
        woken_ = false;
        return !stop_;
    }

    virtual void Run() = 0;

    PcmSource& source_;
    const int sampleRate_;

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool woken_ = false;
    bool stop_ = false;
    std::thread thread_;
};

// Plays into nothing at the speed of a real device, a buffer ahead as a sound card would.
class RealTimeNullOutput final : public NullOutput {
  public:
    RealTimeNullOutput(PcmSource& source, int sampleRate, int bufferMs)
        : NullOutput(source, sampleRate), playback_(sampleRate, bufferMs) {
        Start();
    }
    ~RealTimeNullOutput() override { Stop(); }

  private:
    static constexpr auto kTick = std::chrono::milliseconds(5);

    void Run() override {
        while (WaitForWake(std::nullopt)) {
            playback_.Restart(playback_.Handed(), playback_.Played());
            while (playback_.Advance(source_)) {
                if (!WaitForWake(Clock::now() + kTick)) {
                    return;
                }
            }
        }
    }

    ClockPlayback playback_;
};

class FastNullOutput final : public NullOutput {
  public:
    FastNullOutput(PcmSource& source, int sampleRate) : NullOutput(source, sampleRate) { Start(); }
    ~FastNullOutput() override { Stop(); }

  private:
    void Run() override {
        std::vector<std::int16_t> scratch(4096);
        std::int64_t handed = 0;
        while (WaitForWake(std::nullopt)) {
            while (true) {
                const std::size_t got = source_.Pull(scratch.data(), scratch.size());
                handed += static_cast<std::int64_t>(got);
                source_.Played(handed);
                if ((got == 0 && !source_.Pending()) || Stopping()) {
                    break;
                }
            }
        }
    }
};

}  // namespace

std::unique_ptr<AudioOutput> MakeRealTimeNullOutput(PcmSource& source, int sampleRate,
                                                    int bufferMs) {
    return std::make_unique<RealTimeNullOutput>(source, sampleRate, bufferMs);
}

std::unique_ptr<AudioOutput> MakeFastNullOutput(PcmSource& source, int sampleRate) {
    return std::make_unique<FastNullOutput>(source, sampleRate);
}
