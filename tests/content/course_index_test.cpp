#include "content/course_index.h"
#include "content/text_lines.h"

#include <gtest/gtest.h>

namespace {

using Entries = std::vector<std::string>;

TEST(CourseIndexTest, TrimsAllSixWhiteSpaceBytesOnBothEnds) {
    EXPECT_EQ(TrimLine(" \t\r\n\v\fUnit 1 = u1.dat\f\v\n\r\t "), "Unit 1 = u1.dat");
    EXPECT_EQ(TrimLine(" \t\v\f\r\n"), "");
    EXPECT_EQ(TrimLine(""), "");
    EXPECT_EQ(TrimLine("x"), "x");
    // Only ASCII white space counts: the CP936 ideographic space (A1 A1) is kept.
    EXPECT_EQ(TrimLine("\xA1\xA1x "), "\xA1\xA1x");
}

TEST(CourseIndexTest, ReadsTrimmedNonEmptyLinesInFileOrder) {
    EXPECT_EQ(ParseCourseIndex("  Unit 1 = u1.dat  \r\n\r\n \t \nUnit 2=u2=x.dat\nlast"),
              (Entries{"Unit 1 = u1.dat", "Unit 2=u2=x.dat", "last"}));
    EXPECT_EQ(ParseCourseIndex("a\nb\n"), (Entries{"a", "b"}));
    EXPECT_EQ(ParseCourseIndex("a\r\nb\r\n"), (Entries{"a", "b"}));
}

TEST(CourseIndexTest, IndexWithoutEntries) {
    EXPECT_TRUE(ParseCourseIndex("").empty());
    EXPECT_TRUE(ParseCourseIndex("\n\r\n  \n\t\v\f").empty());
}

TEST(CourseIndexTest, BareCrEndsALineAndNamesPassThrough) {
    // Without this the second entry would hide inside the first and could never be opened.
    EXPECT_EQ(ParseCourseIndex("a=1.dat\rb=\xB5\xDA\xD2\xBB\xBF\xCE.dat\r"),
              (Entries{"a=1.dat", "b=\xB5\xDA\xD2\xBB\xBF\xCE.dat"}));
}

TEST(CourseIndexTest, ClickedTextMatchesRawNameFirstThenDisplayedName) {
    const Entries entries{"Unit  1=a.dat", "Unit 1=b.dat", "<b>Unit 2</b>=c.dat"};
    // Collapses blanks and drops tags, as the page does.
    auto displayed = [](std::string_view name) {
        std::string text;
        bool inTag = false;
        for (const char c : name) {
            if (c == '<' || c == '>') {
                inTag = c == '<';
            } else if (!inTag && !(c == ' ' && !text.empty() && text.back() == ' ')) {
                text += c;
            }
        }
        return text;
    };
    EXPECT_EQ(FindCourseEntry(entries, "Unit 1", displayed), 1);  // the raw match wins
    EXPECT_EQ(FindCourseEntry(entries, "Unit 2", displayed), 2);
    EXPECT_EQ(FindCourseEntry({"Unit  1=a.dat"}, "Unit 1", displayed), 0);
    EXPECT_EQ(FindCourseEntry(entries, "Unit 3", displayed), -1);
}

TEST(CourseIndexTest, SplitsAtTheFirstEqualsSignWithoutTrimming) {
    CourseEntry e = SplitCourseEntry("Unit 1 = u1.dat");
    EXPECT_EQ(e.name, "Unit 1 ");
    EXPECT_EQ(e.file, " u1.dat");

    e = SplitCourseEntry("Unit 2=u2=x.dat");
    EXPECT_EQ(e.name, "Unit 2");
    EXPECT_EQ(e.file, "u2=x.dat");

    e = SplitCourseEntry("lesson.dat");
    EXPECT_EQ(e.name, "lesson.dat");
    EXPECT_EQ(e.file, "lesson.dat");

    e = SplitCourseEntry("=x.dat");
    EXPECT_EQ(e.name, "");
    EXPECT_EQ(e.file, "x.dat");

    e = SplitCourseEntry("Unit 3=");
    EXPECT_EQ(e.name, "Unit 3");
    EXPECT_EQ(e.file, "");
}

}  // namespace
