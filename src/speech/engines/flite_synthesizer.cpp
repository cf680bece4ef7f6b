#include "speech/engines/flite_synthesizer.h"

#include <flite/flite.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>

#include "speech/mouth_shapes.h"

extern "C" {
cst_voice* register_cmu_us_rms(const char* voxdir);
void unregister_cmu_us_rms(cst_voice* voice);
cst_voice* register_cmu_us_kal16(const char* voxdir);
void unregister_cmu_us_kal16(cst_voice* voice);
cst_voice* register_cmu_us_awb(const char* voxdir);
void unregister_cmu_us_awb(cst_voice* voice);
cst_voice* register_cmu_us_slt(const char* voxdir);
void unregister_cmu_us_slt(cst_voice* voice);
}

namespace {

struct FliteVoice {
    const char* id;
    cst_voice* (*load)(const char*);
    void (*unload)(cst_voice*);
    std::vector<VoiceAttribute> attributes;
};

const std::vector<FliteVoice>& KnownVoices() {
    static const std::vector<FliteVoice> kVoices{
        {"cmu_us_rms",
         register_cmu_us_rms,
         unregister_cmu_us_rms,
         {{"Gender", "Male"}, {"Language", "409"}, {"Age", "Adult"}, {"VendorPreferred", ""}}},
        {"cmu_us_kal16",
         register_cmu_us_kal16,
         unregister_cmu_us_kal16,
         {{"Gender", "Male"}, {"Language", "409"}, {"Age", "Adult"}}},
        {"cmu_us_awb",
         register_cmu_us_awb,
         unregister_cmu_us_awb,
         {{"Gender", "Male"}, {"Language", "809;409"}, {"Age", "Adult"}}},
        {"cmu_us_slt",
         register_cmu_us_slt,
         unregister_cmu_us_slt,
         {{"Gender", "Female"}, {"Language", "409"}, {"Age", "Adult"}}},
    };
    return kVoices;
}

// Every flite voice here speaks at 16 kHz.
constexpr int kFliteRate = 16000;

// flite reads ASCII; every other byte becomes a space, so byte offsets stay those of the text.
std::string AsciiOnly(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            c = ' ';
        }
    }
    return text;
}

// A word boundary where each token's first phone begins and a mouth shape where each phone
// begins, from the utterance's Segment relation (phones with their end times).
std::vector<SynthesisEvent> UtteranceEvents(const cst_utterance* utterance, const std::string& text,
                                            int sampleRate) {
    std::vector<SynthesisEvent> events;
    const cst_item* lastToken = nullptr;
    std::size_t cursor = 0;
    float start = 0;
    for (const cst_item* segment = relation_head(utt_relation(utterance, "Segment"));
         segment != nullptr; segment = item_next(segment)) {
        const auto sample = static_cast<std::int64_t>(std::lround(start * sampleRate));
        const cst_item* token =
            path_to_item(segment, "R:SylStructure.parent.parent.R:Token.parent");
        if (token != nullptr && (lastToken == nullptr || !item_equal(token, lastToken))) {
            lastToken = token;
            const std::string name = item_feat_string(token, "name");
            SynthesisEvent word;
            word.kind = SpeechEventKind::kWordBoundary;
            word.sample = sample;
            const std::size_t found = name.empty() ? std::string::npos : text.find(name, cursor);
            if (found != std::string::npos) {
                word.textPosition = static_cast<int>(found);
                word.textLength = static_cast<int>(name.size());
                cursor = found + name.size();
            } else {
                word.textPosition = static_cast<int>(cursor);
            }
            events.push_back(word);
        }
        if (const std::optional<int> shape = EnglishPhoneShape(item_feat_string(segment, "name"))) {
            SynthesisEvent viseme;
            viseme.kind = SpeechEventKind::kViseme;
            viseme.viseme = *shape;
            viseme.sample = sample;
            events.push_back(viseme);
        }
        start = item_feat_float(segment, "end");
    }
    return events;
}

