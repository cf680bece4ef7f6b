#include "content/lesson_text.h"

#include <gtest/gtest.h>

#include <climits>

#include "content/leading_number.h"

namespace {

template <void (*Fix)(std::string&)>
std::string Applied(std::string text) {
    Fix(text);
    return text;
}

TEST(LessonTextTest, StripNonAsciiRemovesEveryHighByte) {
    // "我是 student 学生。"
    EXPECT_EQ(Applied<StripNonAscii>("\xCE\xD2\xCA\xC7 student \xD1\xA7\xC9\xFA\xA1\xA3"),
              " student ");
    EXPECT_EQ(Applied<StripNonAscii>("\x80\xFF\x7F"
                                     "a"),
              "\x7F"
              "a");
    EXPECT_EQ(Applied<StripNonAscii>("\xD6\xD0\xCE\xC4"), "");
    EXPECT_EQ(Applied<StripNonAscii>(""), "");
}

TEST(LessonTextTest, StripPhoneticMarksRemovesStressMarksAndSoundTags) {
    EXPECT_EQ(Applied<StripPhoneticMarks>("b<u>oo</u>k"), "book");
    EXPECT_EQ(Applied<StripPhoneticMarks>("'tea`cher [<i>i:</i>]"), "teacher [i:]");
    EXPECT_EQ(Applied<StripPhoneticMarks>("<U>upper</U> stays"), "<U>upper</U> stays");
}

TEST(LessonTextTest, StripPhoneticMarksRemovesEachKindInItsOwnPass) {
    // Stress marks go first, so a tag they split is removed afterwards.
    EXPECT_EQ(Applied<StripPhoneticMarks>("<'u>a</`u>"), "a");
    // A tag left behind by removing another of the same kind stays...
    EXPECT_EQ(Applied<StripPhoneticMarks>("<<u>u>x"), "<u>x");
    // ...but one formed by removing an earlier kind is removed with its own kind.
    EXPECT_EQ(Applied<StripPhoneticMarks>("<i<u>>x"), "x");
}

TEST(LessonTextTest, SpaceBeforeBracketSeparatesTrailingLettersFromTheBracket) {
    EXPECT_EQ(Applied<SpaceBeforeBracket>("[<u>b</u>uk]"), "[<u>b</u>uk ]");
    EXPECT_EQ(Applied<SpaceBeforeBracket>("[<u>b</u> uk]"), "[<u>b</u> uk]");
    EXPECT_EQ(Applied<SpaceBeforeBracket>("[bu<u>k</u>]"), "[bu<u>k</u>]");
    EXPECT_EQ(Applied<SpaceBeforeBracket>("[buk]"), "[buk]");
    EXPECT_EQ(Applied<SpaceBeforeBracket>("book [<u>b</u>uk"), "book [<u>b</u>uk");
    EXPECT_EQ(Applied<SpaceBeforeBracket>("]</u>x[ no close"), "]</u>x[ no close");
}

TEST(LessonTextTest, SpaceBeforeBracketHandlesEveryBracket) {
    EXPECT_EQ(Applied<SpaceBeforeBracket>("a [<u>b</u>uk] b [k<u>a</u>t] c"),
              "a [<u>b</u>uk ] b [k<u>a</u>t ] c");
    // The tag is searched from the "[", so one in a later bracket does not count here.
    EXPECT_EQ(Applied<SpaceBeforeBracket>("[ok] [<u>b</u>uk]"), "[ok] [<u>b</u>uk ]");
    // A bracket without a tag followed by a later tag: that tag lies after the first "]".
    EXPECT_EQ(Applied<SpaceBeforeBracket>("[a]</u>b]"), "[a]</u>b]");
}

TEST(LessonTextTest, SpaceBetweenUnderlineAndBracketHandlesEveryOccurrence) {
    EXPECT_EQ(Applied<SpaceBetweenUnderlineAndBracket>("[bu<u>k</u>]"), "[bu<u>k</u> ]");
    EXPECT_EQ(Applied<SpaceBetweenUnderlineAndBracket>("[<u>a</u>][<u>b</u>]</u>"),
              "[<u>a</u> ][<u>b</u> ]</u>");
    EXPECT_EQ(Applied<SpaceBetweenUnderlineAndBracket>("[<u>b</u> uk]"), "[<u>b</u> uk]");
}

TEST(LessonTextTest, BothBracketFixUpsTogether) {
    std::string line = "book [<u>b</u>uk] and [bu<u>k</u>]";
    SpaceBeforeBracket(line);
    SpaceBetweenUnderlineAndBracket(line);
    EXPECT_EQ(line, "book [<u>b</u>uk ] and [bu<u>k</u> ]");
}

TEST(LeadingNumberTest, ReadsSignedDigitsAfterWhiteSpace) {
    EXPECT_EQ(LeadingNumber("12"), 12);
    EXPECT_EQ(LeadingNumber(" \t\r\n\v\f7#2"), 7);
    EXPECT_EQ(LeadingNumber("+5x"), 5);
    EXPECT_EQ(LeadingNumber("-3 lines"), -3);
    EXPECT_EQ(LeadingNumber("007"), 7);
}

TEST(LeadingNumberTest, NoDigitsGiveZero) {
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("   "), 0);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber("-"), 0);
    EXPECT_EQ(LeadingNumber("+-1"), 0);
    EXPECT_EQ(LeadingNumber("x12"), 0);
    EXPECT_EQ(LeadingNumber("- 1"), 0);
}

TEST(LeadingNumberTest, SaturatesAtTheIntRange) {
    EXPECT_EQ(LeadingNumber("2147483647"), INT_MAX);
    EXPECT_EQ(LeadingNumber("2147483648"), INT_MAX);
    EXPECT_EQ(LeadingNumber("-2147483648"), INT_MIN);
    EXPECT_EQ(LeadingNumber("-2147483649"), INT_MIN);
    EXPECT_EQ(LeadingNumber("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(LeadingNumber("-99999999999999999999999 tail"), INT_MIN);
}

}  // namespace
