#include "practice/scorer.h"

#include <pocketsphinx.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "practice/flite_phones.h"
#include "practice/slips.h"

namespace {

// The recogniser's frames: 100 a second.
constexpr int kFrameMs = 10;
// The chance that a word of the line is not said. Low, so that a word said badly is still
// aligned (and scored weak) rather than skipped.
constexpr double kSkipProbability = 1e-3;
// The chance of each slip of a word (practice/slips.h), and of each sound of something else said
// in a word's place: low, so that a word said well is hardly ever taken for either, yet a slip
// or another word that sounds plainly so is. Both were chosen on the calibrating half of
// bench/practice_bench.cpp's lines, for at most about 3% false alarms on clean speech.
constexpr double kSlipProbability = 1e-8;
constexpr double kOtherProbability = 1e-12;

// Goodness per frame, calibrated on clean speech of the flite voices (bench/practice_bench.cpp):
// a word below kWeakBelow is weak, below kMissedBelow it was not said at all (another word, or
// mumbling); the score runs from 0 at kScoreZeroAt to 100 at kScoreFullAt. Slips and other
// words are found by the search itself, so the weak threshold only catches a word said poorly
// throughout.
constexpr double kWeakBelow = -15.0;
constexpr double kMissedBelow = -25.0;
constexpr double kScoreZeroAt = -40.0;
constexpr double kScoreFullAt = 0.0;
// A word said with a slip scores at most this: weak, however clearly the slip was said.
constexpr int kSlipScore = 50;

// The phones of the acoustic model, each a one-phone word of the free phone loop.
constexpr std::array<const char*, 39> kPhones = {
    "AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D", "DH", "EH", "ER", "EY",
    "F",  "G",  "HH", "IH", "IY", "JH", "K",  "L",  "M", "N",  "NG", "OW", "OY",
    "P",  "R",  "S",  "SH", "T",  "TH", "UH", "UW", "V", "W",  "Y",  "Z",  "ZH"};
constexpr const char* kPhoneWordPrefix = "+phone+";
constexpr const char* kLineSearch = "line";
constexpr const char* kSlipSearch = "slips";
constexpr const char* kPhoneSearch = "phones";

class PracticeRefusalCategoryImpl final : public std::error_category {
  public:
    const char* name() const noexcept override { return "practice"; }
    std::string message(int value) const override {
        switch (static_cast<PracticeRefusal>(value)) {
            case PracticeRefusal::kNoEnglishWords:
                return "the line has no English words";
            case PracticeRefusal::kTooManyWords:
                return "the line has more than " + std::to_string(kMaxScoredWords) +
                       " English words, too many to say in one go";
            case PracticeRefusal::kModelUnusable:
                return "the speech recogniser's model cannot be loaded";
        }
        return "unknown refusal";
    }
};

struct Segment {
    std::string word;
    int first = 0;  // frames, both included
    int last = 0;
    double acoustic = 0;
};

// A word of the line as the grammar offers it.
struct LineSlot {
    std::size_t word = 0;  // in LineScore::words
    const std::string* key = nullptr;
    std::vector<Slip> slips;
};

// The dictionary's name of a word's slip: the same word and number always name the same phones.
std::string SlipName(const std::string& word, std::size_t slip) {
    return word + "~" + std::to_string(slip);
}

bool IsOtherSound(const std::string& word) {
    return word.starts_with(kPhoneWordPrefix);
}

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// "good(2)" is the dictionary's second pronunciation of "good".
std::string BaseWord(const char* word) {
    std::string base = word;
    if (const std::size_t paren = base.find('('); paren != std::string::npos) {
        base.erase(paren);
    }
    return base;
}

bool IsFiller(const std::string& word) {
    return word.empty() || word.front() == '<' || word.front() == '[';
}

// The acoustic score of the phone loop over the frames [first, last]: each phone counts in
// proportion to the frames it shares with them.
double LoopScore(const std::vector<Segment>& phones, int first, int last) {
    double total = 0;
    for (const Segment& phone : phones) {
        const int from = std::max(phone.first, first);
        const int to = std::min(phone.last, last);
        if (to >= from) {
            total += phone.acoustic * (to - from + 1) / (phone.last - phone.first + 1);
        }
    }
    return total;
}

// What a search found in the place of one word of the line.
struct Found {
    enum Kind { kNone, kSaid, kSlip, kOther } kind = kNone;
    std::size_t slip = 0;  // when kSlip
    int first = 0;         // frames, both included
    int last = 0;
    double acoustic = 0;
};

// The grammar keeps the words in order, so each word found is the next of its spelling, and
// other sounds belong to the first word not found before the next word found.
std::vector<Found> FollowSlots(const std::vector<Segment>& segments,
                               const std::vector<LineSlot>& slots) {
    std::vector<Found> found(slots.size());
    std::size_t next = 0;
    Found other{Found::kNone};
    const auto placeOther = [&](std::size_t before) {
        if (other.kind == Found::kOther && next < before) {
            found[next] = other;
        }
        other = Found{Found::kNone};
    };
    for (const Segment& segment : segments) {
        if (IsFiller(segment.word)) {
            continue;
        }
        if (IsOtherSound(segment.word)) {
            other.first = other.kind == Found::kOther ? other.first : segment.first;
            other.kind = Found::kOther;
            other.last = segment.last;
            continue;
        }
        const std::size_t tilde = segment.word.find('~');
        const std::string_view base = std::string_view(segment.word).substr(0, tilde);
        std::size_t at = next;
        while (at < slots.size() && *slots[at].key != base) {
            ++at;
        }
        if (at == slots.size()) {
            break;
        }
        placeOther(at);
        Found& place = found[at];
        place.kind = tilde == std::string::npos ? Found::kSaid : Found::kSlip;
        place.slip = place.kind == Found::kSlip ? std::stoul(segment.word.substr(tilde + 1)) : 0;
        place.first = segment.first;
        place.last = segment.last;
        place.acoustic = segment.acoustic;
        next = at + 1;
    }
    placeOther(slots.size());
    return found;
}

int WordScoreOf(double goodness) {
    const double share = (goodness - kScoreZeroAt) / (kScoreFullAt - kScoreZeroAt);
    return static_cast<int>(std::lround(100 * std::clamp(share, 0.0, 1.0)));
}

std::string HintFor(const std::vector<WordScore>& words) {
    const auto weakest =
        std::min_element(words.begin(), words.end(), [](const WordScore& a, const WordScore& b) {
            return std::pair(a.verdict != Verdict::kMissed, a.score) <
                   std::pair(b.verdict != Verdict::kMissed, b.score);
        });
    if (weakest == words.end() || weakest->verdict == Verdict::kGood) {
        return "说得很好！";
    }
    if (weakest->verdict == Verdict::kMissed) {
        return "没有听到 " + weakest->word.text + "，再说一遍。";
    }
    if (!weakest->expectedSound.empty() && weakest->heardSound.empty()) {
        return "别丢掉 " + weakest->word.text + " 结尾的 [" + weakest->expectedSound + "]。";
    }
    if (!weakest->expectedSound.empty()) {
        return "再练一下 " + weakest->word.text + " 里的 [" + weakest->expectedSound +
               "]，别说成 [" + weakest->heardSound + "]。";
    }
    return "再练一下 " + weakest->word.text + " 的发音。";
}

}  // namespace

