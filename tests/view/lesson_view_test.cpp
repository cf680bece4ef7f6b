#include "view/lesson_view.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/tutor_dlg.h"
#include "platform/window/dialog_controls.h"
#include "support/test_platform.h"
#include "view/command_ids.h"

namespace {

using Handle = PageMirror::Handle;

// Cancels the settings dialog as soon as it is open, for tests that only follow its way there.
void CancelSettingsWhenOpen() {
    QTimer::singleShot(10, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            dialog->reject();
        } else {
            CancelSettingsWhenOpen();
        }
    });
}

class LessonViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dlg_ = std::make_unique<CTutorDlg>(platform_.Services());
        dlg_->Create();
        ASSERT_TRUE(WaitForDocument(&View()));
    }

    CLessonView& View() { return dlg_->m_view; }

    // Puts `html` into the page and returns its element with the id "probe".
    Handle Insert(const std::string& html) {
        View().SetElementHtml(View().GetElement("fileList"), html);
        return View().GetElement("probe");
    }

    void Raise(PageEventType type, Handle element, int selected = -1) {
        View().OnRendererEvent(type, element, selected);
    }

    std::vector<bool> ButtonStates() {
        std::vector<bool> states;
        for (int id = kStopButton; id <= kReadAlongButton; ++id) {
            states.push_back(FindControl(dlg_.get(), id)->isEnabled());
        }
        return states;
    }

    Handle LoadPageWithFolder(const char* text) {
        return Insert(std::string("<span class=\"folder\" id=\"probe\">") + text + "</span>");
    }

    TemporaryCourse course_;
    TestPlatform platform_;
    std::unique_ptr<CTutorDlg> dlg_;
};

TEST_F(LessonViewTest, PointerOverActiveElementsTurnsThemRedWithTheHand) {
    for (const char* cls : {"folder", "file", "setting", "hotElement"}) {
        const Handle element =
            Insert(std::string("<span class=\"") + cls + "\" id=\"probe\">text</span>");
        Raise(PageEventType::kMouseOver, element);
        EXPECT_EQ(View().GetElementStyle(element, "color"), "#ff0000") << cls;
        EXPECT_EQ(View().GetElementStyle(element, "cursor"), "pointer") << cls;
        Raise(PageEventType::kMouseOut, element);
        EXPECT_EQ(View().GetElementStyle(element, "color"), "#000000") << cls;
        EXPECT_EQ(View().GetElementStyle(element, "cursor"), "pointer") << cls;
    }
}

TEST_F(LessonViewTest, OnlyTheRaisingElementsOwnWholeClassMatches) {
    const Handle inner =
        Insert("<span class=\"folder\" id=\"outer\"><b id=\"probe\">打开课文</b></span>");
    Raise(PageEventType::kClick, inner);
    Raise(PageEventType::kMouseOver, inner);
    EXPECT_EQ(View().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(View().GetElementStyle(View().GetElement("outer"), "color"), "");

    const Handle twoClasses = Insert("<span class=\"folder x\" id=\"probe\">打开课文</span>");
    Raise(PageEventType::kClick, twoClasses);
    const Handle otherCase = Insert("<span class=\"Folder\" id=\"probe\">打开课文</span>");
    Raise(PageEventType::kClick, otherCase);
    EXPECT_EQ(View().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(View().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, EventsFromElementsNotOnThePageAreIgnored) {
    const Handle stale = LoadPageWithFolder("打开课文");
    Insert("<b id=\"probe\">replaced</b>");
    for (Handle element : {stale, Handle{0}, Handle{0x7fffffff}}) {
        Raise(PageEventType::kClick, element);
    }
    EXPECT_EQ(View().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(View().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, OpenLessonsLinkShowsTheContentsPage) {
    Raise(PageEventType::kClick, LoadPageWithFolder("打开课文"));
    EXPECT_EQ(View().m_nPage, 1);
    EXPECT_EQ(View().m_nShowing, 2);
    EXPECT_EQ(View().LoadedResource(), CLessonView::kContentsPage);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, false));
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_NE(View().GetElement("fileList"), 0u);
}

TEST_F(LessonViewTest, BackLinkOfTheContentsPageReturnsToTheCoverWithTheTitleSound) {
    course_.Write("logo.wav", "RIFF");
    Raise(PageEventType::kClick, LoadPageWithFolder("打开课文"));
    ASSERT_TRUE(WaitForDocument(&View()));
    platform_.Sound().Stop();
    Handle back = 0;
    for (Handle h = 1; h < 100 && !back; ++h) {
        if (View().HasElement(h) && View().Mirror().Attribute(h, "class") == "folder") {
            back = h;
        }
    }
    ASSERT_NE(back, 0u);
    EXPECT_EQ(View().GetElementText(back), "返回");
    Raise(PageEventType::kClick, back);
    EXPECT_EQ(View().m_nPage, 0);
    EXPECT_EQ(View().m_nShowing, 0);
    EXPECT_EQ(View().LoadedResource(), CLessonView::kCoverPage);
    EXPECT_EQ(platform_.Sound().CurrentFile(), "logo.wav");
}

TEST_F(LessonViewTest, BackToContentsFromALessonRestartsTheTitleSound) {
    course_.Write("logo.wav", "RIFF");
    View().m_nPage = 2;
    View().m_nShowing = 1;
    View().ShowPage();
    ASSERT_TRUE(WaitForDocument(&View()));
    View().EnableCommandButtons(true, true);
    platform_.Sound().Stop();
    Raise(PageEventType::kClick, LoadPageWithFolder("返回目录"));
    EXPECT_EQ(View().m_nPage, 1);
    EXPECT_EQ(View().m_nShowing, 2);
    EXPECT_EQ(View().LoadedResource(), CLessonView::kContentsPage);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, false));
    EXPECT_EQ(platform_.Sound().CurrentFile(), "logo.wav");
}

TEST_F(LessonViewTest, SettingsFolderTextAndEmptyElementsDoNothing) {
    Raise(PageEventType::kClick, LoadPageWithFolder("系统设置"));
    Raise(PageEventType::kClick, LoadPageWithFolder(""));
    Raise(PageEventType::kClick, Insert("<span class=\"file\" id=\"probe\"></span>"));
    EXPECT_EQ(View().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(View().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, SettingsElementReloadsTheCurrentPage) {
    const Handle setting = Insert("<span class=\"setting\" id=\"probe\">系统设置</span>");
    CancelSettingsWhenOpen();
    Raise(PageEventType::kClick, setting);
    EXPECT_FALSE(View().HasElement(setting));
    EXPECT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, RightClickShowsTheSettingsFirstThenAddingALesson) {
    const Handle marker = Insert("<b id=\"probe\">still here</b>");
    QStringList items;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) {
            return;
        }
        for (QAction* action : menu->actions()) {
            items << action->text();
        }
        QTest::keyClick(menu, Qt::Key_Down);
        CancelSettingsWhenOpen();
        QTest::keyClick(menu, Qt::Key_Return);
    });
    View().OnRendererContextMenu(QPoint(10, 10));
    EXPECT_EQ(items, (QStringList{QStringLiteral("设置"), QStringLiteral("添加课文…")}));
    EXPECT_FALSE(View().HasElement(marker)) << "choosing the settings reloads the page";
}

