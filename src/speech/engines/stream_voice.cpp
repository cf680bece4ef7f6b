#include "speech/engines/stream_voice.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <mutex>

#include "speech/engines/resampler.h"
#include "speech/engines/sound_file.h"
#include "speech/engines/synthesis_thread.h"

using Clock = std::chrono::steady_clock;

namespace {

// The audio an utterance has ready before it starts to play: a tenth of a second.
constexpr int kLeadDivisor = 10;

}  // namespace

// The queue of one voice: filled by synthesis (or a decoded file), drained by the output, and
// the released events waiting for the voice's owner. One mutex guards it all; it is never held
// while calling the owner's notification.
class VoiceCore final : public SynthesisTarget, public PcmSource {
  public:
    VoiceCore(UtteranceObserver* observer, std::shared_ptr<Waitable> done)
        : observer_(observer), done_(std::move(done)) {}

    // The output that plays the queue, and its rate; before it, the queue stays empty.
    void Attach(AudioOutput* output, int outputRate) {
        std::lock_guard lock(mutex_);
        output_ = output;
        outputRate_ = outputRate;
    }

    int OutputRate() const {
        std::lock_guard lock(mutex_);
        return outputRate_;
    }

    void SetNotify(std::function<void()> notify) {
        std::lock_guard lock(mutex_);
        notify_ = std::move(notify);
    }

    // GUI thread: a new utterance behind the others. Returns its id.
    std::uint64_t Queue(UtteranceInfo info) {
        std::lock_guard lock(mutex_);
        const std::uint64_t id = ++lastId_;
        info.sampleRate = outputRate_;
        if (observer_ != nullptr) {
            observer_->OnQueued(info);
        }
        Utterance& added = queue_.emplace_back();
        added.id = id;
        added.serial = info.serial;
        done_->Reset();
        return id;
    }

    void Purge() {
        std::function<void()> notify;
        AudioOutput* output = nullptr;
        {
            std::lock_guard lock(mutex_);
            const Clock::time_point now = Clock::now();
            if (observer_ != nullptr) {
                // Utterances wholly handed out wait for playback only by their end event.
                for (const Scheduled& waiting : scheduled_) {
                    if (waiting.event.kind == SpeechEventKind::kEndInputStream) {
                        observer_->OnFinished(waiting.serial, now, true);
                    }
                }
                for (const Utterance& utterance : queue_) {
                    observer_->OnFinished(utterance.serial, now, true);
                }
            }
            queue_.clear();
            scheduled_.clear();
            released_.clear();
            output = output_;
            done_->Signal();
            notify = notify_;
        }
        if (output != nullptr) {
            output->Drop();
        }
        // A waiter pumping for the end of the utterance must wake up to see it.
        if (notify) {
            notify();
        }
    }

    bool TakeEvent(SpeechEvent& event) {
        std::lock_guard lock(mutex_);
        if (released_.empty()) {
            return false;
        }
        event = released_.front();
        released_.pop_front();
        return true;
    }

    // SynthesisTarget

    bool Wanted(std::uint64_t utterance) const override {
        std::lock_guard lock(mutex_);
        return Find(utterance) != nullptr;
    }

    bool Append(std::uint64_t utterance, const std::int16_t* samples, std::size_t count,
                int sampleRate, std::vector<SynthesisEvent> events) override {
        std::lock_guard lock(mutex_);
        Utterance* target = Find(utterance);
        if (target == nullptr) {
            return false;
        }
        target->sourceRate = sampleRate;
        for (const SynthesisEvent& found : events) {
            SpeechEvent event;
            event.kind = found.kind;
            event.viseme = found.viseme;
            event.textPosition = found.textPosition;
            event.textLength = found.textLength;
            event.audioMs = 1000.0 * static_cast<double>(found.sample) / sampleRate;
            const auto offset = static_cast<std::int64_t>(
                std::llround(static_cast<double>(found.sample) * outputRate_ / sampleRate));
            // Events come in order of their position from every synthesizer; keep it so.
            auto at = std::upper_bound(
                target->events.begin() + static_cast<std::ptrdiff_t>(target->nextEvent),
                target->events.end(), offset, [](std::int64_t position, const TimedEvent& pending) {
                    return position < pending.offset;
                });
            target->events.insert(at, TimedEvent{offset, event});
        }
        if (sampleRate == outputRate_) {
            target->samples.insert(target->samples.end(), samples, samples + count);
        } else {
            if (!target->resampler) {
                target->resampler = std::make_unique<Resampler>(sampleRate, outputRate_);
            }
            target->resampler->Process(samples, count, target->samples);
        }
        if (output_ != nullptr && count > 0) {
            output_->Wake();
        }
        return true;
    }

