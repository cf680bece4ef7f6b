#include <gtest/gtest.h>
#include <QApplication>

#include "app/tutor_dlg.h"
#include "content/lzw_encoder.h"
#include "platform/codepage.h"
#include "platform/window/dialog_controls.h"
#include "test_platform.h"

namespace {

using Handle = PageMirror::Handle;

class LessonPagesTest : public ::testing::Test {
  protected:
    void Start() {
        dlg = std::make_unique<CTutorDlg>(platform.Services());
        dlg->Create();
        ASSERT_TRUE(WaitForDocument(&view()));
    }

    CLessonView& view() { return dlg->m_view; }

    void AddLesson(const std::string& name, const std::string& file, const std::string& utf8Text) {
        course.Write(file, LzwEncode(Utf8ToCp936(utf8Text)));
        index += Utf8ToCp936(name) + "=" + file + "\r\n";
        course.Write("cntindex.idx", index);
    }

    // Clicks the element of class "folder" or "file" whose text is `text`, as the learner would.
    void Click(const std::string& cls, const std::string& text) {
        const PageMirror& mirror = view().Mirror();
        for (Handle h = 1; h < 100000; ++h) {
            if (mirror.Contains(h) && mirror.Attribute(h, "class") == cls &&
                mirror.InnerText(h) == text) {
                view().OnRendererEvent(PageEventType::Click, h, -1);
                return;
            }
        }
        FAIL() << "no element of class " << cls << " with text " << text;
    }

    void OpenLesson(const std::string& name) {
        Click("folder", "打开课文");
        ASSERT_TRUE(WaitForDocument(&view()));
        Click("file", name);
        ASSERT_TRUE(WaitForDocument(&view()));
    }

    std::string LineText(int n) { return view().GetElementText(view().FindLineElement(n)); }
    std::string LineStyle(int n, const char* property) {
        return view().GetElementStyle(view().FindLineElement(n), property);
    }

    TemporaryCourse course;
    TestPlatform platform;
    std::unique_ptr<CTutorDlg> dlg;
    std::string index;
};

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
    ASSERT_EQ(platform.messageBox.Messages().size(), 1u);
    const auto& message = platform.messageBox.Messages().front();
    EXPECT_EQ(message.caption, "ERROR");
    EXPECT_EQ(message.text, "Cann't find file \"cntindex.idx\"");
    EXPECT_TRUE(view().m_lessonNames.empty());
}

TEST_F(LessonPagesTest, CoverOffersTheTwoLinks) {
    course.Write("cntindex.idx", "");
    Start();
    EXPECT_TRUE(platform.messageBox.Messages().empty());
    const std::string text = view().GetElementText(view().GetElement("fileList"));
    EXPECT_NE(text.find("打开课文"), std::string::npos);
    EXPECT_NE(text.find("系统设置"), std::string::npos);
    EXPECT_EQ(view().m_strWorkDir, Utf8ToCp936(course.Path().string()));
}

TEST_F(LessonPagesTest, ContentsListsTheIndexNamesInOrder) {
    course.Write("cntindex.idx",
                 Utf8ToCp936("\n  第一课 = one.dat  \r\n\r\n第二课=two=x.dat\nSolo\n"));
    Start();
    ASSERT_EQ(view().m_lessonNames.size(), 3u);
    EXPECT_EQ(view().m_lessonNames[0], Utf8ToCp936("第一课 = one.dat"));
    Click("folder", "打开课文");
    ASSERT_TRUE(WaitForDocument(&view()));
    EXPECT_EQ(view().GetElementText(view().GetElement("fileList")), "目录\n第一课\n第二课\nSolo");
}

TEST_F(LessonPagesTest, OpeningALessonWritesItsTextAndShowsSectionOne) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    platform.sound.PlayLooping("logo.wav");
    OpenLesson("第一课");
    EXPECT_EQ(course.Read("tcnt.tmp"), Utf8ToCp936(kLesson));
    EXPECT_EQ(platform.sound.CurrentFile(), "");
    EXPECT_EQ(view().m_nPage, 2);
    EXPECT_EQ(view().m_nShowing, 1);
    EXPECT_EQ(view().m_nSection, 1);
    EXPECT_EQ(view().m_strLessonFile, "one.dat");
    EXPECT_EQ(view().m_nLineCount, 3);
    EXPECT_EQ(LineText(1), "Tom: Hello! 你好！");
    EXPECT_EQ(LineText(2), "book [buk ]");
    EXPECT_EQ(view().m_nLine, 1);
    EXPECT_EQ(view().m_pLineElement, view().FindLineElement(1));
    EXPECT_EQ(LineStyle(1, "color"), "#ff0000");
    EXPECT_EQ(LineStyle(1, "font-weight"), "bold");
    for (int id = 1001; id <= 1007; ++id)
        EXPECT_TRUE(FindControl(dlg.get(), id)->isEnabled()) << id;
}

TEST_F(LessonPagesTest, GotoShowsTheChosenSection) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    view().OnRendererEvent(PageEventType::Change, view().GetElement("Select1"), 1);
    view().OnRendererEvent(PageEventType::Click, view().GetElement("Goto"), -1);
    ASSERT_TRUE(WaitForDocument(&view()));
    EXPECT_EQ(view().m_nSection, 2);
    EXPECT_EQ(view().GetSelectedIndex("Select1"), 1);
    EXPECT_EQ(LineText(1), "How much? 多少钱？");
    EXPECT_EQ(LineText(3), "Thanks.");
    EXPECT_EQ(view().m_nLineCount, 5) << "the table counts its three lines under one id";
}

