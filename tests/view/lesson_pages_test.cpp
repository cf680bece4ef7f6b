#include <gtest/gtest.h>
#include <QApplication>
#include <filesystem>

#include "platform/window/dialog_controls.h"
#include "support/lesson_fixture.h"
#include "support/scratch_directory.h"
#include "view/command_ids.h"

namespace {

using Handle = PageMirror::Handle;

class LessonPagesTest : public LessonFixture {};

const char* kLesson =
    "#1Hello 你好@1#2Shopping 购物@5#\n"
    "#1\n"
    "Tom: Hello! 你好！\n"
    "<u>b</u>ook [b<u>u</u>k]\n"
    "Jim: Hi.\n"
    "#2\n"
    "How much? 多少钱？\n"
    "<table border=1>\n"
    "<tr><td>one</td><td>一</td></tr>\n"
    "</table>\n"
    "Thanks.\n";

TEST_F(LessonPagesTest, MissingCourseIndexIsReportedAndListsNothing) {
    Start();
    ASSERT_EQ(platform_.MessageBox().Messages().size(), 1u);
    const auto& message = platform_.MessageBox().Messages().front();
    EXPECT_EQ(message.caption, "ERROR");
    EXPECT_EQ(message.text, "Cann't find file \"cntindex.idx\"");
    EXPECT_TRUE(View().m_lessonNames.empty());
}

TEST_F(LessonPagesTest, CoverOffersTheTwoLinks) {
    course_.Write("cntindex.idx", "");
    Start();
    EXPECT_TRUE(platform_.MessageBox().Messages().empty());
    const std::string text = View().GetElementText(View().GetElement("fileList"));
    EXPECT_NE(text.find("打开课文"), std::string::npos);
    EXPECT_NE(text.find("系统设置"), std::string::npos);
    EXPECT_EQ(View().m_strWorkDir, Utf8ToCp936(course_.Path().string()));
}

TEST_F(LessonPagesTest, ContentsListsTheIndexNamesInOrder) {
    course_.Write("cntindex.idx",
                  Utf8ToCp936("\n  第一课 = one.dat  \r\n\r\n第二课=two=x.dat\nSolo\n"));
    Start();
    ASSERT_EQ(View().m_lessonNames.size(), 3u);
    EXPECT_EQ(View().m_lessonNames[0], Utf8ToCp936("第一课 = one.dat"));
    Click("folder", "打开课文");
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().GetElementText(View().GetElement("fileList")), "目录\n第一课\n第二课\nSolo");
}

TEST_F(LessonPagesTest, OpeningALessonWritesItsTextAndShowsSectionOne) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    platform_.Sound().PlayLooping("logo.wav");
    OpenLesson("第一课");
    EXPECT_EQ(course_.Read("tcnt.tmp"), Utf8ToCp936(kLesson));
    EXPECT_EQ(platform_.Sound().CurrentFile(), "");
    EXPECT_EQ(View().m_nPage, 2);
    EXPECT_EQ(View().m_nShowing, 1);
    EXPECT_EQ(View().m_nSection, 1);
    EXPECT_EQ(View().m_strLessonFile, "one.dat");
    EXPECT_EQ(View().m_nLineCount, 3);
    EXPECT_EQ(LineText(1), "Tom: Hello! 你好！");
    EXPECT_EQ(LineText(2), "book [buk ]");
    EXPECT_EQ(View().m_nLine, 1);
    EXPECT_EQ(View().m_pLineElement, View().FindLineElement(1));
    EXPECT_EQ(LineStyle(1, "color"), "#ff0000");
    EXPECT_EQ(LineStyle(1, "font-weight"), "bold");
    for (int id = kStopButton; id <= kReadAlongButton; ++id) {
        EXPECT_TRUE(FindControl(dlg_.get(), id)->isEnabled()) << id;
    }
}

TEST_F(LessonPagesTest, GotoShowsTheChosenSection) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    View().OnRendererEvent(PageEventType::kChange, View().GetElement("Select1"), 1);
    View().OnRendererEvent(PageEventType::kClick, View().GetElement("Goto"), -1);
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().m_nSection, 2);
    EXPECT_EQ(View().GetSelectedIndex("Select1"), 1);
    EXPECT_EQ(LineText(1), "How much? 多少钱？");
    EXPECT_EQ(LineText(3), "Thanks.");
    EXPECT_EQ(View().m_nLineCount, 5) << "the table counts its three lines under one id";
}

TEST_F(LessonPagesTest, DisplaySwitchesApplyWhenThePageIsBuilt) {
    AddLesson("第一课", "one.dat", "#1A@0#\n你好\nb<u>oo</u>k 书\n");
    Start();
    View().m_settings.bShowChinese = 0;
    View().m_settings.bShowPhonetic = 0;
    OpenLesson("第一课");
    EXPECT_NE(View().FindLineElement(1), 0u) << "a Chinese-only line keeps its id";
    EXPECT_EQ(LineText(1), "");
    EXPECT_EQ(LineText(2), "book");
}