    void Finish(std::uint64_t utterance) override {
        std::lock_guard lock(mutex_);
        Utterance* target = Find(utterance);
        if (target == nullptr) {
            return;
        }
        if (target->resampler) {
            target->resampler->Flush(target->samples);
            target->resampler.reset();
        }
        target->finished = true;
        if (output_ != nullptr) {
            output_->Wake();
        }
    }

    // PcmSource

    std::size_t Pull(std::int16_t* out, std::size_t count) override {
        std::lock_guard lock(mutex_);
        std::size_t given = 0;
        while (given < count && !queue_.empty()) {
            Utterance& utterance = queue_.front();
            const std::size_t available = utterance.samples.size() - utterance.handed;
            if (!Ready(utterance)) {
                break;  // synthesis has not got this far yet
            }
            if (available > 0) {
                const std::size_t take = std::min(available, count - given);
                if (!utterance.started) {
                    utterance.started = true;
                    if (observer_ != nullptr) {
                        observer_->OnFirstSample(utterance.serial, Clock::now());
                    }
                }
                ScheduleEvents(utterance, static_cast<std::int64_t>(utterance.handed + take));
                const std::int16_t* from = utterance.samples.data() + utterance.handed;
                std::copy(from, from + take, out + given);
                if (observer_ != nullptr) {
                    observer_->OnSamples(utterance.serial, from, take);
                }
                utterance.handed += take;
                handed_ += static_cast<std::int64_t>(take);
                given += take;
            } else {
                ScheduleEvents(utterance, INT64_MAX);
                SpeechEvent end;
                end.kind = SpeechEventKind::kEndInputStream;
                end.audioMs = 1000.0 * static_cast<double>(utterance.samples.size()) / outputRate_;
                scheduled_.push_back(Scheduled{handed_, end, utterance.serial});
                queue_.pop_front();
            }
        }
        return given;
    }

    void Played(std::int64_t position) override {
        std::function<void()> notify;
        {
            std::lock_guard lock(mutex_);
            bool released = false;
            const Clock::time_point now = Clock::now();
            while (!scheduled_.empty() && scheduled_.front().position <= position) {
                Scheduled& next = scheduled_.front();
                next.event.released = now;
                if (observer_ != nullptr) {
                    observer_->OnEvent(next.serial, next.event);
                    if (next.event.kind == SpeechEventKind::kEndInputStream) {
                        observer_->OnFinished(next.serial, now, false);
                    }
                }
                released_.push_back(next.event);
                scheduled_.pop_front();
                released = true;
            }
            if (!released) {
                return;
            }
            if (queue_.empty() && scheduled_.empty()) {
                done_->Signal();
            }
            notify = notify_;
        }
        if (notify) {
            notify();
        }
    }

    bool HandedOut() const override {
        std::lock_guard lock(mutex_);
        return queue_.empty();
    }

    bool Pending() const override {
        std::lock_guard lock(mutex_);
        if (!scheduled_.empty()) {
            return true;
        }
        if (queue_.empty()) {
            return false;
        }
        return Ready(queue_.front());
    }

  private:
    struct TimedEvent {
        std::int64_t offset;  // in output samples from the utterance's start
        SpeechEvent event;
    };

    struct Utterance {
        std::uint64_t id = 0;
        std::uint64_t serial = 0;
        int sourceRate = 0;
        std::unique_ptr<Resampler> resampler;
        std::vector<std::int16_t> samples;  // at the output rate
        std::size_t handed = 0;
        std::vector<TimedEvent> events;
        std::size_t nextEvent = 0;
        bool started = false;
        bool finished = false;
    };

    struct Scheduled {
        std::int64_t position;  // on the output's timeline
        SpeechEvent event;
        std::uint64_t serial;
    };

    // Whether the output can take something of the utterance now: its end, or samples. It
    // starts once a little of it is ready, so that a synthesis thread that loses the processor
    // for a moment does not leave a gap in the speech.
    bool Ready(const Utterance& utterance) const {
        const std::size_t available = utterance.samples.size() - utterance.handed;
        if (utterance.finished || (utterance.started && available > 0)) {
            return true;
        }
        return available >= static_cast<std::size_t>(outputRate_ / kLeadDivisor);
    }

    Utterance* Find(std::uint64_t id) {
        for (Utterance& utterance : queue_) {
            if (utterance.id == id) {
                return &utterance;
            }
        }
        return nullptr;
    }
    const Utterance* Find(std::uint64_t id) const { return const_cast<VoiceCore*>(this)->Find(id); }