TEST_F(LessonPagesTest, DisplaySwitchesApplyWhenThePageIsBuilt) {
    AddLesson("第一课", "one.dat", "#1A@0#\n你好\nb<u>oo</u>k 书\n");
    Start();
    view().m_settings.bShowChinese = 0;
    view().m_settings.bShowPhonetic = 0;
    OpenLesson("第一课");
    EXPECT_NE(view().FindLineElement(1), 0u) << "a Chinese-only line keeps its id";
    EXPECT_EQ(LineText(1), "");
    EXPECT_EQ(LineText(2), "book");
}

TEST_F(LessonPagesTest, MissingLessonFileKeepsThePreviousLessonText) {
    AddLesson("第一课", "one.dat", kLesson);
    course.Write("cntindex.idx", index + "Gone=gone.dat\n");
    Start();
    OpenLesson("第一课");
    Click("folder", "返回目录");
    ASSERT_TRUE(WaitForDocument(&view()));
    Click("file", "Gone");
    ASSERT_TRUE(WaitForDocument(&view()));
    EXPECT_EQ(view().m_nLesson, 1);
    EXPECT_EQ(view().m_strLessonFile, "one.dat");
    EXPECT_EQ(course.Read("tcnt.tmp"), Utf8ToCp936(kLesson));
    EXPECT_EQ(LineText(1), "Tom: Hello! 你好！");
}

TEST_F(LessonPagesTest, DuplicateNamesOpenTheFirstAndUnknownNamesNothing) {
    AddLesson("Same", "first.dat", "#1A@0#\nfirst\n");
    AddLesson("Same", "second.dat", "#1A@0#\nsecond\n");
    Start();
    OpenLesson("Same");
    EXPECT_EQ(LineText(1), "first");
    view().OpenLesson("Unknown");
    EXPECT_EQ(view().m_nLesson, 0);
    EXPECT_EQ(view().m_strLessonFile, "first.dat");
}

TEST_F(LessonPagesTest, HeaderWithoutTheSectionLeavesThePageEmpty) {
    AddLesson("Bad", "bad.dat", "#2A@0#\nline\n");
    Start();
    OpenLesson("Bad");
    EXPECT_EQ(view().GetElementText(view().GetElement("fileList")), "");
    EXPECT_EQ(view().FindLineElement(1), 0u);
}

TEST_F(LessonPagesTest, StepsMoveTheCurrentLineLook) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    view().StepLine(+1);
    EXPECT_EQ(view().m_nLine, 2);
    EXPECT_EQ(LineStyle(1, "color"), "#000000");
    EXPECT_EQ(LineStyle(1, "font-weight"), "normal");
    EXPECT_EQ(LineStyle(1, "visibility"), "visible");
    EXPECT_EQ(LineStyle(2, "font-weight"), "bold");
    view().StepLine(-1);
    EXPECT_EQ(view().m_nLine, 1);
    EXPECT_EQ(view().m_pLineElement, view().FindLineElement(1));
}

TEST_F(LessonPagesTest, PointerOverTheCurrentLineLeavesItBoldButBlack) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    const Handle line = view().FindLineElement(1);
    view().OnRendererEvent(PageEventType::MouseOver, line, -1);
    view().OnRendererEvent(PageEventType::MouseOut, line, -1);
    EXPECT_EQ(LineStyle(1, "color"), "#000000");
    EXPECT_EQ(LineStyle(1, "font-weight"), "bold");
}

TEST_F(LessonPagesTest, DictationHidesTheCurrentLineAndStepsRevealIt) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    view().m_nMode = 5;
    view().HighlightLine(view().FindLineElement(1));
    EXPECT_EQ(LineStyle(1, "visibility"), "hidden");
    view().StepLine(+1);
    EXPECT_EQ(LineStyle(1, "visibility"), "visible");
    EXPECT_EQ(LineStyle(2, "visibility"), "hidden");
}

TEST_F(LessonPagesTest, StepPastTheLastIdUnhighlightsAndStays) {
    AddLesson("T", "t.dat", "#1A@0#\nfirst\n<table>\n<tr><td>x</td></tr>\n</table>\n");
    Start();
    OpenLesson("T");
    EXPECT_EQ(view().m_nLineCount, 4);
    view().StepLine(+1);
    ASSERT_EQ(view().m_nLine, 2);
    view().StepLine(+1);
    EXPECT_EQ(view().m_nLine, 2);
    EXPECT_EQ(view().m_pLineElement, view().FindLineElement(2));
    EXPECT_EQ(LineStyle(2, "font-weight"), "normal");
}

TEST_F(LessonPagesTest, BackLinksReturnToContentsAndCover) {
    AddLesson("第一课", "one.dat", kLesson);
    Start();
    OpenLesson("第一课");
    Click("folder", "返回目录");
    ASSERT_TRUE(WaitForDocument(&view()));
    EXPECT_EQ(view().LoadedResource(), CLessonView::kContentsPage);
    EXPECT_NE(view().GetElementText(view().GetElement("fileList")).find("第一课"),
              std::string::npos);
    Click("folder", "返回");
    ASSERT_TRUE(WaitForDocument(&view()));
    EXPECT_EQ(view().LoadedResource(), CLessonView::kCoverPage);
    EXPECT_EQ(platform.sound.CurrentFile(), "logo.wav");
}

}  // namespace