const std::error_category& PracticeRefusalCategory() {
    static const PracticeRefusalCategoryImpl kCategory;
    return kCategory;
}

std::error_code make_error_code(PracticeRefusal refusal) {
    return {static_cast<int>(refusal), PracticeRefusalCategory()};
}

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
        case Verdict::kGood:
            return "good";
        case Verdict::kWeak:
            return "weak";
        case Verdict::kMissed:
            break;
    }
    return "missed";
}

bool HoldsSpeech(std::span<const std::int16_t> samples) {
    constexpr std::size_t kFrame = kScoringSampleRate / 100;
    // A quiet room records well under this (about -50 dBFS); speech at a normal distance is far
    // above it.
    constexpr double kQuietRoom = 100;
    constexpr std::size_t kSpeechFrames = 15;
    std::vector<double> levels;
    for (std::size_t at = 0; at + kFrame <= samples.size(); at += kFrame) {
        double energy = 0;
        for (std::size_t i = at; i < at + kFrame; ++i) {
            energy += static_cast<double>(samples[i]) * samples[i];
        }
        levels.push_back(std::sqrt(energy / kFrame));
    }
    if (levels.size() < kSpeechFrames) {
        return false;
    }
    std::vector<double> sorted = levels;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 10, sorted.end());
    const double floor = sorted[sorted.size() / 10];
    const double threshold = std::max(kQuietRoom, 4 * floor);
    const auto loud = static_cast<std::size_t>(std::count_if(
        levels.begin(), levels.end(), [&](double level) { return level > threshold; }));
    return loud >= kSpeechFrames;
}

