#include "speech/engines/pulse_audio_output.h"

#include <pulse/pulseaudio.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/log/log.h"
#include "speech/engines/clock_playback.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the sound server may hold ahead of playback. Ample against a thread that loses the
// processor for a while; it costs no delay, as an utterance starts on an empty buffer, and no
// stop is late for it, as a stop drops what the server holds. The server asks for more through
// the stream's write callback as soon as there is room.
constexpr int kBufferMs = 100;
// How far ahead playback is fed without a sound server, as a sound card's buffer would be.
constexpr int kClockBufferMs = 40;
// The feeding period, and how often playback positions are reported.
constexpr int kTickMs = 10;
// A stream without speech for this long is closed, so that the tutor does not sit in the
// desktop's mixer or hold the sound card awake while the learner reads.
constexpr auto kQuietBeforeClose = std::chrono::seconds(2);
// A sound server that does not answer within this is taken as none.
constexpr auto kConnectTimeout = std::chrono::seconds(1);
// The longest a stop waits for the output's thread, which may be connecting.
constexpr auto kDropWait = std::chrono::milliseconds(100);

// Plays a voice's samples through the sound server (PulseAudio, or PipeWire's PulseAudio
// service), on a thread of its own: a stream opens when there is something to play and closes
// after a quiet spell, and every opening connects afresh, so that a server that was restarted is
// found again. Without a server, or when it goes away, playback goes on in silence at the pace of
// the clock, so that events and completion keep their timing and nothing waits for ever.
class PulseOutput final : public AudioOutput {
  public:
    PulseOutput(PcmSource& source, int sampleRate)
        : source_(source),
          sampleRate_(sampleRate),
          mainloop_(pa_mainloop_new()),
          wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
        // A wake-up is a count on an event descriptor that the loop polls with the server's
        // sockets: it stays readable until the loop reads it, so none is lost, however it falls
        // between the loop's steps.
        pa_mainloop_api* api = pa_mainloop_get_api(mainloop_);
        wakeEvent_ = api->io_new(
            api, wakeFd_, PA_IO_EVENT_INPUT,
            [](pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void*) {
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t got = read(fd, &count, sizeof count);
            },
            nullptr);
        thread_ = std::thread([this] { Run(); });
    }

    ~PulseOutput() override {
        stop_ = true;
        Wake();
        thread_.join();
        pa_mainloop_get_api(mainloop_)->io_free(wakeEvent_);
        pa_mainloop_free(mainloop_);
        close(wakeFd_);
    }

    int SampleRate() const override { return sampleRate_; }

    void Wake() override {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
    }

    // Waits (briefly) for the output's thread, so that the utterance that follows a stop is not
    // dropped with what went before it.
    void Drop() override {
        std::unique_lock lock(dropMutex_);
        const std::uint64_t ticket = ++dropsAsked_;
        Wake();
        dropped_.wait_for(lock, kDropWait, [&] { return dropsDone_ >= ticket; });
    }

  private:
    enum class Mode { kQuiet, kServer, kClock };

    void Run() {
        while (!stop_) {
            Feed();
            if (!Iterate(mode_ == Mode::kQuiet ? -1 : kTickMs)) {
                break;
            }
        }
        Close();
    }

    void Feed() {
        {
            std::lock_guard lock(dropMutex_);
            if (dropsDone_ < dropsAsked_) {
                DropUnplayed();
                dropsDone_ = dropsAsked_;
                dropped_.notify_all();
            }
        }
        if (mode_ == Mode::kQuiet) {
            if (!source_.Pending()) {
                return;
            }
            if (Open()) {
                mode_ = Mode::kServer;
            } else {
                StartClock();
            }
        }
        if (mode_ == Mode::kServer) {
            FeedServer();
        }
        if (mode_ == Mode::kClock) {
            FeedClock();
        }
    }

    // Runs the sound server's side and the wake-ups for up to `timeoutMs` (-1: until one comes).
    bool Iterate(int timeoutMs) {
        return pa_mainloop_prepare(mainloop_, timeoutMs < 0 ? -1 : timeoutMs * 1000) >= 0 &&
               pa_mainloop_poll(mainloop_) >= 0 && pa_mainloop_dispatch(mainloop_) >= 0;
    }

    // Runs the loop until `ready()`; false when `failed()`, on a stop, or when the server takes
    // longer than a server that is there ever does.
    template <class Ready, class Failed>
    bool Await(Ready ready, Failed failed) {
        const Clock::time_point deadline = Clock::now() + kConnectTimeout;
        while (!ready()) {
            if (failed() || Clock::now() > deadline || stop_) {
                return false;
            }
            Iterate(kTickMs);
        }
        return true;
    }

    bool Open() {
        if (context_ == nullptr) {
            context_ = pa_context_new(pa_mainloop_get_api(mainloop_), "Quorvan");
            if (context_ == nullptr ||
                pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
                Close();
                return false;
            }
            if (!Await([this] { return pa_context_get_state(context_) == PA_CONTEXT_READY; },
                       [this] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); })) {
                Close();
                return false;
            }
        }
        return OpenStream();
    }

    bool OpenStream() {
        const pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<std::uint32_t>(sampleRate_), 1};
        stream_ = pa_stream_new(context_, "Speech", &format, nullptr);
        if (stream_ == nullptr) {
            Close();
            return false;
        }
        pa_stream_set_write_callback(
            stream_,
            [](pa_stream*, std::size_t, void* self) { static_cast<PulseOutput*>(self)->Write(); },
            this);
        pa_buffer_attr buffer;
        buffer.maxlength = static_cast<std::uint32_t>(-1);
        buffer.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kBufferMs * 1000, &format));
        buffer.prebuf = static_cast<std::uint32_t>(-1);
        buffer.minreq = static_cast<std::uint32_t>(-1);
        buffer.fragsize = static_cast<std::uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
        // The server may ask for samples in the same pass that makes the stream ready.
        streamStart_ = handed_;
        quietSince_.reset();
        if (pa_stream_connect_playback(stream_, nullptr, &buffer, flags, nullptr, nullptr) < 0) {
            Close();
            return false;
        }
        if (!Await([this] { return pa_stream_get_state(stream_) == PA_STREAM_READY; },
                   [this] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)); })) {
            Close();
            return false;
        }
        return true;
    }

    void CloseStream() {
        for (pa_operation** operation : {&timingUpdate_, &drain_}) {
            if (*operation != nullptr) {
                pa_operation_cancel(*operation);
                pa_operation_unref(std::exchange(*operation, nullptr));
            }
        }
        if (stream_ != nullptr) {
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
            stream_ = nullptr;
        }
    }

    void Close() {
        CloseStream();
        if (context_ != nullptr) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
            context_ = nullptr;
        }
    }

    bool ServerGone() const {
        return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) ||
               (stream_ != nullptr && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)));
    }

    void FeedServer() {
        if (ServerGone()) {
            LogLine("the sound server went away; speech goes on without sound");
            Close();
            StartClock();
            return;
        }
        if (stream_ == nullptr) {
            // Dropped at a stop: the next utterance gets a stream of its own.
            if (!source_.Pending()) {
                WaitQuietly();
                return;
            }
            if (!OpenStream()) {
                StartClock();
                return;
            }
        }
        ReportHeard();
        const std::size_t got = Write();
        DrainWhenIdle(got);
        if (got > 0 || source_.Pending()) {
            quietSince_.reset();
        } else {
            WaitQuietly();
        }
    }

    // Where playback is, by the stream's clock.
    void ReportHeard() {
        // The server's own timing updates come ever more seldom; a stream that has just started
        // needs them every tick to be placed within a few milliseconds.
        if (timingUpdate_ == nullptr ||
            pa_operation_get_state(timingUpdate_) != PA_OPERATION_RUNNING) {
            if (timingUpdate_ != nullptr) {
                pa_operation_unref(timingUpdate_);
            }
            timingUpdate_ = pa_stream_update_timing_info(stream_, nullptr, nullptr);
        }
        pa_usec_t heard = 0;
        if (pa_stream_get_time(stream_, &heard) == 0) {
            Report(streamStart_ + static_cast<std::int64_t>(heard * sampleRate_ / 1000000));
        }
    }

    // Everything is written: the server says when it has been played, as the stream's clock does
    // not reach the end of a stream that ran dry (it stops a sink's latency short of it, or, with
    // PipeWire, further). A drain also plays a sound too short to fill the buffer, which the
    // server would otherwise hold back; not while synthesis is behind, as it starts playback at
    // once, and a stream that runs dry in the middle of a word stutters.
    void DrainWhenIdle(std::size_t got) {
        if (got > 0 || handed_ <= played_ || drain_ != nullptr || !source_.HandedOut()) {
            return;
        }
        drainTo_ = handed_;
        drain_ = pa_stream_drain(
            stream_,
            [](pa_stream*, int success, void* self) {
                auto* output = static_cast<PulseOutput*>(self);
                pa_operation_unref(std::exchange(output->drain_, nullptr));
                if (success) {
                    output->Report(output->drainTo_);
                }
            },
            this);
    }

    // Fills what the server has room for; returns how many samples went in.
    std::size_t Write() {
        if (stream_ == nullptr || pa_stream_get_state(stream_) != PA_STREAM_READY) {
            return 0;
        }
        const std::size_t writable = pa_stream_writable_size(stream_);
        const std::size_t room = writable == static_cast<std::size_t>(-1) ? 0 : writable / 2;
        std::size_t got = 0;
        if (room > 0) {
            scratch_.resize(room);
            got = source_.Pull(scratch_.data(), room);
        }
        if (got > 0) {
            pa_stream_write(stream_, scratch_.data(), got * 2, nullptr, 0, PA_SEEK_RELATIVE);
            handed_ += static_cast<std::int64_t>(got);
        }
        return got;
    }

    // Nothing to play: after a while the connection goes, stream and all.
    void WaitQuietly() {
        if (!quietSince_) {
            quietSince_ = Clock::now();
        } else if (Clock::now() - *quietSince_ >= kQuietBeforeClose) {
            Close();
            mode_ = Mode::kQuiet;
        }
    }

    // A stop: what the server still holds is not to be heard. The stream goes with it; the next
    // utterance opens another.
    void DropUnplayed() {
        if (handed_ <= played_) {
            return;
        }
        if (mode_ == Mode::kServer) {
            CloseStream();
        }
        Report(handed_);
        clock_.Restart(handed_, played_);
    }

    void StartClock() {
        mode_ = Mode::kClock;
        clock_.Restart(handed_, played_);
    }

    void FeedClock() {
        const bool more = clock_.Advance(source_);
        handed_ = clock_.Handed();
        played_ = clock_.Played();
        if (!more) {
            mode_ = Mode::kQuiet;
        }
    }

    void Report(std::int64_t position) {
        played_ = std::max(played_, std::min(position, handed_));
        source_.Played(played_);
    }

    PcmSource& source_;
    const int sampleRate_;
    pa_mainloop* const mainloop_;
    const int wakeFd_;
    pa_io_event* wakeEvent_ = nullptr;
    std::atomic<bool> stop_{false};
    std::mutex dropMutex_;
    std::condition_variable dropped_;
    std::uint64_t dropsAsked_ = 0;
    std::uint64_t dropsDone_ = 0;
    std::thread thread_;

    // The rest belongs to the output's thread.
    Mode mode_ = Mode::kQuiet;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_operation* timingUpdate_ = nullptr;  // the last timing request
    pa_operation* drain_ = nullptr;         // a drain under way, up to drainTo_
    std::int64_t drainTo_ = 0;
    std::vector<std::int16_t> scratch_;
    std::int64_t handed_ = 0;       // pulled from the source
    std::int64_t played_ = 0;       // the last position reported
    std::int64_t streamStart_ = 0;  // where the open stream's own count starts
    std::optional<Clock::time_point> quietSince_;
    ClockPlayback clock_{sampleRate_, kClockBufferMs};
};

}  // namespace

std::unique_ptr<AudioOutput> MakePulseOutput(PcmSource& source, int sampleRate) {
    return std::make_unique<PulseOutput>(source, sampleRate);
}
