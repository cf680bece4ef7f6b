#include "app/tutor_dlg.h"
#include "platform/files/files.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMoveEvent>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <string>
#include <vector>

#include "app/tutor_app.h"
#include "platform/window/dialog_controls.h"
#include "support/lesson_fixture.h"
#include "support/test_platform.h"
#include "view/command_ids.h"
#include "view/study_modes.h"

namespace {

constexpr int kButtonOrder[] = {kReadAlongButton, kRepeatButton,  kDictationButton,
                                kPreviousButton,  kNextButton,    kReadAloudButton,
                                kStopButton,      kPractiseButton};

class TutorDlgTest : public ::testing::Test {
  protected:
    QWidget* Button(CTutorDlg& dlg, int id) { return FindControl(&dlg, id); }

    TemporaryCourse course_;
    TestPlatform platform_;
};

TEST_F(TutorDlgTest, ButtonsFormACentredRowThirtyPixelsAboveTheBottom) {
    CTutorDlg dlg(platform_.Services());
    for (const auto& [cx, cy] : {std::pair{900, 500}, {1001, 333}, {1280, 1024}}) {
        dlg.LayoutButtons(cx, cy);
        const int w = Button(dlg, kReadAlongButton)->width();
        int x = (cx - 8 * (w + 6)) / 2;
        for (int id : kButtonOrder) {
            const QRect geometry = Button(dlg, id)->geometry();
            EXPECT_EQ(geometry.topLeft(), QPoint(x, cy - 30)) << "button " << id << " at " << cx;
            EXPECT_EQ(geometry.width(), w);
            x += w + 6;
        }
    }
}

TEST_F(TutorDlgTest, NarrowWindowStartsTheRowAtTenAndRunsOffTheEdge) {
    CTutorDlg dlg(platform_.Services());
    dlg.LayoutButtons(120, 200);
    const int w = Button(dlg, kReadAlongButton)->width();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Button(dlg, kButtonOrder[i])->x(), 10 + i * (w + 6));
    }
}

TEST_F(TutorDlgTest, MissingButtonIsSkippedWithoutAdvancing) {
    CTutorDlg dlg(platform_.Services());
    delete Button(dlg, kPreviousButton);
    dlg.LayoutButtons(900, 500);
    const int w = Button(dlg, kReadAlongButton)->width();
    const int start = (900 - 8 * (w + 6)) / 2;
    EXPECT_EQ(Button(dlg, kDictationButton)->x(), start + 2 * (w + 6));
    EXPECT_EQ(Button(dlg, kNextButton)->x(), start + 3 * (w + 6));
}

TEST_F(TutorDlgTest, NarrowedWindowStillShowsEveryButtonWhole) {
    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    dlg.resize(420, 300);
    QApplication::processEvents();
    const QList<QPushButton*> buttons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 8);
    for (const QPushButton* button : buttons) {
        EXPECT_GE(button->x(), 0) << button->text().toStdString();
        EXPECT_LE(button->geometry().right(), dlg.width() - 1) << button->text().toStdString();
    }
}

TEST_F(TutorDlgTest, StartsWithEightDisabledButtonsAndTheCoverPage) {
    course_.Write("logo.wav", "RIFF");
    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    EXPECT_EQ(dlg.windowTitle(), "Quorvan");
    const char* captions[] = {"跟读", "重复", "听写", "上一句", "下一句", "朗读", "停止", "我来说"};
    for (int i = 0; i < 8; ++i) {
        auto* button = qobject_cast<QPushButton*>(Button(dlg, kButtonOrder[i]));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(captions[i]));
        EXPECT_FALSE(button->isEnabled());
    }
    EXPECT_EQ(dlg.m_view.LoadedResource(), CLessonView::kCoverPage);
    EXPECT_TRUE(WaitForDocument(&dlg.m_view));
    EXPECT_EQ(platform_.Sound().CurrentFile(), "logo.wav");
}

TEST_F(TutorDlgTest, ViewFillsTheWindowWithoutTheMouthPicture) {
    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    EXPECT_FALSE(dlg.m_picture->isVisible());
    EXPECT_EQ(dlg.m_view.geometry(), QRect(0, 3, dlg.width(), dlg.height() - 45));
    dlg.resize(800, 400);
    QApplication::processEvents();
    EXPECT_EQ(dlg.m_view.geometry(), QRect(0, 3, 800, 355));
}

TEST_F(TutorDlgTest, MouthPictureStripIsFiftyPixelsByDefault) {
    TutorSettings settings;
    settings.bShowMouth = 1;
    SaveSettings(settings);
    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    EXPECT_TRUE(dlg.m_picture->isVisible());
    EXPECT_EQ(dlg.m_nStripWidth, 50);
    EXPECT_EQ(dlg.m_view.x(), 50);
    EXPECT_EQ(dlg.m_view.width(), dlg.width() - 50);
}