struct PronunciationScorer::Decoder {
    cmd_ln_t* config = nullptr;
    ps_decoder_t* ps = nullptr;

    ~Decoder() {
        if (ps != nullptr) {
            ps_free(ps);
        }
        if (config != nullptr) {
            cmd_ln_free_r(config);
        }
    }

    // The word's pronunciation: the dictionary's, or from flite's rules when the dictionary lacks
    // it; empty when it has none at all.
    std::string Know(const std::string& word) {
        if (char* phones = ps_lookup_word(ps, word.c_str())) {
            std::string known = phones;
            ckd_free(phones);
            return known;
        }
        std::string phones = FlitePhones(word);
        if (phones.empty() || ps_add_word(ps, word.c_str(), phones.c_str(), FALSE) < 0) {
            return {};
        }
        return phones;
    }

    // The slips of a word's pronunciations, each a word of the dictionary ("ship~0") that the
    // line's grammar offers beside the word. A slip that is one of the word's own pronunciations
    // is none.
    std::vector<Slip> KnowSlips(const std::string& word, const std::string& phones) {
        std::vector<std::string> own = {phones};
        for (int alternative = 2;; ++alternative) {
            const std::string name = word + "(" + std::to_string(alternative) + ")";
            char* other = ps_lookup_word(ps, name.c_str());
            if (other == nullptr) {
                break;
            }
            own.emplace_back(other);
            ckd_free(other);
        }
        std::vector<Slip> slips;
        for (const std::string& pronunciation : own) {
            for (Slip& slip : SlipsOf(pronunciation)) {
                const auto same = [&](const Slip& known) { return known.phones == slip.phones; };
                if (std::find(own.begin(), own.end(), slip.phones) != own.end() ||
                    std::any_of(slips.begin(), slips.end(), same)) {
                    continue;
                }
                const std::string name = SlipName(word, slips.size());
                char* known = ps_lookup_word(ps, name.c_str());
                const bool added = known != nullptr;
                ckd_free(known);
                if (!added && ps_add_word(ps, name.c_str(), slip.phones.c_str(), FALSE) < 0) {
                    return slips;
                }
                slips.push_back(std::move(slip));
            }
        }
        return slips;
    }

    std::vector<Segment> Decode(const char* search, std::span<const std::int16_t> samples) {
        std::vector<Segment> segments;
        if (ps_set_search(ps, search) < 0 || ps_start_utt(ps) < 0) {
            return segments;
        }
        ps_process_raw(ps, samples.data(), samples.size(), FALSE, TRUE);
        ps_end_utt(ps);
        for (ps_seg_t* seg = ps_seg_iter(ps); seg != nullptr; seg = ps_seg_next(seg)) {
            Segment segment;
            ps_seg_frames(seg, &segment.first, &segment.last);
            const char* word = ps_seg_word(seg);
            if (word == nullptr || segment.last < segment.first) {
                continue;
            }
            int32 acoustic = 0, language = 0, backoff = 0;
            ps_seg_prob(seg, &acoustic, &language, &backoff);
            segment.word = BaseWord(word);
            segment.acoustic = acoustic;
            segments.push_back(std::move(segment));
        }
        return segments;
    }

