#include "view/lesson_view.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "app/tutor_dlg.h"
#include "platform/window/dialog_controls.h"
#include "test_platform.h"

namespace {

using Handle = PageMirror::Handle;

class LessonViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dlg = std::make_unique<CTutorDlg>(platform.Services());
        dlg->Create();
        ASSERT_TRUE(WaitForDocument(&view()));
    }

    CLessonView& view() { return dlg->m_view; }

    // Puts `html` into the page and returns its element with the id "probe".
    Handle Insert(const std::string& html) {
        view().SetElementHtml(view().GetElement("fileList"), html);
        return view().GetElement("probe");
    }

    void Raise(PageEventType type, Handle element, int selected = -1) {
        view().OnRendererEvent(type, element, selected);
    }

    std::vector<bool> ButtonStates() {
        std::vector<bool> states;
        for (int id = 1001; id <= 1007; ++id)
            states.push_back(FindControl(dlg.get(), id)->isEnabled());
        return states;
    }

    Handle LoadPageWithFolder(const char* text) {
        return Insert(std::string("<span class=\"folder\" id=\"probe\">") + text + "</span>");
    }

    TemporaryCourse course;
    TestPlatform platform;
    std::unique_ptr<CTutorDlg> dlg;
};

TEST_F(LessonViewTest, PointerOverActiveElementsTurnsThemRedWithTheHand) {
    for (const char* cls : {"folder", "file", "setting", "hotElement"}) {
        const Handle element =
            Insert(std::string("<span class=\"") + cls + "\" id=\"probe\">text</span>");
        Raise(PageEventType::MouseOver, element);
        EXPECT_EQ(view().GetElementStyle(element, "color"), "#ff0000") << cls;
        EXPECT_EQ(view().GetElementStyle(element, "cursor"), "pointer") << cls;
        Raise(PageEventType::MouseOut, element);
        EXPECT_EQ(view().GetElementStyle(element, "color"), "#000000") << cls;
        EXPECT_EQ(view().GetElementStyle(element, "cursor"), "pointer") << cls;
    }
}

TEST_F(LessonViewTest, OnlyTheRaisingElementsOwnWholeClassMatches) {
    const Handle inner =
        Insert("<span class=\"folder\" id=\"outer\"><b id=\"probe\">打开课文</b></span>");
    Raise(PageEventType::Click, inner);
    Raise(PageEventType::MouseOver, inner);
    EXPECT_EQ(view().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(view().GetElementStyle(view().GetElement("outer"), "color"), "");

    const Handle twoClasses = Insert("<span class=\"folder x\" id=\"probe\">打开课文</span>");
    Raise(PageEventType::Click, twoClasses);
    const Handle otherCase = Insert("<span class=\"Folder\" id=\"probe\">打开课文</span>");
    Raise(PageEventType::Click, otherCase);
    EXPECT_EQ(view().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(view().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, EventsFromElementsNotOnThePageAreIgnored) {
    const Handle stale = LoadPageWithFolder("打开课文");
    Insert("<b id=\"probe\">replaced</b>");
    for (Handle element : {stale, Handle{0}, Handle{0x7fffffff}})
        Raise(PageEventType::Click, element);
    EXPECT_EQ(view().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(view().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, OpenLessonsLinkShowsTheContentsPage) {
    Raise(PageEventType::Click, LoadPageWithFolder("打开课文"));
    EXPECT_EQ(view().m_nPage, 1);
    EXPECT_EQ(view().m_nShowing, 2);
    EXPECT_EQ(view().LoadedResource(), CLessonView::kContentsPage);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, false));
    ASSERT_TRUE(WaitForDocument(&view()));
    EXPECT_NE(view().GetElement("fileList"), 0u);
}

TEST_F(LessonViewTest, BackLinkOfTheContentsPageReturnsToTheCoverWithTheTitleSound) {
    Raise(PageEventType::Click, LoadPageWithFolder("打开课文"));
    ASSERT_TRUE(WaitForDocument(&view()));
    platform.sound.Stop();
    Handle back = 0;
    for (Handle h = 1; h < 100 && !back; ++h) {
        if (view().HasElement(h) && view().Mirror().Attribute(h, "class") == "folder")
            back = h;
    }
    ASSERT_NE(back, 0u);
    EXPECT_EQ(view().GetElementText(back), "返回");
    Raise(PageEventType::Click, back);
    EXPECT_EQ(view().m_nPage, 0);
    EXPECT_EQ(view().m_nShowing, 0);
    EXPECT_EQ(view().LoadedResource(), CLessonView::kCoverPage);
    EXPECT_EQ(platform.sound.CurrentFile(), "logo.wav");
}

TEST_F(LessonViewTest, BackToContentsFromALessonRestartsTheTitleSound) {
    view().m_nPage = 2;
    view().m_nShowing = 1;
    view().ShowPage();
    ASSERT_TRUE(WaitForDocument(&view()));
    view().EnableCommandButtons(true, true);
    platform.sound.Stop();
    Raise(PageEventType::Click, LoadPageWithFolder("返回目录"));
    EXPECT_EQ(view().m_nPage, 1);
    EXPECT_EQ(view().m_nShowing, 2);
    EXPECT_EQ(view().LoadedResource(), CLessonView::kContentsPage);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, false));
    EXPECT_EQ(platform.sound.CurrentFile(), "logo.wav");
}

TEST_F(LessonViewTest, SettingsFolderTextAndEmptyElementsDoNothing) {
    Raise(PageEventType::Click, LoadPageWithFolder("系统设置"));
    Raise(PageEventType::Click, LoadPageWithFolder(""));
    Raise(PageEventType::Click, Insert("<span class=\"file\" id=\"probe\"></span>"));
    EXPECT_EQ(view().m_nPage, CLessonView::kCoverPage);
    EXPECT_EQ(view().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, SettingsElementReloadsTheCurrentPage) {
    const Handle setting = Insert("<span class=\"setting\" id=\"probe\">系统设置</span>");
    Raise(PageEventType::Click, setting);
    EXPECT_FALSE(view().HasElement(setting));
    EXPECT_TRUE(WaitForDocument(&view()));
    EXPECT_EQ(view().LoadedResource(), CLessonView::kCoverPage);
}

TEST_F(LessonViewTest, RightClickShowsOnlyTheSettingsItem) {
    const Handle marker = Insert("<b id=\"probe\">still here</b>");
    QStringList items;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* action : menu->actions())
            items << action->text();
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    view().OnRendererContextMenu(QPoint(10, 10));
    EXPECT_EQ(items, QStringList{QStringLiteral("设置")});
    EXPECT_FALSE(view().HasElement(marker)) << "choosing the item reloads the page";
}

TEST_F(LessonViewTest, DismissedMenuChangesNothing) {
    const Handle marker = Insert("<b id=\"probe\">still here</b>");
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            menu->close();
    });
    view().OnRendererContextMenu(QPoint(10, 10));
    EXPECT_TRUE(view().HasElement(marker));
}