// When the first sound after the utterance's opening pause begins, in seconds.
float SpeechStart(const cst_utterance* utterance) {
    const cst_item* first = relation_head(utt_relation(utterance, "Segment"));
    if (first != nullptr && std::string_view(item_feat_string(first, "name")) == "pau") {
        return item_feat_float(first, "end");
    }
    return 0;
}

// When the utterance's closing pause begins, in seconds; negative without one.
float SpeechEnd(const cst_utterance* utterance) {
    const cst_item* last = relation_tail(utt_relation(utterance, "Segment"));
    if (last != nullptr && std::string_view(item_feat_string(last, "name")) == "pau") {
        const cst_item* before = item_prev(last);
        return before != nullptr ? item_feat_float(before, "end") : 0;
    }
    return -1;
}

// The text cut after each sentence end (".", "?" or "!" followed by white space), as offset and
// length. flite works out a whole utterance before its first sample, so a long text starts
// sooner sentence by sentence; the breaks fall where flite pauses anyway.
std::vector<std::pair<std::size_t, std::size_t>> Sentences(const std::string& text) {
    std::vector<std::pair<std::size_t, std::size_t>> sentences;
    std::size_t from = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const bool end = text[i] == '.' || text[i] == '?' || text[i] == '!';
        if (end && (text[i + 1] == ' ' || text[i + 1] == '\t')) {
            std::size_t next = i + 1;
            while (next < text.size() && (text[next] == ' ' || text[next] == '\t')) {
                ++next;
            }
            sentences.emplace_back(from, next - from);
            from = next;
            i = next - 1;
        }
    }
    if (from < text.size()) {
        sentences.emplace_back(from, text.size() - from);
    }
    return sentences;
}

// One sentence of an utterance in synthesis, reached from flite's streaming callback.
struct FliteJob {
    SynthesisTarget* target;
    std::uint64_t utterance;
    const std::string* text;  // the sentence
    int textOffset;           // of the sentence in the utterance's text
    std::int64_t before;      // samples of the utterance ahead of the sentence
    // Between two sentences flite would pause once; synthesised apart, each has an opening and
    // a closing pause of its own. Both are cut short, so that the gap stays that of one pause.
    // The first sentence's opening pause is cut too: the learner pressed a button and waits.
    bool trimOpening;
    bool trimClosing;
    int skip = 0;         // opening samples dropped
    int end = INT32_MAX;  // samples from here on dropped
    bool eventsSent = false;
    int streamed = 0;  // samples of the wave handled so far
    std::int64_t appended = 0;
    bool stopped = false;
};

// Hands samples [start, start + size) of the wave on, with the sentence's events the first time.
bool Hand(FliteJob& job, const cst_utterance* utterance, const cst_wave* wave, int start,
          int size) {
    std::vector<SynthesisEvent> events;
    if (!job.eventsSent && utterance != nullptr) {
        constexpr float kKeptOpening = 0.03f;
        constexpr float kKeptClosing = 0.1f;
        if (job.trimOpening) {
            job.skip =
                std::max(0, static_cast<int>(std::lround((SpeechStart(utterance) - kKeptOpening) *
                                                         wave->sample_rate)));
        }
        if (const float end = SpeechEnd(utterance); job.trimClosing && end >= 0) {
            job.end = static_cast<int>(std::lround((end + kKeptClosing) * wave->sample_rate));
        }
        events = UtteranceEvents(utterance, *job.text, wave->sample_rate);
        for (SynthesisEvent& event : events) {
            event.sample = job.before + std::max<std::int64_t>(0, event.sample - job.skip);
            event.textPosition += job.textOffset;
        }
        job.eventsSent = true;
    }
    const int from = std::max(start, job.skip);
    const int count = std::max(0, std::min(start + size, job.end) - from);
    job.streamed = start + size;
    if (!job.target->Append(job.utterance, wave->samples + from, static_cast<std::size_t>(count),
                            wave->sample_rate, std::move(events))) {
        job.stopped = true;
        return false;
    }
    job.appended += count;
    return true;
}