    // The line's words in order, each said, said with one of its slips, replaced by other sounds
    // (any phones) or left out; the search adds silence and noise between them.
    bool SetLineGrammar(const char* search, const std::vector<LineSlot>& slots, bool withSlips) {
        logmath_t* logMath = ps_get_logmath(ps);
        const auto words = static_cast<int32>(slots.size());
        // State i lies before word i; state words + 1 + i inside sounds said in word i's place.
        const int32 states = withSlips ? 2 * words + 1 : words + 1;
        // At the search's language weight, so that silence and noise between the words cost
        // what the recogniser means them to: cheaper, they would swallow words that were said.
        fsg_model_t* fsg = fsg_model_init(
            search, logMath, static_cast<float32>(cmd_ln_float32_r(config, "-lw")), states);
        fsg->start_state = 0;
        fsg->final_state = words;
        const int32 slipScore = logmath_log(logMath, kSlipProbability);
        const int32 otherScore = logmath_log(logMath, kOtherProbability);
        std::vector<int32> phoneWords;
        if (withSlips) {
            for (const char* phone : kPhones) {
                phoneWords.push_back(
                    fsg_model_word_add(fsg, (std::string(kPhoneWordPrefix) + phone).c_str()));
            }
        }
        for (int32 state = 0; state < words; ++state) {
            const LineSlot& slot = slots[state];
            fsg_model_trans_add(fsg, state, state + 1, 0,
                                fsg_model_word_add(fsg, slot.key->c_str()));
            fsg_model_null_trans_add(fsg, state, state + 1, logmath_log(logMath, kSkipProbability));
            if (!withSlips) {
                continue;
            }
            for (std::size_t i = 0; i < slot.slips.size(); ++i) {
                fsg_model_trans_add(fsg, state, state + 1, slipScore,
                                    fsg_model_word_add(fsg, SlipName(*slot.key, i).c_str()));
            }
            const int32 other = words + 1 + state;
            for (const int32 phone : phoneWords) {
                fsg_model_trans_add(fsg, state, other, otherScore, phone);
                fsg_model_trans_add(fsg, other, other, otherScore, phone);
            }
            fsg_model_null_trans_add(fsg, other, state + 1, 0);
        }
        const bool set = ps_set_fsg(ps, search, fsg) == 0;
        fsg_model_free(fsg);
        return set;
    }

    bool SetPhoneLoop() {
        fsg_model_t* fsg = fsg_model_init(kPhoneSearch, ps_get_logmath(ps), 1.0F, 1);
        fsg->start_state = 0;
        fsg->final_state = 0;
        for (const char* phone : kPhones) {
            const std::string word = std::string(kPhoneWordPrefix) + phone;
            if (ps_add_word(ps, word.c_str(), phone, FALSE) < 0) {
                fsg_model_free(fsg);
                return false;
            }
            fsg_model_trans_add(fsg, 0, 0, 0, fsg_model_word_add(fsg, word.c_str()));
        }
        const bool set = ps_set_fsg(ps, kPhoneSearch, fsg) == 0;
        fsg_model_free(fsg);
        return set;
    }
};

PronunciationScorer::PronunciationScorer(ScorerModel model) : model_(std::move(model)) {}

PronunciationScorer::~PronunciationScorer() = default;

std::error_code PronunciationScorer::Load() {
    const std::lock_guard lock(mutex_);
    return LoadLocked();
}

std::error_code PronunciationScorer::LoadLocked() {
    if (decoder_ || loadError_) {
        return loadError_;
    }
    // The recogniser aborts on some missing files rather than failing.
    for (const std::string& path : {model_.acousticModel + "/mdef", model_.dictionary}) {
        if (!Exists(path)) {
            loadError_ = std::error_code(errno, std::generic_category());
            return loadError_;
        }
    }
    auto decoder = std::make_unique<Decoder>();
    // Frames must keep their times (no silence removal), and the recogniser's log is of no use
    // to a learner.
    decoder->config = cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", model_.acousticModel.c_str(),
                                  "-dict", model_.dictionary.c_str(), "-remove_silence", "no",
                                  "-bestpath", "no", "-logfn", "/dev/null", nullptr);
    if (decoder->config != nullptr) {
        decoder->ps = ps_init(decoder->config);
    }
    if (decoder->ps == nullptr || !decoder->SetPhoneLoop()) {
        loadError_ = PracticeRefusal::kModelUnusable;
        return loadError_;
    }
    decoder_ = std::move(decoder);
    return {};
}

