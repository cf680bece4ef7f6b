#include "speech/speakable_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Repeated(const std::string& piece, std::size_t times) {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

std::vector<std::string> Tokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = std::min(text.find(' ', from), text.size());
        tokens.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return tokens;
}

TEST(SpeakableText, LeavesOrdinaryTextAsItIs) {
    for (const char* text :
         {"Good morning, Tom. How are you?", "I don't know: 3.14, 1,000 or 10:30",
          "\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x8C\xE8\x8E\x89\xE8\x8E\x89\xEF\xBC\x81",
          "(Hello) [ai] e-mail U.S.A."}) {
        EXPECT_EQ(SpeakableText(text), text);
    }
}

TEST(SpeakableText, KeepsTheStrongestMarkOfARun) {
    EXPECT_EQ(SpeakableText("Hello " + Repeated("[]", 800)), "Hello [");
    EXPECT_EQ(SpeakableText("Wait?!... Tom"), "Wait? Tom");
    EXPECT_EQ(SpeakableText("one, (two) - three"), "one, (two) - three");
    EXPECT_EQ(SpeakableText("one ,; [ ] two"), "one , two");
    EXPECT_EQ(SpeakableText("Hi)))." + Repeated("#", 300) + "Tom"), "Hi.Tom");
    // "你好！！！【】" keeps "！".
    EXPECT_EQ(SpeakableText("\xE4\xBD\xA0\xE5\xA5\xBD" + Repeated("\xEF\xBC\x81", 3) +
                            "\xE3\x80\x90\xE3\x80\x91"),
              "\xE4\xBD\xA0\xE5\xA5\xBD\xEF\xBC\x81");
}

TEST(SpeakableText, TurnsControlsAndBrokenBytesIntoSingleSpaces) {
    EXPECT_EQ(SpeakableText("\t a\t\tb\r\n\x01\x7F"
                            "c\xFF"
                            "d\xE4\xBD"
                            "e\xC0\xAF"
                            "f  "),
              " a b c d e f ");
    // UTF-8 surrogates and overlong forms are no characters either.
    EXPECT_EQ(SpeakableText("a\xED\xA0\x80z\xE0\x80\xAFz"), "a z z");
}

TEST(SpeakableText, ReadsLatinAndChineseOnly) {
    // "café 你好" stays; U+0BFE (Tamil), "α" and "😀" go.
    EXPECT_EQ(SpeakableText("caf\xC3\xA9 \xE4\xBD\xA0\xE5\xA5\xBD"),
              "caf\xC3\xA9 \xE4\xBD\xA0\xE5\xA5\xBD");
    EXPECT_EQ(SpeakableText("a\xE0\xAF\xBE"
                            "b \xCE\xB1 \xF0\x9F\x98\x80 c"),
              "a b c");
}

TEST(SpeakableText, SaysNothingForMarksAlone) {
    EXPECT_EQ(SpeakableText(""), "");
    EXPECT_EQ(SpeakableText(Repeated("[]", 50000)), "");
    EXPECT_EQ(SpeakableText(" ... ?! \x01 \xE3\x80\x90\xE3\x80\x91 "), "");
}

TEST(SpeakableText, CutsLongTokensOnCharacterBoundaries) {
    const std::string letters = SpeakableText(Repeated("a", 200));
    EXPECT_EQ(Tokens(letters), (std::vector<std::string>{Repeated("a", 64), Repeated("a", 64),
                                                         Repeated("a", 64), Repeated("a", 8)}));
    // 30 three-byte characters: 21 of them make 63 bytes, and the 22nd would pass 64.
    const std::string chinese = SpeakableText(Repeated("\xE4\xBD\xA0", 30));
    EXPECT_EQ(Tokens(chinese), (std::vector<std::string>{Repeated("\xE4\xBD\xA0", 21),
                                                         Repeated("\xE4\xBD\xA0", 9)}));
    // The "'s" endings that espeak-ng stacks past its buffer come apart.
    for (const std::string& token : Tokens(SpeakableText(Repeated("s'", 220)))) {
        EXPECT_LE(token.size(), kMaxTokenBytes);
    }
    EXPECT_EQ(SpeakableText(letters), letters);
}

TEST(SplitUtterances, CutsAtTheStrongestBoundaryThatFits) {
    const std::string text = Repeated("Good morning, Tom. ", 19) + "Good morning, Tom.";
    const std::vector<std::string> utterances = SplitUtterances(text);
    std::string joined;
    for (const std::string& utterance : utterances) {
        EXPECT_LE(utterance.size(), kMaxUtteranceBytes);
        EXPECT_TRUE(utterance.ends_with("Tom.")) << utterance;
        joined += (joined.empty() ? "" : " ") + utterance;
    }
    EXPECT_EQ(joined, text);
    // Without a sentence end, after a clause mark; "1,000" and "3.14" are no boundaries.
    const std::string clause = "one 1,000 and 3.14 two, ";
    const std::vector<std::string> clauses =
        SplitUtterances(Repeated(clause, 2 * kMaxUtteranceBytes / clause.size()));
    ASSERT_EQ(clauses.size(), 2u);
    EXPECT_TRUE(clauses[0].ends_with("two,")) << clauses[0];
    // Without either, at a space; Chinese marks need none after them.
    const std::size_t words = kMaxUtteranceBytes / 5;
    EXPECT_EQ(SplitUtterances(Repeated("word ", 2 * words))[0],
              Repeated("word ", words - 1) + "word");
    const std::string stop = "\xE5\xA5\xBD\xE3\x80\x82";  // "好。"
    const std::vector<std::string> chinese =
        SplitUtterances(Repeated(stop, kMaxUtteranceBytes / stop.size() + 1));
    ASSERT_EQ(chinese.size(), 2u);
    EXPECT_EQ(chinese[0], Repeated(stop, kMaxUtteranceBytes / stop.size()));
}

TEST(SplitUtterances, DropsAPieceThatSaysNothing) {
    const std::size_t words = kMaxUtteranceBytes / 5;
    EXPECT_EQ(SplitUtterances(Repeated("abcd ", words - 1) + "abcd ?"),
              std::vector<std::string>{Repeated("abcd ", words - 1) + "abcd"});
    EXPECT_EQ(SplitUtterances(""), std::vector<std::string>{});
}

// Lines in the program's code page, CP936: "你好" is C4E3 BAC3.
TEST(PrepareSpokenLine, TurnsRunsThatSayNothingIntoSpaces) {
    std::string line =
        "Hello " + Repeated("[]", 800) + "\xC4\xE3[ ]\xBA\xC3 [ai] " + Repeated("]", 3000);
    ASSERT_TRUE(PrepareSpokenLine(line));
    EXPECT_EQ(line,
              "Hello " + Repeated(" ", 800) + "\xC4\xE3 \xBA\xC3 [ai] " + Repeated(" ", 3000));
}

TEST(PrepareSpokenLine, RefusesALineThatSaysTooMuch) {
    std::string sounds = Repeated("[ai] ", kMaxPhoneticPieces);
    EXPECT_TRUE(PrepareSpokenLine(sounds));
    sounds += "[ai]";
    EXPECT_FALSE(PrepareSpokenLine(sounds));
    std::string words = Repeated("Good morning. ", kMaxSpokenBytes / 14);
    EXPECT_TRUE(PrepareSpokenLine(words));
    words += Repeated("\xC4\xE3", 10) + "Tom";
    EXPECT_FALSE(PrepareSpokenLine(words));
}

}  // namespace