TEST_F(TutorDlgTest, RestPictureWidensTheStripToItsWidthPlusTwenty) {
    TutorSettings settings;
    settings.bShowMouth = 1;
    SaveSettings(settings);
    QImage picture(40, 36, QImage::Format_RGB32);
    picture.fill(Qt::white);
    std::filesystem::create_directory("Viseme");
    ASSERT_TRUE(picture.save("Viseme/rest.bmp"));
    course_.Write("Viseme/viseme.idx",
                  "SP_VISEME_1 = aa.bmp\r\n  22 = rest.bmp \r\n22=other.bmp\r\n");
    const std::filesystem::path before = std::filesystem::current_path();

    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    EXPECT_EQ(std::filesystem::current_path(), before);
    EXPECT_EQ(dlg.m_nStripWidth, 60);
    EXPECT_EQ(dlg.m_view.x(), 60);
    EXPECT_EQ(dlg.m_hRestPicture.width(), 40);
}

TEST_F(TutorDlgTest, UnloadableRestPictureKeepsTheDefaultStrip) {
    course_.Write("Viseme/viseme.idx", "22=missing.bmp\n22=also-missing.bmp\n");
    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    EXPECT_EQ(dlg.m_nStripWidth, 50);
    EXPECT_TRUE(dlg.m_hRestPicture.isNull());
}

TEST_F(TutorDlgTest, WindowRectangleIsTrackedOnlyOnceTheViewExists) {
    CTutorDlg dlg(platform_.Services());
    QResizeEvent resize(QSize(500, 300), QSize(400, 200));
    QCoreApplication::sendEvent(&dlg, &resize);
    QMoveEvent move(QPoint(30, 40), QPoint(0, 0));
    QCoreApplication::sendEvent(&dlg, &move);
    EXPECT_EQ(dlg.m_view.m_settings.rcWindow, WindowRect{});

    dlg.Create();
    dlg.move(25, 35);
    dlg.resize(640, 480);
    QApplication::processEvents();
    const QRect frame = dlg.frameGeometry();
    EXPECT_EQ(dlg.m_view.m_settings.rcWindow,
              (WindowRect{frame.left(), frame.top(), frame.right() + 1, frame.bottom() + 1}));
}

TEST_F(TutorDlgTest, StoredRectangleIsRestored) {
    TutorSettings settings;
    settings.rcWindow = {10, 20, 790, 420};
    SaveSettings(settings);
    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    QApplication::processEvents();  // placed once exposed, in its frame
    EXPECT_EQ(dlg.frameGeometry(), QRect(10, 20, 780, 400));
}

TEST_F(TutorDlgTest, RectangleLargerThanTheScreenKeepsItsPlaceAndShrinks) {
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    // A stored 32767 x 32767 window once took gigabytes and was stored again at the next close.
    for (const WindowRect& stored :
         {WindowRect{0, 0, 2147483647, 2147483647},
          WindowRect{-2147483647 - 1, 5, 2147483647, 10000}, WindowRect{10, 20, 10010, 10020}}) {
        TutorSettings settings;
        settings.rcWindow = stored;
        SaveSettings(settings);
        {
            CTutorDlg dlg(platform_.Services());
            dlg.Create();
            QApplication::processEvents();
            EXPECT_LE(dlg.frameGeometry().width(), screen.width()) << stored.left;
            EXPECT_LE(dlg.frameGeometry().height(), screen.height()) << stored.left;
        }
        TutorSettings written;
        LoadSettings(written);
        EXPECT_LE(written.rcWindow.right - written.rcWindow.left, screen.width());
    }
    TutorSettings settings;
    settings.rcWindow = {10, 20, 10010, 10020};
    SaveSettings(settings);
    CTutorDlg dlg(platform_.Services());
    dlg.Create();
    EXPECT_EQ(dlg.frameGeometry().topLeft(), QPoint(10, 20));
}

TEST_F(TutorDlgTest, ASecondTutorInTheSameFolderSaysSoAndLeaves) {
    UniqueFd first;
    ASSERT_EQ(LockFolder(".", CTutorApp::kLockFile, first), std::error_code());
    course_.Write("quorvan.set", "keep me");
    CTutorApp app(platform_);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), 1);
    ASSERT_EQ(platform_.MessageBox().Messages().size(), 1u);
    EXPECT_EQ(course_.Read("quorvan.set"), "keep me");
}

