#include "practice/scorer.h"

#include <pocketsphinx.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

#include "practice/flite_phones.h"

namespace {

// The recogniser's frames: 100 a second.
constexpr int kFrameMs = 10;
// The chance that a word of the line is not said. Low, so that a word said badly is still
// aligned (and scored weak) rather than skipped.
constexpr double kSkipProbability = 1e-3;

// Goodness per frame, calibrated on clean speech of the flite voices (bench/practice_bench.cpp):
// a word below kWeakBelow is weak, below kMissedBelow it was not said at all (another word, or
// mumbling); the score runs from 0 at kScoreZeroAt to 100 at kScoreFullAt.
constexpr double kWeakBelow = -6.0;
constexpr double kMissedBelow = -25.0;
constexpr double kScoreZeroAt = -25.0;
constexpr double kScoreFullAt = 0.0;

// The phones of the acoustic model, each a one-phone word of the free phone loop.
constexpr std::array<const char*, 39> kPhones = {
    "AA", "AE", "AH", "AO", "AW", "AY", "B",  "CH", "D", "DH", "EH", "ER", "EY",
    "F",  "G",  "HH", "IH", "IY", "JH", "K",  "L",  "M", "N",  "NG", "OW", "OY",
    "P",  "R",  "S",  "SH", "T",  "TH", "UH", "UW", "V", "W",  "Y",  "Z",  "ZH"};
constexpr const char* kPhoneWordPrefix = "+phone+";
constexpr const char* kLineSearch = "line";
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

    // The word in the dictionary, from flite's rules when the dictionary lacks it; false when
    // it has no pronunciation at all.
    bool Know(const std::string& word) {
        if (char* phones = ps_lookup_word(ps, word.c_str())) {
            ckd_free(phones);
            return true;
        }
        const std::string phones = FlitePhones(word);
        return !phones.empty() && ps_add_word(ps, word.c_str(), phones.c_str(), FALSE) >= 0;
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

    // Each of `keys` optional, in order; the search adds silence and noise between them.
    bool SetLineGrammar(const std::vector<const std::string*>& keys) {
        logmath_t* logMath = ps_get_logmath(ps);
        const auto states = static_cast<int32>(keys.size() + 1);
        // At the search's language weight, so that silence and noise between the words cost
        // what the recogniser means them to: cheaper, they would swallow words that were said.
        fsg_model_t* fsg = fsg_model_init(
            kLineSearch, logMath, static_cast<float32>(cmd_ln_float32_r(config, "-lw")), states);
        fsg->start_state = 0;
        fsg->final_state = states - 1;
        for (int32 state = 0; state + 1 < states; ++state) {
            const int word = fsg_model_word_add(fsg, keys[state]->c_str());
            fsg_model_trans_add(fsg, state, state + 1, 0, word);
            fsg_model_null_trans_add(fsg, state, state + 1, logmath_log(logMath, kSkipProbability));
        }
        const bool set = ps_set_fsg(ps, kLineSearch, fsg) == 0;
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
        result.words.push_back(WordScore{std::move(word)});
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
    std::vector<const std::string*> keys;
    std::vector<std::size_t> keyWords;
    for (std::size_t i = 0; i < result.words.size(); ++i) {
        if (decoder_->Know(result.words[i].word.key)) {
            keys.push_back(&result.words[i].word.key);
            keyWords.push_back(i);
        }
    }
    if (keys.empty() || !decoder_->SetLineGrammar(keys)) {
        result = LineScore{};
        return PracticeRefusal::kModelUnusable;
    }
    const std::vector<Segment> aligned = decoder_->Decode(kLineSearch, samples);
    const std::vector<Segment> phones = decoder_->Decode(kPhoneSearch, samples);

    // The grammar keeps the words in order, so each word found is the next of its spelling.
    std::size_t next = 0;
    for (const Segment& segment : aligned) {
        if (IsFiller(segment.word)) {
            continue;
        }
        while (next < keys.size() && *keys[next] != segment.word) {
            ++next;
        }
        if (next == keys.size()) {
            break;
        }
        WordScore& word = result.words[keyWords[next++]];
        const int frames = segment.last - segment.first + 1;
        word.goodness =
            (segment.acoustic - LoopScore(phones, segment.first, segment.last)) / frames;
        word.startMs = segment.first * kFrameMs;
        word.endMs = (segment.last + 1) * kFrameMs;
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
