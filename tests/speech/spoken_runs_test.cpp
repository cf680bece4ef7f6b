#include "speech/spoken_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using Runs = std::vector<std::pair<int, std::string>>;

Runs SplitAll(std::string text) {
    Runs runs;
    std::string run;
    while (!text.empty()) {
        const int kind = SplitFirstRun(text, run);
        runs.emplace_back(kind, run);
    }
    return runs;
}

template <void (*Fix)(std::string&)>
std::string Applied(std::string text) {
    Fix(text);
    return text;
}

// "我是", "第一课", "第1课", "、", "，", "（", "）"
constexpr char kWoShi[] = "\xCE\xD2\xCA\xC7";
constexpr char kDiYiKe[] = "\xB5\xDA\xD2\xBB\xBF\xCE";

TEST(SplitFirstRunTest, CutsLinesIntoRunsOfOneLanguage) {
    EXPECT_EQ(SplitAll(std::string("[ai] am ") + kWoShi),
              (Runs{{RUN_PHONETIC, "[ai]"}, {RUN_ENGLISH, " am "}, {RUN_CHINESE, kWoShi}}));
    EXPECT_EQ(SplitAll(std::string("Page 12 ") + kDiYiKe),
              (Runs{{RUN_ENGLISH, "Page 12 "}, {RUN_CHINESE, kDiYiKe}}));
    // Digits and spaces stay in a Chinese run.
    EXPECT_EQ(SplitAll("\xB5\xDA"
                       "1\xBF\xCE Lesson"),
              (Runs{{RUN_CHINESE,
                     "\xB5\xDA"
                     "1\xBF\xCE "},
                    {RUN_ENGLISH, "Lesson"}}));
}

TEST(SplitFirstRunTest, BracketsEndEnglishRunsAndOnlyALeadingOneMakesAPhoneticRun) {
    EXPECT_EQ(SplitAll("I [ai] me"),
              (Runs{{RUN_ENGLISH, "I "}, {RUN_PHONETIC, "[ai]"}, {RUN_ENGLISH, " me"}}));
    EXPECT_EQ(SplitAll("a]b"), (Runs{{RUN_ENGLISH, "a"}, {RUN_ENGLISH, "]b"}}));
    EXPECT_EQ(SplitAll("[[a]"), (Runs{{RUN_ENGLISH, "["}, {RUN_PHONETIC, "[a]"}}));
    // A high byte before the "]" ends the bracket as plain English.
    EXPECT_EQ(SplitAll(std::string("[a") + kWoShi + "]"),
              (Runs{{RUN_ENGLISH, "[a"}, {RUN_CHINESE, kWoShi}, {RUN_ENGLISH, "]"}}));
    std::string empty;
    std::string run = "stale";
    EXPECT_EQ(SplitFirstRun(empty, run), RUN_ENGLISH);
    EXPECT_EQ(run, "");
}

TEST(SplitFirstRunTest, KeepsCharactersWhoseSecondByteLooksLikeAscii) {
    // Second bytes "]", "[", "\" and "@" are valid CP936 trail bytes, not ASCII characters.
    const std::string chinese = "\xB0\x5D\x81\x5B\x81\x5C\x81\x40";
    EXPECT_EQ(SplitAll(chinese + "ok"), (Runs{{RUN_CHINESE, chinese}, {RUN_ENGLISH, "ok"}}));
    // A lead byte that ends the text, or is followed by no trail byte, is a character of its own.
    EXPECT_EQ(SplitAll("a\xB0"), (Runs{{RUN_ENGLISH, "a"}, {RUN_CHINESE, "\xB0"}}));
    EXPECT_EQ(SplitAll("\xB0\x30x"), (Runs{{RUN_CHINESE,
                                            "\xB0"
                                            "0"},
                                           {RUN_ENGLISH, "x"}}));
}

TEST(StripSpeakerPrefixTest, RemovesANameEndingInTheFirstTenBytes) {
    EXPECT_EQ(Applied<StripSpeakerPrefix>("Tom:Hello"), "Hello");
    EXPECT_EQ(Applied<StripSpeakerPrefix>(":a:b"), "a:b");
    EXPECT_EQ(Applied<StripSpeakerPrefix>("123456789:x"), "x");
    EXPECT_EQ(Applied<StripSpeakerPrefix>("1234567890:x"), "1234567890:x");
    EXPECT_EQ(Applied<StripSpeakerPrefix>("No colon"), "No colon");
    EXPECT_EQ(Applied<StripSpeakerPrefix>(""), "");
}

TEST(CleanSentenceTest, RemovesWhatIsNotSpoken) {
    EXPECT_EQ(Applied<CleanSentence>(Applied<StripSpeakerPrefix>("Tom: (Hello!)")), " Hello!");
    EXPECT_EQ(Applied<CleanSentence>("Mr. Smith."), "Mr Smith");
    EXPECT_EQ(Applied<CleanSentence>("1. Good morning"), " Good morning");
    EXPECT_EQ(Applied<CleanSentence>("\"It's\" `a`: b\\c"), "Its a b c");
    EXPECT_EQ(Applied<CleanSentence>("12.5"), "");
    // "（你）、好" becomes "你，好".
    EXPECT_EQ(Applied<CleanSentence>("\xA3\xA8\xC4\xE3\xA3\xA9\xA1\xA2\xBA\xC3"),
              "\xC4\xE3\xA3\xAC\xBA\xC3");
}

TEST(CleanQueueTest, KeepsFullStopsAndInnerEnumerationCommas) {
    EXPECT_EQ(Applied<CleanQueue>(Applied<StripSpeakerPrefix>("Tom: (Hello!)")), " Hello!");
    EXPECT_EQ(Applied<CleanQueue>("Mr. Smith."), "Mr. Smith.");
    EXPECT_EQ(Applied<CleanQueue>("1. Good morning"), ". Good morning");
    // "1、a、b": the leading "、" goes, the inner one stays.
    EXPECT_EQ(Applied<CleanQueue>("1\xA1\xA2"
                                  "a\xA1\xA2"
                                  "b"),
              "a\xA1\xA2"
              "b");
}

TEST(CleanSentenceTest, WorksOnWholeCharacters) {
    // "\" and "`" as second bytes stay; a "（" made of the tail of one character and the head of
    // the next is no "（".
    const std::string trails = "\x81\x5C\x81\x60\xB0\xA3\xA8\xA1";
    EXPECT_EQ(Applied<CleanSentence>(trails), trails);
    EXPECT_EQ(Applied<CleanQueue>(trails), trails);
    // A stray lead byte becomes "?" rather than joining "我" once the ":" between them is gone.
    EXPECT_EQ(Applied<CleanSentence>(std::string("\xB0:") + kWoShi + "\xFF"),
              std::string("?") + kWoShi + "?");
    // The euro sign 0x80 is a character of its own and stays.
    EXPECT_EQ(Applied<CleanQueue>("\x80"
                                  "5"),
              "\x80"
              "5");
}

}  // namespace