std::error_code PronunciationScorer::Score(std::string_view utf8Line,
                                           std::span<const std::int16_t> samples,
                                           LineScore& result) {
    result = LineScore{};
    std::vector<LineWord> words = ExtractLineWords(utf8Line);
    if (words.empty()) {
        return PracticeRefusal::kNoEnglishWords;
    }
    if (words.size() > kMaxScoredWords) {
        return PracticeRefusal::kTooManyWords;
    }
    constexpr std::size_t kMaxSamples = std::size_t{kMaxRecordingSeconds} * kScoringSampleRate;
    if (samples.size() > kMaxSamples) {
        samples = samples.first(kMaxSamples);
        result.cut = true;
    }
    for (LineWord& word : words) {
        result.words.emplace_back().word = std::move(word);
    }
    if (!HoldsSpeech(samples)) {
        result.hint = "没有听到你的声音，请再试一次。";
        return {};
    }
    result.heard = true;

    const std::lock_guard lock(mutex_);
    if (const std::error_code error = LoadLocked()) {
        result = LineScore{};
        return error;
    }
    // Words without any pronunciation (none: every word has letters) stay missed.
    std::vector<LineSlot> slots;
    for (std::size_t i = 0; i < result.words.size(); ++i) {
        const std::string& key = result.words[i].word.key;
        if (const std::string phones = decoder_->Know(key); !phones.empty()) {
            slots.push_back(LineSlot{i, &key, decoder_->KnowSlips(key, phones)});
        }
    }
    if (slots.empty() || !decoder_->SetLineGrammar(kLineSearch, slots, false) ||
        !decoder_->SetLineGrammar(kSlipSearch, slots, true)) {
        result = LineScore{};
        return PracticeRefusal::kModelUnusable;
    }
    // The plain alignment places and scores the words; offered slips and other sounds as well, the
    // search tells which of them the learner said instead. (Offered them, the words' own acoustic
    // scores come out lower: goodness is measured without.)
    const std::vector<Found> aligned = FollowSlots(decoder_->Decode(kLineSearch, samples), slots);
    const std::vector<Found> judged = FollowSlots(decoder_->Decode(kSlipSearch, samples), slots);
    const std::vector<Segment> phones = decoder_->Decode(kPhoneSearch, samples);
    for (std::size_t i = 0; i < slots.size(); ++i) {
        WordScore& word = result.words[slots[i].word];
        const bool plain = judged[i].kind == Found::kSaid && aligned[i].kind == Found::kSaid;
        const Found& place = plain ? aligned[i] : judged[i];
        if (place.kind == Found::kNone) {
            continue;
        }
        word.startMs = place.first * kFrameMs;
        word.endMs = (place.last + 1) * kFrameMs;
        if (place.kind == Found::kOther) {
            continue;
        }
        const int frames = place.last - place.first + 1;
        word.goodness = (place.acoustic - LoopScore(phones, place.first, place.last)) / frames;
        if (place.kind == Found::kSlip) {
            const Slip& slip = slots[i].slips[place.slip];
            word.expectedSound = CourseSpelling(slip.expected);
            word.heardSound = slip.heard.empty() ? std::string() : CourseSpelling(slip.heard);
            word.verdict = Verdict::kWeak;
            word.score = std::min(WordScoreOf(word.goodness), kSlipScore);
            continue;
        }
        word.verdict = word.goodness < kMissedBelow ? Verdict::kMissed
                       : word.goodness < kWeakBelow ? Verdict::kWeak
                                                    : Verdict::kGood;
        word.score = word.verdict == Verdict::kMissed ? 0 : WordScoreOf(word.goodness);
    }
    int total = 0;
    for (const WordScore& word : result.words) {
        total += word.score;
    }
    result.score = static_cast<int>(
        std::lround(static_cast<double>(total) / static_cast<double>(result.words.size())));
    result.hint = HintFor(result.words);
    return {};
}
