#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "practice/line_words.h"

// Speaking practice: how well a recording of the learner says the English words of a lesson line.
//
// The recording is aligned with a grammar of the line's words, each optional, with silence and
// noise allowed between them, which gives each word found its frames; the same recording is
// decoded with a free loop of phones. A word's goodness is the difference of the two acoustic
// log-likelihoods over its frames, per frame: near zero or above when the word's own phones explain
// the sound as well as any phones do, far below when they do not.

// Recordings are 16-bit mono at this rate, the recogniser's.
inline constexpr int kScoringSampleRate = 16000;
// A recording is cut here: far beyond any line's model length x 2 + 2 s, yet it bounds the
// decoding time (about 0.1 s per second of sound on one core).
inline constexpr int kMaxRecordingSeconds = 60;
// A line with more English words is refused: no learner repeats it in one breath, and the
// alignment grows with the words.
inline constexpr std::size_t kMaxScoredWords = 40;

enum class Verdict { kGood, kWeak, kMissed };

// "good", "weak", "missed".
const char* VerdictName(Verdict verdict);

struct WordScore {
    LineWord word;
    Verdict verdict = Verdict::kMissed;
    int score = 0;     // 0 to 100
    int startMs = -1;  // where the word was found in the recording; -1 when it was not
    int endMs = -1;
    double goodness = 0;  // per frame; for calibration and tests, meaningless when missed
    // When the word was said with a slip: its sound that was missed and the one said instead (in
    // the course's phonetic spelling: "i" and "ii"; heardSound empty when it was dropped).
    std::string expectedSound;
    std::string heardSound;
};

struct LineScore {
    // False when the recording holds no speech: then there is no score, and the hint asks the
    // learner to try again.
    bool heard = false;
    int score = 0;  // 0 to 100
    std::vector<WordScore> words;
    // One short hint in Chinese (UTF-8), for the weakest word.
    std::string hint;
    // True when the recording was longer than kMaxRecordingSeconds and only its start was scored.
    bool cut = false;
};

// What Score refuses, and why.
enum class PracticeRefusal {
    kNoEnglishWords = 1,  // nothing to say on this line
    kTooManyWords,        // more than kMaxScoredWords
    kModelUnusable,       // the recogniser's model could not be loaded
};
const std::error_category& PracticeRefusalCategory();
std::error_code make_error_code(PracticeRefusal refusal);
template <>
struct std::is_error_code_enum<PracticeRefusal> : std::true_type {};

// Where the recogniser's model lies: Debian's pocketsphinx-en-us.
struct ScorerModel {
    std::string acousticModel = "/usr/share/pocketsphinx/model/en-us/en-us";
    std::string dictionary = "/usr/share/pocketsphinx/model/en-us/cmudict-en-us.dict";
};

// Thread-safe: calls are serialised. Cheap to make; the model (about 0.2 s and 30 MB) is loaded
// by Load or by the first Score, which is meant to run on a worker thread, never the GUI's.
class PronunciationScorer {
  public:
    explicit PronunciationScorer(ScorerModel model = {});
    ~PronunciationScorer();
    PronunciationScorer(const PronunciationScorer&) = delete;
    PronunciationScorer& operator=(const PronunciationScorer&) = delete;

    // Loads the model now, if not yet loaded. A model that failed to load is not tried again.
    std::error_code Load();

    // Scores `samples` (kScoringSampleRate, mono) against the English words of `utf8Line` (see
    // ExtractLineWords). Refusals (PracticeRefusal) leave `result` empty.
    std::error_code Score(std::string_view utf8Line, std::span<const std::int16_t> samples,
                          LineScore& result);

  private:
    struct Decoder;
    std::error_code LoadLocked();

    std::mutex mutex_;
    const ScorerModel model_;
    std::unique_ptr<Decoder> decoder_;
    std::error_code loadError_;
};

// Whether `samples` hold speech at all: some tenths of a second well above the recording's own
// floor and above a quiet room.
bool HoldsSpeech(std::span<const std::int16_t> samples);
