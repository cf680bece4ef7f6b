// Lesson texts and course folders that a careless or hostile author could ship: pages must stay
// small enough to show at once, and a folder's name must not change what a page means.
#include <gtest/gtest.h>

#include "content/lesson_text.h"
#include "content/page_text.h"

namespace {

LessonPageText Build(const std::string& text, const std::string& workDir = "/course") {
    return BuildLessonPageText(&text, {workDir, "unit1.dat", 1, true, true});
}

std::string Lines(int count, const std::string& line) {
    std::string text = "#1A@0#\n";
    for (int i = 0; i < count; ++i) {
        text += line + "\n";
    }
    return text;
}

TEST(HostileLesson, APageEndsAtItsLineLimitWithANotice) {
    const LessonPageText page = Build(Lines(kMaxPageLines + 50, "a"));
    EXPECT_TRUE(page.cut);
    EXPECT_EQ(page.lineCount, kMaxPageLines);
    EXPECT_NE(page.html.find("id=\"line" + std::to_string(kMaxPageLines) + "\""),
              std::string::npos);
    EXPECT_EQ(page.html.find("id=\"line" + std::to_string(kMaxPageLines + 1) + "\""),
              std::string::npos);

    const LessonPageText whole = Build(Lines(10, "a"));
    EXPECT_FALSE(whole.cut);
    EXPECT_EQ(whole.lineCount, 10);
}

TEST(HostileLesson, ALineThatWouldOverfillThePageIsNotShown) {
    std::string text = "#1A@0#\nfirst\n" + std::string(kMaxPageBytes, 'x') + "\nlast\n";
    const LessonPageText page = Build(text);
    EXPECT_TRUE(page.cut);
    EXPECT_EQ(page.lineCount, 1);
    EXPECT_LT(page.html.size(), std::size_t{4096});
}

TEST(HostileLesson, TheFolderNameCannotBreakOutOfItsAttribute) {
    const std::string html = Build(Lines(1, "<IMG src=\"p.gif\">"), "/a #b?c%d\"e").html;
    EXPECT_NE(html.find("background=\"/a%20%23b%3Fc%25d%22e\\bkg.gif\""), std::string::npos);
    EXPECT_NE(html.find("<img src=\"/a%20%23b%3Fc%25d%22e\\unit1\\p.gif\""), std::string::npos);
    // Chinese folder names reach the engine as characters, which it encodes itself.
    EXPECT_NE(Build("#1A@0#\n", "/\xBF\xCE").html.find("\"/\xBF\xCE\\bkg.gif\""),
              std::string::npos);
}

TEST(HostileLesson, BracketSpacingAgreesWithTheOneAtATimeRule) {
    // Many brackets in one line are handled in one pass; the result is the same as placing the
    // blanks one bracket at a time.
    std::string text = "[a][<u>b</u>c][x]</u>y] [<u>d</u>e]";
    SpaceBeforeBracket(text);
    EXPECT_EQ(text, "[a][<u>b</u>c ][x]</u>y] [<u>d</u>e ]");

    std::string marks = std::string(1000, '\'') + "<u>x</u>";
    StripPhoneticMarks(marks);
    EXPECT_EQ(marks, "x");
}

}  // namespace