    // Moves the utterance's events that lie before `end` (an offset in it) onto the output's
    // timeline, as its samples from `handed` on are handed out now. An event whose audio went
    // out before the event itself arrived is due at once.
    void ScheduleEvents(Utterance& utterance, std::int64_t end) {
        const auto handed = static_cast<std::int64_t>(utterance.handed);
        const auto total = static_cast<std::int64_t>(utterance.samples.size());
        while (utterance.nextEvent < utterance.events.size() &&
               utterance.events[utterance.nextEvent].offset < end) {
            const TimedEvent& pending = utterance.events[utterance.nextEvent];
            // An event placed beyond the last sample (espeak-ng's closing pause at a high speed)
            // comes with the end, or it would wait for audio that never plays.
            const std::int64_t position =
                handed_ + std::clamp<std::int64_t>(pending.offset - handed, 0, total - handed);
            scheduled_.push_back(Scheduled{position, pending.event, utterance.serial});
            ++utterance.nextEvent;
        }
    }

    UtteranceObserver* const observer_;
    const std::shared_ptr<Waitable> done_;

    mutable std::mutex mutex_;
    AudioOutput* output_ = nullptr;
    int outputRate_ = 0;
    std::function<void()> notify_;
    std::uint64_t lastId_ = 0;
    std::deque<Utterance> queue_;
    std::deque<Scheduled> scheduled_;  // in order of position
    std::deque<SpeechEvent> released_;
    std::int64_t handed_ = 0;
};

StreamVoice::StreamVoice(VoiceHost& host, const VoiceToken& token)
    : host_(host), token_(token), synthesizer_(host.SynthesizerFor(token)) {}

StreamVoice::~StreamVoice() {
    if (core_) {
        core_->SetNotify(nullptr);
        core_->Purge();
        core_->Attach(nullptr, core_->OutputRate());
    }
    // Stops the output's thread before the core can go; synthesis may still hold the core.
    output_.reset();
}

bool StreamVoice::SetVoice(const VoiceToken& token) {
    Synthesizer* synthesizer = host_.SynthesizerFor(token);
    if (synthesizer == nullptr) {
        return false;
    }
    token_ = token;
    synthesizer_ = synthesizer;
    return true;
}

void StreamVoice::SetNotify(std::function<void()> notify) {
    EnsureOutput();
    core_->SetNotify(std::move(notify));
}

void StreamVoice::EnsureOutput() {
    if (core_) {
        return;
    }
    const int preferred = synthesizer_ != nullptr ? synthesizer_->SampleRate(token_) : 16000;
    core_ = std::make_shared<VoiceCore>(host_.Observer(), done_);
    output_ = host_.MakeOutput(*core_, preferred);
    core_->Attach(output_.get(), output_->SampleRate());
}

bool StreamVoice::Speak(const std::string& text) {
    if (synthesizer_ == nullptr) {
        return false;
    }
    EnsureOutput();
    UtteranceInfo info;
    info.serial = host_.NextSerial();
    info.voice = token_.name;
    info.text = text;
    info.requested = Clock::now();
    const std::uint64_t utterance = core_->Queue(std::move(info));
    synthesizer_->Synthesize(token_, text, rate_, core_, utterance);
    return true;
}

bool StreamVoice::SpeakFile(UniqueFd file, const std::string& name, std::string& reason) {
    EnsureOutput();
    const Clock::time_point requested = Clock::now();
    std::shared_ptr<SoundReader> sound = SoundReader::Open(std::move(file), reason);
    if (!sound) {
        return false;
    }
    UtteranceInfo info;
    info.serial = host_.NextSerial();
    info.voice = token_.name;
    info.file = name;
    info.requested = requested;
    const std::uint64_t utterance = core_->Queue(std::move(info));
    if (!decoder_) {
        decoder_ = std::make_unique<SynthesisThread>();
    }
    // Decoded on a thread of its own, block by block, so that the caller never waits for it and
    // playback starts with the first blocks; a purge ends it at the next block.
    decoder_->Post([core = core_, utterance, sound] {
        std::vector<std::int16_t> block;
        while (sound->ReadBlock(block)) {
            if (!core->Append(utterance, block.data(), block.size(), sound->SampleRate(), {})) {
                return;
            }
        }
        core->Finish(utterance);
    });
    return true;
}

void StreamVoice::Purge() {
    if (core_) {
        core_->Purge();
    }
}

void StreamVoice::SetRate(int rate) {
    rate_ = std::clamp(rate, kMinRate, kMaxRate);
}

bool StreamVoice::GetEvent(SpeechEvent& event) {
    return core_ && core_->TakeEvent(event);
}

std::shared_ptr<Waitable> StreamVoice::SpeakCompleteEvent() const {
    return done_;
}