int StreamSamples(const cst_wave* wave, int start, int size, int /*last*/,
                  cst_audio_streaming_info* info) {
    auto* job = static_cast<FliteJob*>(info->userdata);
    return Hand(*job, info->utt, wave, start, size) ? CST_AUDIO_STREAM_CONT : CST_AUDIO_STREAM_STOP;
}

}  // namespace

FliteSynthesizer::FliteSynthesizer() {
    thread_.Run([] { flite_init(); });
}

FliteSynthesizer::~FliteSynthesizer() {
    thread_.Run([this] {
        for (const FliteVoice& known : KnownVoices()) {
            if (const auto found = loaded_.find(known.id); found != loaded_.end()) {
                known.unload(found->second);
            }
        }
        loaded_.clear();
    });
}

std::vector<VoiceToken> FliteSynthesizer::Voices() const {
    std::vector<VoiceToken> tokens;
    for (const FliteVoice& known : KnownVoices()) {
        tokens.push_back(VoiceToken{known.id, "flite", known.id, known.attributes});
    }
    return tokens;
}

int FliteSynthesizer::SampleRate(const VoiceToken&) const {
    return kFliteRate;
}

void FliteSynthesizer::Synthesize(const VoiceToken& voice, std::string text, int rate,
                                  std::shared_ptr<SynthesisTarget> target,
                                  std::uint64_t utterance) {
    thread_.Post([this, id = voice.id, text = std::move(text), rate, target = std::move(target),
                  utterance] { Run(id, text, rate, target, utterance); });
}

cst_voice* FliteSynthesizer::Load(const std::string& id) {
    if (const auto found = loaded_.find(id); found != loaded_.end()) {
        return found->second;
    }
    for (const FliteVoice& known : KnownVoices()) {
        if (id == known.id) {
            cst_voice* voice = known.load(nullptr);
            loaded_[id] = voice;
            return voice;
        }
    }
    return nullptr;
}

void FliteSynthesizer::Run(const std::string& id, const std::string& text, int rate,
                           const std::shared_ptr<SynthesisTarget>& target,
                           std::uint64_t utterance) {
    if (!target->Wanted(utterance)) {
        return;
    }
    cst_voice* voice = Load(id);
    if (voice == nullptr) {
        target->Finish(utterance);
        return;
    }
    const std::string ascii = AsciiOnly(text);
    feat_set_float(voice->features, "duration_stretch",
                   static_cast<float>(1.0 / RateSpeedFactor(rate)));
    std::vector<std::pair<std::size_t, std::size_t>> sentences;
    for (const auto& [offset, length] : Sentences(ascii)) {
        if (ascii.find_first_not_of(" \t\r\n", offset) < offset + length) {
            sentences.emplace_back(offset, length);
        }
    }
    std::int64_t before = 0;
    for (std::size_t i = 0; i < sentences.size(); ++i) {
        const auto [offset, length] = sentences[i];
        const std::string sentence = ascii.substr(offset, length);
        FliteJob job{target.get(),
                     utterance,
                     &sentence,
                     static_cast<int>(offset),
                     before,
                     true,
                     i + 1 < sentences.size()};
        cst_audio_streaming_info* streaming = new_audio_streaming_info();
        streaming->asc = StreamSamples;
        streaming->userdata = &job;
        feat_set(voice->features, "streaming_info", audio_streaming_info_val(streaming));
        cst_utterance* result = flite_synth_text(sentence.c_str(), voice);
        feat_remove(voice->features, "streaming_info");
        if (result != nullptr) {
            // A voice that does not stream hands its whole wave over here.
            const cst_wave* wave = utt_wave(result);
            if (!job.stopped && wave != nullptr && wave->num_samples > job.streamed) {
                Hand(job, result, wave, job.streamed, wave->num_samples - job.streamed);
            }
            delete_utterance(result);
        }
        if (job.stopped || !target->Wanted(utterance)) {
            return;
        }
        before += job.appended;
    }
    target->Finish(utterance);
}
