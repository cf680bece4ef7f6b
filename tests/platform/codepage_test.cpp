#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "中文" in the three encodings.
const std::string kZhongwenCp936 = "\xD6\xD0\xCE\xC4";
const std::string kZhongwenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
const std::u16string kZhongwenUtf16 = u"\u4E2D\u6587";

const std::string kReplacementUtf8 = "\xEF\xBF\xBD";

TEST(CodepageTest, EmptyAndAsciiPassUnchanged) {
    EXPECT_EQ(Cp936ToUtf8(""), "");
    EXPECT_EQ(Utf8ToCp936(""), "");
    EXPECT_EQ(Cp936ToUtf16(""), u"");
    EXPECT_EQ(Utf16ToCp936(u""), "");

    std::string ascii;
    for (int c = 0; c < 0x80; ++c) {
        ascii.push_back(static_cast<char>(c));
    }
    const std::u16string ascii16(ascii.begin(), ascii.end());
    EXPECT_EQ(Cp936ToUtf8(ascii), ascii);
    EXPECT_EQ(Utf8ToCp936(ascii), ascii);
    EXPECT_EQ(Cp936ToUtf16(ascii), ascii16);
    EXPECT_EQ(Utf16ToCp936(ascii16), ascii);
}

TEST(CodepageTest, ChineseRoundTripsThroughBothUnicodeForms) {
    const std::string mixed = "Unit 1 " + kZhongwenCp936 + " [buk]";
    EXPECT_EQ(Cp936ToUtf8(mixed), "Unit 1 " + kZhongwenUtf8 + " [buk]");
    EXPECT_EQ(Cp936ToUtf16(mixed), u"Unit 1 " + kZhongwenUtf16 + u" [buk]");
    EXPECT_EQ(Utf8ToCp936(Cp936ToUtf8(mixed)), mixed);
    EXPECT_EQ(Utf16ToCp936(Cp936ToUtf16(mixed)), mixed);
}

TEST(CodepageTest, ByteEightyIsTheEuroSign) {
    EXPECT_EQ(Cp936ToUtf16("\x80"), u"\u20AC");
    EXPECT_EQ(Cp936ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf16ToCp936(u"\u20AC"), "\x80");
    EXPECT_EQ(Utf8ToCp936("\xE2\x82\xAC"), "\x80");
}

TEST(CodepageTest, InvalidCp936BecomesReplacementCharacter) {
    // A byte that can never start a character.
    EXPECT_EQ(Cp936ToUtf16("a\xFF"
                           "b"),
              u"a\uFFFDb");
    // A lead byte whose next byte cannot be a trail byte: the next byte survives.
    EXPECT_EQ(Cp936ToUtf16("\x81 x"), u"\uFFFD x");
    EXPECT_EQ(Cp936ToUtf16("\x81\x7F"), u"\uFFFD\x7F");
    EXPECT_EQ(Cp936ToUtf16("\xD6 \xD6\xD0"), u"\uFFFD \u4E2D");
    // A well-formed but unmapped pair counts as one character.
    EXPECT_EQ(Cp936ToUtf16("\xA2\xE3z"), u"\uFFFDz");
    EXPECT_EQ(Cp936ToUtf8("\xFF\xFF"), kReplacementUtf8 + kReplacementUtf8);
}

TEST(CodepageTest, TruncatedCharacterAtTheEndBecomesReplacementCharacter) {
    EXPECT_EQ(Cp936ToUtf16("ab\xD6"), u"ab\uFFFD");
    EXPECT_EQ(Cp936ToUtf8(kZhongwenCp936 + "\xCE"), kZhongwenUtf8 + kReplacementUtf8);
    EXPECT_EQ(Cp936ToUtf16("\xD6"), u"\uFFFD");
}

TEST(CodepageTest, CharactersOutsideCp936BecomeQuestionMarks) {
    // U+D55C (Hangul), U+1F600 (outside the BMP) and U+FFFD itself have no CP936 form.
    EXPECT_EQ(Utf8ToCp936("a\xED\x95\x9C"
                          "b\xF0\x9F\x98\x80"
                          "c" +
                          kReplacementUtf8),
              "a?b?c?");
    EXPECT_EQ(Utf16ToCp936(u"a\uD55Cb\U0001F600c"), "a?b?c");
}

TEST(CodepageTest, UnpairedSurrogatesBecomeQuestionMarks) {
    EXPECT_EQ(Utf16ToCp936(std::u16string{u'a', 0xD800, u'b'}), "a?b");
    EXPECT_EQ(Utf16ToCp936(std::u16string{0xDC00, 0xD800}), "??");
    EXPECT_EQ(Utf16ToCp936(std::u16string{u'x', 0xD83D}), "x?");
    EXPECT_EQ(Utf16ToCp936(std::u16string{0xD800, 0xD800, 0xDC00}), "??");
}

TEST(CodepageTest, IllFormedUtf8BecomesOneQuestionMarkPerMaximalSubpart) {
    EXPECT_EQ(Utf8ToCp936("a\x80"
                          "b"),
              "a?b");
    EXPECT_EQ(Utf8ToCp936("\xE4\xB8"), "?");             // truncated at the end
    EXPECT_EQ(Utf8ToCp936("\xE4\xB8x"), "?x");           // truncated before ASCII
    EXPECT_EQ(Utf8ToCp936("\xC0\xAF"), "??");            // overlong
    EXPECT_EQ(Utf8ToCp936("\xED\xA0\x80"), "???");       // encoded surrogate
    EXPECT_EQ(Utf8ToCp936("\xF4\x90\x80\x80"), "????");  // above U+10FFFF
    EXPECT_EQ(Utf8ToCp936("\xFE\xFF" + kZhongwenUtf8), "??" + kZhongwenCp936);
}

TEST(CodepageTest, LargeInputConvertsCompletely) {
    // Far more than one internal buffer, with invalid bytes spread through it.
    std::string cp936;
    std::u16string expected;
    std::string expectedBack;
    for (int i = 0; i < 50000; ++i) {
        cp936 += kZhongwenCp936 + "ab\x80\xFF";
        expected += kZhongwenUtf16 + u"ab\u20AC\uFFFD";
        expectedBack += kZhongwenCp936 + "ab\x80?";
    }
    cp936 += "\xD6";
    expected += u"\uFFFD";
    expectedBack += "?";

    const std::u16string utf16 = Cp936ToUtf16(cp936);
    EXPECT_EQ(utf16, expected);
    EXPECT_EQ(Utf16ToCp936(utf16), expectedBack);
    EXPECT_EQ(Utf8ToCp936(Cp936ToUtf8(cp936)), expectedBack);
}

}  // namespace