TEST_F(TutorDlgTest, AStartRemovesWhatKilledWritesLeftOnceNoOtherTutorRuns) {
    course_.Write("cntindex.idx", "");
    course_.Write("quorvan.set.a1B2c3", "killed while writing the settings");
    course_.Write("tcnt.tmp.Z9y8X7", "killed while writing the lesson text");
    course_.Write("quorvan.set.bak", "the learner's");
    course_.Write("quorvan.set.D1r3ct/x", "a folder is never ours");
    std::filesystem::create_symlink("quorvan.set.bak", "quorvan.set.L1nk00");
    {
        // The tutor that holds the folder may be writing its settings right now.
        UniqueFd other;
        ASSERT_EQ(LockFolder(".", CTutorApp::kLockFile, other), std::error_code());
        CTutorApp app(platform_);
        app.InitInstance();
        ASSERT_EQ(app.ExitCode(), 1);
        EXPECT_TRUE(course_.Exists("quorvan.set.a1B2c3"));
    }
    QTimer::singleShot(50, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    CTutorApp app(platform_);
    app.InitInstance();
    EXPECT_EQ(course_.Names(), (std::vector<std::string>{"cntindex.idx", "quorvan.lock",
                                                         "quorvan.set", "quorvan.set.D1r3ct",
                                                         "quorvan.set.L1nk00", "quorvan.set.bak"}));
}

TEST_F(TutorDlgTest, DegenerateOrOffScreenRectangleKeepsTheTemplatePlacement) {
    QSize templateSize;
    {
        CTutorDlg dlg(platform_.Services());
        templateSize = dlg.size();
    }
    for (const WindowRect& stored :
         {WindowRect{0, 0, 300, 0}, WindowRect{-32000, -32000, -31840, -31970},
          WindowRect{9000, 9000, 9600, 9400}}) {
        TutorSettings settings;
        settings.rcWindow = stored;
        SaveSettings(settings);
        CTutorDlg dlg(platform_.Services());
        dlg.Create();
        EXPECT_EQ(dlg.size(), templateSize) << stored.left << "," << stored.top;
        EXPECT_GE(dlg.x(), 0);
    }
}

TEST_F(TutorDlgTest, CloseSavesSettingsAndRemovesTheLessonText) {
    course_.Write("tcnt.tmp", "lesson text");
    {
        CTutorDlg dlg(platform_.Services());
        dlg.Create();
        ASSERT_TRUE(WaitForDocument(&dlg.m_view));
    }
    EXPECT_EQ(course_.Read("quorvan.set").size(), 83u);
    EXPECT_FALSE(course_.Exists("tcnt.tmp"));
}

TEST_F(TutorDlgTest, ClosingWhileThePageLoadsAndWithoutLessonTextIsFine) {
    {
        CTutorDlg dlg(platform_.Services());
        dlg.Create();
    }
    QApplication::processEvents();
    EXPECT_TRUE(course_.Exists("quorvan.set"));
    EXPECT_FALSE(course_.Exists("tcnt.tmp"));
}

TEST_F(TutorDlgTest, EveryCloseWritesTheSettingsEvenWhenNothingChanged) {
    course_.Write("quorvan.set", std::string(40, '\0'));
    { CTutorDlg dlg(platform_.Services()); }
    TutorSettings written;
    LoadSettings(written);
    EXPECT_EQ(written.nSpeed, 0);
    EXPECT_EQ(written.strCharacter1, "merlin.acs");
    EXPECT_EQ(course_.Read("quorvan.set").size(), 83u);
}

TEST_F(TutorDlgTest, FailedPlatformStartShowsTheErrorAndLeavesTheSettingsAlone) {
    course_.Write("quorvan.set", "keep me");
    platform_.RefuseToStart();
    CTutorApp app(platform_);
    EXPECT_FALSE(app.InitInstance());
    ASSERT_EQ(platform_.MessageBox().Messages().size(), 1u);
    const auto& message = platform_.MessageBox().Messages().front();
    EXPECT_EQ(message.caption, "Error");
    EXPECT_EQ(message.text, "There was an error initializing COM.");
    EXPECT_EQ(message.icon, MessageIcon::kError);
    EXPECT_EQ(message.owner, nullptr);
    EXPECT_EQ(course_.Read("quorvan.set"), "keep me");
    EXPECT_EQ(platform_.Stops(), 0);
}

TEST_F(TutorDlgTest, RunEndsWhenTheMainWindowClosesAndThenStopsThePlatform) {
    course_.Write("cntindex.idx", "");
    QTimer::singleShot(50, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    CTutorApp app(platform_);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(platform_.Stops(), 1);
    EXPECT_EQ(course_.Read("quorvan.set").size(), 83u);
    EXPECT_TRUE(platform_.MessageBox().Messages().empty());
}

using TutorDlgLessonTest = LessonFixture;

TEST_F(TutorDlgLessonTest, EscapeStopsTheStudyAndLeavesTheWindowOpen) {
    AddLesson("L", "l.dat", "#1A@0#\nGood morning.\nHow are you?\nFine, thank you.\n");
    Start();
    OpenLesson("L");
    qobject_cast<QPushButton*>(FindControl(dlg_.get(), kReadAloudButton))->click();
    ASSERT_EQ(View().m_nMode, MODE_READ);
    // Where the focus is after a click on a button: the key goes up to the window from there.
    QTest::keyClick(FindControl(dlg_.get(), kStopButton), Qt::Key_Escape);
    EXPECT_EQ(View().m_nMode, MODE_IDLE);
    EXPECT_TRUE(FindControl(dlg_.get(), kReadAloudButton)->isEnabled());
    EXPECT_TRUE(dlg_->isVisible());
}

}  // namespace