TEST_F(LessonViewTest, DismissedMenuChangesNothing) {
    const Handle marker = Insert("<b id=\"probe\">still here</b>");
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) {
            menu->close();
        }
    });
    View().OnRendererContextMenu(QPoint(10, 10));
    EXPECT_TRUE(View().HasElement(marker));
}

TEST_F(LessonViewTest, CommandButtonsFollowLessonAndIdle) {
    // In id order: stop, read aloud, next, previous, dictation, repeat, read-along.
    View().EnableCommandButtons(true, true);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, true));
    View().EnableCommandButtons(true, false);
    EXPECT_EQ(ButtonStates(), (std::vector<bool>{true, false, true, true, false, false, false}));
    View().EnableCommandButtons(false, true);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, false));
}

class SectionSelectorTest : public LessonViewTest {
  protected:
    void SetUp() override {
        LessonViewTest::SetUp();
        View().m_nPage = 2;
        View().m_nShowing = 1;
        View().ShowPage();
        ASSERT_TRUE(WaitForDocument(&View()));
        Insert(
            "<SELECT id=\"Select1\"><OPTION selected value=\"1\">One<OPTION value=\"2\">Two"
            "</SELECT><INPUT id=\"Goto\" type=\"BUTTON\" value=\"Goto\">");
        select_ = View().GetElement("Select1");
        go_ = View().GetElement("Goto");
    }
    Handle select_ = 0;
    Handle go_ = 0;
};

TEST_F(SectionSelectorTest, ChangingTheSelectionAloneChangesNothing) {
    Raise(PageEventType::kChange, select_, 1);
    EXPECT_EQ(View().m_nSection, 1);
    EXPECT_TRUE(View().HasElement(select_));
    EXPECT_EQ(View().GetSelectedIndex("Select1"), 1);
}

TEST_F(SectionSelectorTest, GotoWithAnotherSectionReloadsTheLessonPage) {
    Raise(PageEventType::kChange, select_, 1);
    Raise(PageEventType::kClick, go_);
    EXPECT_EQ(View().m_nSection, 2);
    EXPECT_EQ(View().m_bSectionRequested, 0);
    EXPECT_FALSE(View().HasElement(select_));
    EXPECT_EQ(View().LoadedResource(), CLessonView::kLessonPage);
}

TEST_F(SectionSelectorTest, GotoWithTheShownSectionDoesNotReload) {
    Raise(PageEventType::kClick, go_);
    EXPECT_EQ(View().m_nSection, 1);
    EXPECT_EQ(View().m_bSectionRequested, 0);
    EXPECT_TRUE(View().HasElement(select_));
}

}  // namespace
