// The scorer on recordings that the tutor's English voice made (quorvan-say -o): the line said
// well, with "morning" replaced by "evening", with "you" left out, and a line of thanks said well
// and with two slips.

#include "practice/scorer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/files/files.h"
#include "practice/flite_phones.h"
#include "speech/engines/sound_file.h"

namespace {

constexpr const char* kLine = "Tom: Good morning. How are you today? 早上好。你今天好吗？";

std::vector<std::int16_t> Recording(const std::string& name) {
    UniqueFd file;
    const std::string path = std::string(QUORVAN_PRACTICE_DATA) + "/" + name;
    EXPECT_FALSE(OpenRegularFile(path, file)) << path;
    std::string reason;
    const std::unique_ptr<SoundReader> reader = SoundReader::Open(std::move(file), reason);
    EXPECT_TRUE(reader) << reason;
    EXPECT_EQ(reader->SampleRate(), kScoringSampleRate);
    std::vector<std::int16_t> samples, block;
    while (reader->ReadBlock(block)) {
        samples.insert(samples.end(), block.begin(), block.end());
    }
    return samples;
}

// One scorer for all tests, as the tutor keeps one: the model loads once.
PronunciationScorer& Scorer() {
    static PronunciationScorer scorer;
    return scorer;
}

LineScore Scored(const std::vector<std::int16_t>& samples, const std::string& line = kLine) {
    LineScore result;
    EXPECT_FALSE(Scorer().Score(line, samples, result));
    return result;
}

const WordScore& Word(const LineScore& result, const std::string& text) {
    const auto found = std::find_if(result.words.begin(), result.words.end(),
                                    [&](const WordScore& word) { return word.word.text == text; });
    EXPECT_NE(found, result.words.end()) << text;
    return *found;
}

bool IsLowest(const LineScore& result, const WordScore& word) {
    return std::all_of(result.words.begin(), result.words.end(),
                       [&](const WordScore& other) { return other.score >= word.score; });
}

}  // namespace

TEST(Scorer, FindsEveryWordOfTheLineSaidWellInOrder) {
    const LineScore result = Scored(Recording("clean.wav"));
    ASSERT_TRUE(result.heard);
    ASSERT_EQ(result.words.size(), 6U);
    int end = 0;
    for (const WordScore& word : result.words) {
        EXPECT_EQ(word.verdict, Verdict::kGood) << word.word.text << " " << word.goodness;
        EXPECT_GE(word.startMs, end) << word.word.text;
        EXPECT_GT(word.endMs, word.startMs) << word.word.text;
        end = word.endMs;
    }
    EXPECT_GE(result.score, 80);
    EXPECT_EQ(result.hint, "说得很好！");
}

TEST(Scorer, FlagsAReplacedWordLowestAndHintsAtIt) {
    const LineScore result = Scored(Recording("replaced.wav"));
    const WordScore& morning = Word(result, "morning");
    EXPECT_NE(morning.verdict, Verdict::kGood);
    EXPECT_TRUE(IsLowest(result, morning));
    EXPECT_NE(result.hint.find("morning"), std::string::npos) << result.hint;
    EXPECT_EQ(Word(result, "today").verdict, Verdict::kGood);
}

TEST(Scorer, MarksALeftOutWordMissedWithoutTimes) {
    const LineScore result = Scored(Recording("omitted.wav"));
    const WordScore& you = Word(result, "you");
    EXPECT_EQ(you.verdict, Verdict::kMissed);
    EXPECT_EQ(you.startMs, -1);
    EXPECT_EQ(Word(result, "today").verdict, Verdict::kGood);
    EXPECT_LT(result.score, Scored(Recording("clean.wav")).score);
}

TEST(Scorer, GivesSilenceNoScoreButAHint) {
    const LineScore result = Scored(std::vector<std::int16_t>(2 * kScoringSampleRate, 3));
    EXPECT_FALSE(result.heard);
    EXPECT_EQ(result.hint, "没有听到你的声音，请再试一次。");
    EXPECT_EQ(result.words.size(), 6U);
}

TEST(Scorer, ScoresOnlyTheStartOfATenMinuteRecording) {
    std::vector<std::int16_t> samples = Recording("clean.wav");
    samples.resize(std::size_t{600} * kScoringSampleRate, 0);
    const LineScore result = Scored(samples);
    EXPECT_TRUE(result.cut);
    EXPECT_EQ(Word(result, "today").verdict, Verdict::kGood);
}

TEST(Scorer, RefusesLinesWithoutWordsOrWithTooManyAndAMissingModel) {
    const std::vector<std::int16_t> samples = Recording("clean.wav");
    LineScore result;
    EXPECT_EQ(Scorer().Score("你好！[ai]", samples, result), PracticeRefusal::kNoEnglishWords);
    std::string longLine;
    for (int i = 0; i < 500; ++i) {
        longLine += "word ";
    }
    EXPECT_EQ(Scorer().Score(longLine, samples, result), PracticeRefusal::kTooManyWords);
    EXPECT_TRUE(result.words.empty());

    PronunciationScorer missing(ScorerModel{"/nonexistent/model", "/nonexistent/dict"});
    EXPECT_TRUE(missing.Score("Good morning", samples, result));
}

TEST(Scorer, PronouncesWordsTheDictionaryLacksWithFlitesRules) {
    EXPECT_EQ(FlitePhones("quorvan"), "K W AO ER V AH N");
    EXPECT_EQ(FlitePhones("'"), "");
    // A name the dictionary lacks is aligned, not refused.
    const LineScore result =
        Scored(Recording("clean.wav"), "Good morning, Quorvan. How are you today?");
    EXPECT_EQ(Word(result, "today").verdict, Verdict::kGood);
}

TEST(Scorer, NamesTheSoundOfASlipAndTheSoundSaidInstead) {
    constexpr const char* kThanks = "Tom: Thank you. This is very good. 谢谢。";
    for (const WordScore& word : Scored(Recording("thanks.wav"), kThanks).words) {
        EXPECT_EQ(word.verdict, Verdict::kGood) << word.word.text << " said as " << word.heardSound;
    }
    // "Sank you. This is berry good."
    const LineScore result = Scored(Recording("slips.wav"), kThanks);
    const WordScore& thank = Word(result, "Thank");
    EXPECT_EQ(thank.verdict, Verdict::kWeak);
    EXPECT_EQ(thank.expectedSound, "th");
    EXPECT_EQ(thank.heardSound, "s");
    const WordScore& very = Word(result, "very");
    EXPECT_EQ(very.verdict, Verdict::kWeak);
    EXPECT_EQ(very.expectedSound, "v");
    EXPECT_EQ(very.heardSound, "b");
    EXPECT_EQ(Word(result, "good").verdict, Verdict::kGood);
    EXPECT_NE(result.hint.find("别说成"), std::string::npos) << result.hint;
}
