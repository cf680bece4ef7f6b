#include "content/page_text.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace {

const std::string kCourse = "/course";

LessonPageOptions Options(int section = 1) {
    return {kCourse, "unit1.dat", section, true, true};
}

LessonPageText Build(const std::string& text, LessonPageOptions options = Options()) {
    return BuildLessonPageText(&text, options);
}

int CountOf(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

std::string Row(int id, const std::string& line) {
    return "<TR><TD><SPAN class=\"file\" id=\"line" + std::to_string(id) + "\">" + line +
           "</SPAN></TD></TR>";
}

const std::string kTableStart = "<TABLE border=1 width=100% background=\"/course\\bkg.gif\">\n";

TEST(ContentsPageText, ListsEachEntryByItsName) {
    const std::string html =
        BuildContentsPageText(kCourse, {"Unit 1 = u1.dat", "Unit 2=u2=x.dat", "Solo"});
    EXPECT_NE(html.find("<span class=\"file\">Unit 1 </span>"), std::string::npos);
    EXPECT_NE(html.find("<span class=\"file\">Unit 2</span>"), std::string::npos);
    EXPECT_NE(html.find("<span class=\"file\">Solo</span>"), std::string::npos);
    EXPECT_EQ(html.rfind(
                  "<TABLE border=0 cellPadding=5 width=100% background=\"/course\\bkg.gif\">\n", 0),
              0u);
    EXPECT_TRUE(html.ends_with("</td></tr></table></td></tr>\n</table>"));
}

TEST(ContentsPageText, EmptyIndexGivesTheHeadingAlone) {
    const std::string html = BuildContentsPageText(kCourse, {});
    EXPECT_EQ(CountOf(html, "<tr>"), 1);
    EXPECT_NE(html.find(Utf8ToCp936("<b>目录</b>")), std::string::npos);
}

TEST(CoverPageText, HoldsBothPanelsAndTheTwoLinks) {
    const std::string html = Cp936ToUtf8(BuildCoverPageText(kCourse));
    EXPECT_EQ(CountOf(html, "background=\"/course\\bkg.gif\""), 2);
    EXPECT_NE(html.find("<span class=\"folder\">打开课文</span>"), std::string::npos);
    EXPECT_NE(html.find("<span class=\"setting\">系统设置</span>"), std::string::npos);
    EXPECT_NE(html.find("四个符号读英文，英语口语能速成。<br>"), std::string::npos);
    EXPECT_NE(html.find("欢迎进入Quorvan多媒体教学课堂"), std::string::npos);
    EXPECT_NE(html.find("出版</span></p>"), std::string::npos);
    EXPECT_LT(html.find("<HR>"), html.find("打开课文"));
}

TEST(LessonPageText, NumbersEachLineOfTheSection) {
    const LessonPageText page = Build("#1One@0#\nHello.\n\nBye.\n#\nOther section\n");
    ASSERT_TRUE(page.built);
    EXPECT_EQ(page.lineCount, 3);
    EXPECT_NE(
        page.html.find(kTableStart + Row(1, "Hello.") + Row(2, "") + Row(3, "Bye.") + "</TABLE>"),
        std::string::npos);
    EXPECT_EQ(page.html.find("Other"), std::string::npos);
    EXPECT_EQ(page.html.rfind("<FONT face=", 0), 0u) << "the selector comes first";
}

TEST(LessonPageText, SkipLeadsToTheChosenSection) {
    const std::string text = "#1A@1#2B@3#\n#1\nfirst\n#2\nsecond\nmore\n";
    const LessonPageText page = Build(text, Options(2));
    ASSERT_TRUE(page.built);
    EXPECT_EQ(page.lineCount, 2);
    EXPECT_NE(page.html.find(Row(1, "second") + Row(2, "more")), std::string::npos);
    EXPECT_NE(page.html.find("<OPTION selected value = \"2\">B"), std::string::npos);
}

TEST(LessonPageText, CrLfLinesReadLikeLfLines) {
    const LessonPageText page = Build("#1A@0#\r\nHello.\r\nBye.\r\n");
    EXPECT_EQ(page.lineCount, 2);
    EXPECT_NE(page.html.find(Row(2, "Bye.") + "</TABLE>"), std::string::npos);
}

TEST(LessonPageText, TableHasOneIdButCountsAllItsLines) {
    const LessonPageText page = Build(
        "#1A@0#\nbefore\n<table "
        "border=1>\n<tr><td>a</td></tr>\n<tr><td>b</td></tr>\n</table>\nafter\n");
    EXPECT_EQ(page.lineCount, 6);
    EXPECT_NE(page.html.find("id=\"line2\"><table border=1><tr><td>a</td></tr><tr><td>b</td></tr>"
                             "</table></SPAN></TD></TR>" +
                             Row(3, "after")),
              std::string::npos);
    EXPECT_EQ(page.html.find("line4"), std::string::npos);
}

TEST(LessonPageText, TableClosedOnItsOwnFirstLineStaysOpen) {
    const LessonPageText page =
        Build("#1A@0#\n<TABLE><tr><td>x</td></tr></TABLE>\ninside\n</TABLE>\nout\n");
    EXPECT_NE(page.html.find("</TABLE>inside</TABLE></SPAN></TD></TR>" + Row(2, "out")),
              std::string::npos);
    EXPECT_EQ(page.lineCount, 4);
}

TEST(LessonPageText, PictureLinesResolveIntoTheLessonsPictureFolder) {
    const LessonPageText page =
        Build("#1A@0#\n<IMG src=pics\\cat 1.gif>\n<img src=\"a/b/dog.gif\">\nend\n");
    EXPECT_NE(page.html.find("<TR><TD><img src=\"/course\\unit1\\cat1.gif\" border = 2></TD></TR>"
                             "<TR><TD><img src=\"/course\\unit1\\dog.gif\" border = 2></TD></TR>" +
                             Row(1, "end")),
              std::string::npos);
    EXPECT_EQ(page.lineCount, 1);
}

TEST(LessonPageText, PictureWithoutPictureFolderOrEqualsIsText) {
    LessonPageOptions options = Options();
    options.lessonFile = "lesson";
    EXPECT_NE(Build("#1A@0#\n<IMG src=x.gif>\n", options).html.find(Row(1, "<IMG src=x.gif>")),
              std::string::npos);
    EXPECT_NE(Build("#1A@0#\n<IMG>\n").html.find(Row(1, "<IMG>")), std::string::npos);
}

TEST(LessonPageText, HidingChineseKeepsTheLineAndItsId) {
    LessonPageOptions options = Options();
    options.showChinese = false;
    const LessonPageText page =
        Build(Utf8ToCp936("#1A@0#\n你好\nHello 你好\n<IMG src=猫cat.gif>\n"), options);
    EXPECT_NE(page.html.find(Row(1, "") + Row(2, "Hello ")), std::string::npos);
    EXPECT_NE(page.html.find("\\unit1\\cat.gif"), std::string::npos);
    EXPECT_EQ(page.lineCount, 2);
}

TEST(LessonPageText, HidingPhoneticsRemovesStressAndSoundMarks) {
    LessonPageOptions options = Options();
    options.showPhonetic = false;
    const LessonPageText page = Build("#1A@0#\nb<u>oo</u>k [b<i>u</i>k] it's `x\n", options);
    EXPECT_NE(page.html.find(Row(1, "book [buk] its x")), std::string::npos);
}

TEST(LessonPageText, BracketFixUpsApplyToEveryLine) {
    const LessonPageText page = Build("#1A@0#\n[<u>b</u>uk]\n[<u>b</u> uk]\n[bu<u>k</u>]\n");
    EXPECT_NE(
        page.html.find(Row(1, "[<u>b</u>uk ]") + Row(2, "[<u>b</u> uk]") + Row(3, "[bu<u>k</u> ]")),
        std::string::npos);
}

TEST(LessonPageText, ALineWithAHashEndsTheSection) {
    EXPECT_EQ(Build("#1A@0#\nfirst\n&#169; 2026\nlater\n").lineCount, 1);
    const LessonPageText empty = Build("#1A@0#\n# at once\nlater\n");
    EXPECT_EQ(empty.lineCount, 0);
    EXPECT_NE(empty.html.find(kTableStart + "</TABLE>"), std::string::npos);
}

TEST(LessonPageText, HeaderThatDoesNotLeadToTheSectionLeavesThePage) {
    EXPECT_FALSE(Build("#2A@0#\nline\n").built);
    EXPECT_FALSE(Build("#1A@0\nline\n").built);
    EXPECT_FALSE(Build("#1A0#\nline\n").built);
    EXPECT_FALSE(Build("#1A@3#\none\ntwo\n").built);
    EXPECT_FALSE(Build("#1A@0#\nline\n", Options(2)).built);
}

TEST(LessonPageText, SkipThatReachesTheEndExactlyGivesAnEmptyPage) {
    const LessonPageText page = Build("#1A@2#\none\ntwo\n");
    ASSERT_TRUE(page.built);
    EXPECT_EQ(page.lineCount, 0);
}

TEST(LessonPageText, MissingOrEmptyLessonText) {
    const LessonPageText missing = BuildLessonPageText(nullptr, Options());
    EXPECT_TRUE(missing.built);
    EXPECT_EQ(missing.html, kTableStart + "</TABLE>");
    EXPECT_FALSE(missing.lineCount.has_value());

    const LessonPageText empty = Build("");
    EXPECT_TRUE(empty.built);
    EXPECT_EQ(empty.html, kTableStart + "</TABLE>");
    EXPECT_EQ(empty.lineCount, 0);
}

}  // namespace
