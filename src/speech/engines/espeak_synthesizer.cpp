#include "speech/engines/espeak_synthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>

#include "speech/engines/synthesis_thread.h"
#include "speech/mouth_shapes.h"

namespace {

struct EspeakVoice {
    const char* name;
    const char* id;
    bool mandarin;
    std::vector<VoiceAttribute> attributes;
};

// The Mandarin voice is the one that reads pinyin as pinyin: the dictionary turns characters
// into tone-numbered pinyin, and the plain "cmn" voice of espeak-ng 1.51 then reads those
// digits out as English numbers ("ni three hao three").
const std::vector<EspeakVoice>& KnownVoices() {
    static const std::vector<EspeakVoice> kVoices{
        {"espeak_en_us", "en-us", false, {{"Gender", "Male"}, {"Language", "409"}}},
        {"espeak_cmn",
         "cmn-latn-pinyin",
         true,
         {{"Gender", "Male"}, {"Language", "804"}, {"VendorPreferred", ""}}},
    };
    return kVoices;
}

const EspeakVoice* FindKnown(const std::string& id) {
    for (const EspeakVoice& known : KnownVoices()) {
        if (id == known.id) {
            return &known;
        }
    }
    return nullptr;
}

// The library's state, touched on its thread only. The library does not survive being shut
// down and set up again, so it is set up once and kept.
struct Library {
    SynthesisThread thread;
    bool initialised = false;
    int sampleRate = 0;
    std::string current;  // the voice set last
};

Library& TheLibrary() {
    static Library library;
    return library;
}

struct EspeakJob {
    SynthesisTarget* target;
    std::uint64_t utterance;
    bool mandarin;
    int sampleRate;
    std::vector<int> byteOfCharacter;  // UTF-8 offset of each character, and the end
    bool stopped = false;
};

thread_local EspeakJob* tJob = nullptr;

// espeak-ng's speed in words per minute does not scale the duration in proportion: doubling it
// more than doubles the speed of Mandarin and less than doubles that of English. These are the
// speeds, relative to 175 words per minute, measured on everyday sentences of each language with
// espeak-ng 1.51 (Mandarin slows down again above 400).
struct SpeedPoint {
    int wordsPerMinute;
    double speed;
};
constexpr SpeedPoint kMandarinSpeeds[] = {
    {80, 0.413},  {101, 0.509}, {120, 0.626}, {140, 0.762}, {160, 0.892}, {175, 1.0},
    {210, 1.266}, {250, 1.638}, {303, 2.160}, {360, 2.945}, {400, 3.328},
};
constexpr SpeedPoint kEnglishSpeeds[] = {
    {80, 0.450},  {101, 0.546}, {120, 0.656}, {140, 0.781}, {160, 0.905}, {175, 1.0},
    {210, 1.206}, {250, 1.467}, {303, 1.819}, {360, 2.348}, {400, 2.581}, {450, 2.710},
};

// The words per minute that make the voice `speed` times as fast as at rate 0, as near as the
// library goes.
int WordsPerMinute(std::span<const SpeedPoint> table, double speed) {
    if (speed <= table.front().speed) {
        return table.front().wordsPerMinute;
    }
    for (std::size_t i = 1; i < table.size(); ++i) {
        if (speed <= table[i].speed) {
            const SpeedPoint& low = table[i - 1];
            const SpeedPoint& high = table[i];
            const double part = (speed - low.speed) / (high.speed - low.speed);
            return static_cast<int>(std::lround(low.wordsPerMinute +
                                                part * (high.wordsPerMinute - low.wordsPerMinute)));
        }
    }
    return table.back().wordsPerMinute;
}

std::vector<int> CharacterOffsets(const std::string& text) {
    std::vector<int> offsets;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            offsets.push_back(static_cast<int>(i));
        }
    }
    offsets.push_back(static_cast<int>(text.size()));
    return offsets;
}

int ByteOffset(const EspeakJob& job, int character) {
    const int last = static_cast<int>(job.byteOfCharacter.size()) - 1;
    return job.byteOfCharacter[static_cast<std::size_t>(std::clamp(character, 0, last))];
}

