#include "practice/line_words.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const std::vector<LineWord>& words) {
    std::vector<std::string> texts;
    for (const LineWord& word : words) {
        texts.push_back(word.text);
    }
    return texts;
}

// Each word's offset and length point at the word in the line as given.
void ExpectPlaced(const std::string& line, const std::vector<LineWord>& words) {
    for (const LineWord& word : words) {
        EXPECT_EQ(line.substr(word.offset, word.length), word.text);
    }
}

}  // namespace

TEST(LineWords, LeaveOutTheSpeakerChineseAndPhoneticBrackets) {
    const std::string dialogue = "Tom: Hello, Lily! 你好，莉莉！";
    const std::vector<LineWord> words = ExtractLineWords(dialogue);
    EXPECT_EQ(Texts(words), (std::vector<std::string>{"Hello", "Lily"}));
    EXPECT_EQ(words[1].key, "lily");
    ExpectPlaced(dialogue, words);

    const std::string entry = "hello [huh'lou] 你好 thank you ['thaengk yuu]";
    EXPECT_EQ(Texts(ExtractLineWords(entry)), (std::vector<std::string>{"hello", "thank", "you"}));
    ExpectPlaced(entry, ExtractLineWords(entry));
}

TEST(LineWords, PlaceWordsAfterChineseByTheirBytesInUtf8) {
    const std::string hint = "小提示：Hi 比 Hello 更随便，T-shirt 12 I'm";
    const std::vector<LineWord> words = ExtractLineWords(hint);
    EXPECT_EQ(Texts(words), (std::vector<std::string>{"Hi", "Hello", "T", "shirt", "I'm"}));
    ExpectPlaced(hint, words);
    EXPECT_TRUE(ExtractLineWords("你好！12 [ai]").empty());
}