TEST_F(LessonViewTest, CommandButtonsFollowLessonAndIdle) {
    // Ids 1001..1007: stop, read aloud, next, previous, dictation, repeat, read-along.
    view().EnableCommandButtons(true, true);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, true));
    view().EnableCommandButtons(true, false);
    EXPECT_EQ(ButtonStates(), (std::vector<bool>{true, false, true, true, false, false, false}));
    view().EnableCommandButtons(false, true);
    EXPECT_EQ(ButtonStates(), std::vector<bool>(7, false));
}

class SectionSelectorTest : public LessonViewTest {
  protected:
    void SetUp() override {
        LessonViewTest::SetUp();
        view().m_nPage = 2;
        view().m_nShowing = 1;
        view().ShowPage();
        ASSERT_TRUE(WaitForDocument(&view()));
        Insert(
            "<SELECT id=\"Select1\"><OPTION selected value=\"1\">One<OPTION value=\"2\">Two"
            "</SELECT><INPUT id=\"Goto\" type=\"BUTTON\" value=\"Goto\">");
        select = view().GetElement("Select1");
        go = view().GetElement("Goto");
    }
    Handle select = 0;
    Handle go = 0;
};

TEST_F(SectionSelectorTest, ChangingTheSelectionAloneChangesNothing) {
    Raise(PageEventType::Change, select, 1);
    EXPECT_EQ(view().m_nSection, 1);
    EXPECT_TRUE(view().HasElement(select));
    EXPECT_EQ(view().GetSelectedIndex("Select1"), 1);
}

TEST_F(SectionSelectorTest, GotoWithAnotherSectionReloadsTheLessonPage) {
    Raise(PageEventType::Change, select, 1);
    Raise(PageEventType::Click, go);
    EXPECT_EQ(view().m_nSection, 2);
    EXPECT_EQ(view().m_bSectionRequested, 0);
    EXPECT_FALSE(view().HasElement(select));
    EXPECT_EQ(view().LoadedResource(), CLessonView::kLessonPage);
}

TEST_F(SectionSelectorTest, GotoWithTheShownSectionDoesNotReload) {
    Raise(PageEventType::Click, go);
    EXPECT_EQ(view().m_nSection, 1);
    EXPECT_EQ(view().m_bSectionRequested, 0);
    EXPECT_TRUE(view().HasElement(select));
}

}  // namespace