TEST_F(LessonPagesTest, AFailedOpenShowsAnEmptyLessonNeverThePreviousOne) {
    AddLesson("第一课", "one.dat", kLesson);
    std::string huge = LzwEncode("#1A@0#\nhuge\n");
    huge.replace(0, 4, "\xFF\xFF\xFF\xFF");  // declares 4 GiB: a damaged file
    course_.Write("huge.dat", huge);
    course_.Write("cntindex.idx", index_ + "Gone=gone.dat\nHuge=huge.dat\n");
    Start();
    OpenLesson("第一课");
    for (const char* name : {"Gone", "Huge"}) {
        for (const char* lesson : {"第一课", name}) {
            Click("folder", "返回目录");
            ASSERT_TRUE(WaitForDocument(&View()));
            Click("file", lesson);
            ASSERT_TRUE(WaitForDocument(&View()));
        }
        EXPECT_EQ(View().m_nPage, 2) << name;
        EXPECT_FALSE(course_.Exists("tcnt.tmp")) << name;
        EXPECT_EQ(View().FindLineElement(1), 0u) << name;
    }
    EXPECT_EQ(View().m_strLessonFile, "huge.dat");  // it was read, then refused
}

TEST_F(LessonPagesTest, TheLessonTextReplacesALinkInsteadOfWritingThroughIt) {
    AddLesson("第一课", "one.dat", kLesson);
    ScratchDirectory outside("outside");
    outside.Write("mine.txt", "the learner's file");
    std::filesystem::create_symlink(outside.Path("mine.txt"), course_.Path("tcnt.tmp"));
    Start();
    OpenLesson("第一课");
    EXPECT_EQ(outside.Read("mine.txt"), "the learner's file");
    EXPECT_EQ(course_.Read("tcnt.tmp"), Utf8ToCp936(kLesson));
    EXPECT_EQ(LineText(1), "Tom: Hello! 你好！");
}

TEST_F(LessonPagesTest, NamesThePageShowsDifferentlyCanStillBeOpened) {
    AddLesson("Unit\t <b>one</b> ", "one.dat", "#1A@0#\nfirst\n");
    Start();
    OpenLesson("Unit one");
    EXPECT_EQ(View().m_nPage, 2);
    EXPECT_EQ(LineText(1), "first");
}

TEST_F(LessonPagesTest, DuplicateNamesOpenTheFirstAndUnknownNamesNothing) {
    AddLesson("Same", "first.dat", "#1A@0#\nfirst\n");
    AddLesson("Same", "second.dat", "#1A@0#\nsecond\n");
    Start();
    OpenLesson("Same");
    EXPECT_EQ(LineText(1), "first");
    View().OpenLesson("Unknown");
    EXPECT_EQ(View().m_nLesson, 0);
    EXPECT_EQ(View().m_strLessonFile, "first.dat");
}

TEST_F(LessonPagesTest, HeaderWithoutTheSectionLeavesThePageEmpty) {
    AddLesson("Bad", "bad.dat", "#2A@0#\nline\n");
    Start();
    OpenLesson("Bad");
    EXPECT_EQ(View().GetElementText(View().GetElement("fileList")), "");
    EXPECT_EQ(View().FindLineElement(1), 0u);
}

TEST_F(LessonPagesTest, StepsMoveTheCurrentLineLook) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    View().NextLine();
    EXPECT_EQ(View().m_nLine, 2);
    EXPECT_EQ(LineStyle(1, "color"), "#000000");
    EXPECT_EQ(LineStyle(1, "font-weight"), "normal");
    EXPECT_EQ(LineStyle(1, "visibility"), "visible");
    EXPECT_EQ(LineStyle(2, "font-weight"), "bold");
    View().PreviousLine();
    EXPECT_EQ(View().m_nLine, 1);
    EXPECT_EQ(View().m_pLineElement, View().FindLineElement(1));
}

TEST_F(LessonPagesTest, PointerOverTheCurrentLineLeavesItBoldButBlack) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    const Handle line = View().FindLineElement(1);
    View().OnRendererEvent(PageEventType::kMouseOver, line, -1);
    View().OnRendererEvent(PageEventType::kMouseOut, line, -1);
    EXPECT_EQ(LineStyle(1, "color"), "#000000");
    EXPECT_EQ(LineStyle(1, "font-weight"), "bold");
}

TEST_F(LessonPagesTest, DictationHidesTheCurrentLineAndStepsRevealIt) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    View().m_nMode = 5;
    View().HighlightLine(View().FindLineElement(1));
    EXPECT_EQ(LineStyle(1, "visibility"), "hidden");
    View().NextLine();
    EXPECT_EQ(LineStyle(1, "visibility"), "visible");
    EXPECT_EQ(LineStyle(2, "visibility"), "hidden");
}

TEST_F(LessonPagesTest, StepPastTheLastIdUnhighlightsAndStays) {
    AddLesson("T", "t.dat", "#1A@0#\nfirst\n<table>\n<tr><td>x</td></tr>\n</table>\n");
    Start();
    OpenLesson("T");
    EXPECT_EQ(View().m_nLineCount, 4);
    View().NextLine();
    ASSERT_EQ(View().m_nLine, 2);
    View().NextLine();
    EXPECT_EQ(View().m_nLine, 2);
    EXPECT_EQ(View().m_pLineElement, View().FindLineElement(2));
    EXPECT_EQ(LineStyle(2, "font-weight"), "normal");
}

TEST_F(LessonPagesTest, BackLinksReturnToContentsAndCover) {
    course_.Write("logo.wav", "RIFF");
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    Click("folder", "返回目录");
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().LoadedResource(), CLessonView::kContentsPage);
    EXPECT_NE(View().GetElementText(View().GetElement("fileList")).find("第一课"),
              std::string::npos);
    Click("folder", "返回");
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().LoadedResource(), CLessonView::kCoverPage);
    EXPECT_EQ(platform_.Sound().CurrentFile(), "logo.wav");
}

}  // namespace
