#include "support/scripted_speech_engine.h"

#include <algorithm>

ScriptedVoice::~ScriptedVoice() {
    if (clock_ != nullptr) {
        for (const VirtualClock::Token end : pendingEnds_) {
            clock_->Cancel(end);
        }
    }
}

bool ScriptedVoice::SetVoice(const VoiceToken& token) {
    token_ = token;
    ++setVoices;
    return true;
}

bool ScriptedVoice::Speak(const std::string& text) {
    spoken.push_back(text);
    done_->Reset();
    if (clock_ != nullptr) {
        Play(text);
    }
    return true;
}

void ScriptedVoice::PlayOn(VirtualClock& clock, ScriptedDuration duration) {
    clock_ = &clock;
    duration_ = std::move(duration);
}

void ScriptedVoice::Play(const std::string& text) {
    const std::int64_t start =
        timeline.empty() || pendingEnds_.empty() ? clock_->Now() : timeline.back().end;
    timeline.push_back({text, start, start + duration_(text), false});
    pendingEnds_.push_back(clock_->Schedule(timeline.back().end, [this] { EndOfOldest(); }));
}

void ScriptedVoice::EndOfOldest() {
    pendingEnds_.erase(pendingEnds_.begin());
    events_.push_back(SpeechEvent{});
    if (pendingEnds_.empty()) {
        done_->Signal();
    }
    if (notify_) {
        notify_();
    }
}

bool ScriptedVoice::SpeakFile(UniqueFd file, const std::string& name, std::string& reason) {
    if (!file) {
        reason = "no file";
        return false;
    }
    files.push_back(name);
    done_->Reset();
    if (clock_ != nullptr) {
        Play(name);
    } else if (finishFilesAtOnce) {
        Finish();
    }
    return true;
}

void ScriptedVoice::Purge() {
    ++purges;
    events_.clear();
    if (clock_ != nullptr) {
        // What was still to play is cut at this moment.
        for (std::size_t i = timeline.size() - pendingEnds_.size(); i < timeline.size(); ++i) {
            timeline[i].start = std::min(timeline[i].start, clock_->Now());
            timeline[i].end = clock_->Now();
            timeline[i].purged = true;
        }
        for (const VirtualClock::Token end : pendingEnds_) {
            clock_->Cancel(end);
        }
        pendingEnds_.clear();
    }
    done_->Signal();
    if (notify_) {
        notify_();
    }
}

bool ScriptedVoice::GetEvent(SpeechEvent& event) {
    if (events_.empty()) {
        return false;
    }
    event = events_.front();
    events_.erase(events_.begin());
    return true;
}

void ScriptedVoice::Emit(const SpeechEvent& event) {
    events_.push_back(event);
    events_.back().released = std::chrono::steady_clock::now();
    if (notify_) {
        notify_();
    }
}

void ScriptedVoice::EmitViseme(int shape) {
    SpeechEvent event;
    event.kind = SpeechEventKind::kViseme;
    event.viseme = shape;
    Emit(event);
}

void ScriptedVoice::EmitWord() {
    SpeechEvent event;
    event.kind = SpeechEventKind::kWordBoundary;
    Emit(event);
}

void ScriptedVoice::Finish() {
    events_.push_back(SpeechEvent{});
    done_->Signal();
    if (notify_) {
        notify_();
    }
}

ScriptedSpeechEngine::ScriptedSpeechEngine()
    : voices_{
          {"female_en",
           "scripted",
           "female_en",
           {{"Gender", "Female"}, {"Language", "409"}, {"VendorPreferred", ""}}},
          {"male_en", "scripted", "male_en", {{"Gender", "Male"}, {"Language", "409"}}},
          {"preferred_en",
           "scripted",
           "preferred_en",
           {{"Gender", "Male"}, {"Language", "409"}, {"VendorPreferred", ""}}},
          {"male_zh", "scripted", "male_zh", {{"Gender", "Male"}, {"Language", "804"}}},
      } {}

std::unique_ptr<EngineVoice> ScriptedSpeechEngine::CreateVoice() {
    if (voices_.empty()) {
        return nullptr;
    }
    auto voice = std::make_unique<ScriptedVoice>(voices_.front());
    if (clock_ != nullptr) {
        voice->PlayOn(*clock_, duration_);
    }
    created.push_back(voice.get());
    return voice;
}

void ScriptedSpeechEngine::PlayOn(VirtualClock& clock, ScriptedDuration duration) {
    clock_ = &clock;
    duration_ = std::move(duration);
}
