#include "support/scripted_speech_engine.h"

ScriptedVoice::~ScriptedVoice() = default;

bool ScriptedVoice::SetVoice(const VoiceToken& token) {
    token_ = token;
    ++setVoices;
    return true;
}

bool ScriptedVoice::Speak(const std::string& text) {
    spoken.push_back(text);
    done_->Reset();
    return true;
}

bool ScriptedVoice::SpeakFile(UniqueFd file, const std::string& name) {
    if (!file) {
        return false;
    }
    files.push_back(name);
    done_->Reset();
    if (finishFilesAtOnce) {
        Finish();
    }
    return true;
}

void ScriptedVoice::Purge() {
    ++purges;
    events_.clear();
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
    created.push_back(voice.get());
    return voice;
}