int OnSynthesis(short* samples, int count, espeak_EVENT* events) {
    EspeakJob* job = tJob;
    if (job == nullptr || job->stopped) {
        return 1;
    }
    std::vector<SynthesisEvent> found;
    for (const espeak_EVENT* event = events;
         event != nullptr && event->type != espeakEVENT_LIST_TERMINATED; ++event) {
        SynthesisEvent converted;
        converted.sample =
            std::llround(static_cast<double>(event->audio_position) * job->sampleRate / 1000.0);
        if (event->type == espeakEVENT_WORD && event->length > 0) {
            // Positions count characters from 1.
            const int first = event->text_position - 1;
            converted.kind = SpeechEventKind::kWordBoundary;
            converted.textPosition = ByteOffset(*job, first);
            converted.textLength = ByteOffset(*job, first + event->length) - converted.textPosition;
            found.push_back(converted);
        } else if (event->type == espeakEVENT_PHONEME) {
            const std::string_view name(event->id.string,
                                        strnlen(event->id.string, sizeof event->id.string));
            const std::optional<int> shape =
                job->mandarin ? MandarinPhonemeShape(name) : EspeakEnglishShape(name);
            if (shape) {
                converted.kind = SpeechEventKind::kViseme;
                converted.viseme = *shape;
                found.push_back(converted);
            }
        }
    }
    const std::size_t size = samples != nullptr ? static_cast<std::size_t>(std::max(count, 0)) : 0;
    if ((size > 0 || !found.empty()) &&
        !job->target->Append(job->utterance, samples, size, job->sampleRate, std::move(found))) {
        job->stopped = true;
        return 1;
    }
    return 0;
}

}  // namespace

EspeakSynthesizer::EspeakSynthesizer() {
    Library& library = TheLibrary();
    library.thread.Run([&] {
        if (!library.initialised) {
            library.sampleRate =
                espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 50, nullptr,
                                  espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
            library.initialised = true;
            espeak_SetSynthCallback(OnSynthesis);
        }
        sampleRate_ = library.sampleRate;
        if (sampleRate_ <= 0) {
            return;
        }
        // Loading a voice reads its dictionary; the Mandarin one comes last, so it stays loaded.
        for (const EspeakVoice& known : KnownVoices()) {
            if (espeak_SetVoiceByName(known.id) == EE_OK) {
                library.current = known.id;
                voices_.push_back(VoiceToken{known.name, "espeak-ng", known.id, known.attributes});
            }
        }
    });
}

int EspeakSynthesizer::SampleRate(const VoiceToken&) const {
    return sampleRate_;
}

void EspeakSynthesizer::Synthesize(const VoiceToken& voice, std::string text, int rate,
                                   std::shared_ptr<SynthesisTarget> target,
                                   std::uint64_t utterance) {
    const EspeakVoice* known = FindKnown(voice.id);
    const int sampleRate = sampleRate_;
    TheLibrary().thread.Post([known, text = std::move(text), rate, target = std::move(target),
                              utterance, sampleRate] {
        Library& library = TheLibrary();
        if (!target->Wanted(utterance)) {
            return;
        }
        if (known == nullptr || sampleRate <= 0) {
            target->Finish(utterance);
            return;
        }
        if (library.current != known->id) {
            if (espeak_SetVoiceByName(known->id) != EE_OK) {
                target->Finish(utterance);
                return;
            }
            library.current = known->id;
        }
        const std::span<const SpeedPoint> speeds =
            known->mandarin ? std::span<const SpeedPoint>(kMandarinSpeeds)
                            : std::span<const SpeedPoint>(kEnglishSpeeds);
        espeak_SetParameter(espeakRATE, WordsPerMinute(speeds, RateSpeedFactor(rate)), 0);
        EspeakJob job{target.get(), utterance, known->mandarin, sampleRate, CharacterOffsets(text)};
        tJob = &job;
        espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                     nullptr);
        tJob = nullptr;
        target->Finish(utterance);
    });
}
