// The settings dialog on the offscreen platform, alone and run by the settings command.

#include "view/settings_dlg.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "app/tutor_dlg.h"
#include "platform/files/files.h"
#include "platform/window/dialog_controls.h"
#include "support/test_platform.h"

namespace {

using enum CSettingsDlg::ControlId;

template <class Control>
Control* Get(const QWidget& dialog, int id) {
    return static_cast<Control*>(FindControl(&dialog, id));
}

// Runs `act` on the settings dialog once it is open and modal and its role lists are filled.
void WhenDialogOpens(std::function<void(CSettingsDlg&)> act) {
    QTimer::singleShot(10, [act] {
        auto* dialog = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
        if (dialog != nullptr && Get<QComboBox>(*dialog, kRole1)->isEnabled()) {
            act(*dialog);
        } else {
            WhenDialogOpens(act);
        }
    });
}

// Chooses a character in a role list as the learner does.
void ChooseRole(const QWidget& dialog, int id, const char* name) {
    auto* list = Get<QComboBox>(dialog, id);
    list->setCurrentIndex(list->findText(QString::fromUtf8(name)));
    emit list->activated(list->currentIndex());
}

class SettingsDlgTest : public ::testing::Test {
  protected:
    SettingsDlgTest() {
        // Two installed characters the scripted agent knows, in a folder of their own.
        course_.Write("chars/merlin.acs", "");
        course_.Write("chars/Genie.acs", "");
        platform_.SetCharacterFolder((course_.Path() / "chars").string());
    }

    std::unique_ptr<CSettingsDlg> Make(const std::string& role1, const std::string& role2) {
        auto dlg = std::make_unique<CSettingsDlg>(2, 2, 2, 1, 1, 0, 0, 1, 1, role1, role2, nullptr,
                                                  platform_.Services());
        WhenDialogOpens([](CSettingsDlg& open) { open.reject(); });
        dlg->DoModal();
        return dlg;
    }

    int Messages(const char* text) {
        int count = 0;
        for (const auto& message : platform_.MessageBox().Messages()) {
            count += message.text == QString::fromUtf8(text) ? 1 : 0;
        }
        return count;
    }

    TemporaryCourse course_;
    TestPlatform platform_;
};

TEST_F(SettingsDlgTest, ControlsStandWhereTheTemplatePutsThem) {
    const auto dlg = Make("merlin.acs", "Genie.acs");
    const DialogUnits units(dlg->font());
    EXPECT_EQ(dlg->windowTitle(), "Dialog");
    EXPECT_EQ(Get<QWidget>(*dlg, 1)->geometry(),
              QRect(units.X(237), units.Y(7), units.X(50), units.Y(14)));
    EXPECT_EQ(Get<QWidget>(*dlg, kReplay)->geometry(),
              QRect(units.X(158), units.Y(46), units.X(46), units.Y(12)));
    EXPECT_EQ(Get<QWidget>(*dlg, kChineseBalloon)->geometry(),
              QRect(units.X(90), units.Y(111), units.X(64), units.Y(10)));
    EXPECT_EQ(Get<QWidget>(*dlg, kRole2)->pos(), QPoint(units.X(145), units.Y(17)));
    EXPECT_TRUE(Get<QPushButton>(*dlg, 1)->isDefault());
    QStringList rates;
    for (int i = 0; i < Get<QComboBox>(*dlg, kRate)->count(); ++i) {
        rates << Get<QComboBox>(*dlg, kRate)->itemText(i);
    }
    EXPECT_EQ(rates, (QStringList{"低", "较低", "中", "较高", "高"}));

    // Tab goes through the fields top to bottom, then the buttons from the top.
    std::vector<int> order;
    QWidget* at = Get<QWidget>(*dlg, kRole1);
    for (int i = 0; i < 100 && order.size() < 16; ++i, at = at->nextInFocusChain()) {
        if (const int id = at->property("controlId").toInt(); id != 0) {
            order.push_back(id);  // the lists' own inner widgets have none
        }
    }
    EXPECT_EQ(order, (std::vector<int>{kRole1, kRole2, kRate, kReplay, kInterval, kShowPhonetic,
                                       kShowChinese, kShowMouth, kShowBalloon, kChineseBalloon,
                                       kSpeakChinese, kKeepNoRecordings, kOk, kDefaults, kCopyright,
                                       kCancel}));
}

TEST_F(SettingsDlgTest, RoleListsMatchFilesInAnyCaseAndKeepAnUnknownOne) {
    const auto dlg = Make("MERLIN.ACS", "gone.acs");
    auto* role1 = Get<QComboBox>(*dlg, kRole1);
    auto* role2 = Get<QComboBox>(*dlg, kRole2);
    ASSERT_EQ(role1->count(), 2);
    EXPECT_EQ(role1->currentText(), "Tutor One");
    EXPECT_EQ(role2->currentIndex(), -1);
    EXPECT_TRUE(dlg->UpdateData(true));
    EXPECT_EQ(dlg->m_strRole2, "gone.acs");

    // Both roles may take the same character.
    ChooseRole(*dlg, kRole2, "Tutor One");
    EXPECT_EQ(dlg->m_strRole2, "merlin.acs");
}

TEST_F(SettingsDlgTest, EachCharacterNameIsReadOnceAndNoCharacterLoaded) {
    platform_.Agent().ClearCalls();
    const auto dlg = Make("merlin.acs", "Genie.acs");
    std::vector<std::string> calls = platform_.Agent().Calls();
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ(calls, (std::vector<std::string>{"ReadName Genie.acs", "ReadName merlin.acs"}));
}

TEST_F(SettingsDlgTest, TheDialogIsUpWhileNamesAreReadAndClosingStopsTheReading) {
    platform_.Agent().HoldNames(true);
    platform_.Agent().ClearCalls();
    auto dlg = std::make_unique<CSettingsDlg>(2, 2, 2, 1, 1, 0, 0, 1, 1, "merlin.acs", "Genie.acs",
                                              nullptr, platform_.Services());
    bool waiting = false;
    QTimer::singleShot(10, [&waiting] {
        auto* open = qobject_cast<CSettingsDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(open, nullptr) << "the dialog did not open while a name was being read";
        waiting = !Get<QComboBox>(*open, kRole1)->isEnabled() &&
                  Get<QComboBox>(*open, kRole2)->count() == 0;
        open->reject();
    });
    dlg->DoModal();
    platform_.Agent().HoldNames(false);
    dlg.reset();
    EXPECT_TRUE(waiting) << "the role lists did not wait for the names";
    EXPECT_EQ(platform_.Agent().Calls().size(), 1u) << "names were read after the dialog closed";
}

TEST_F(SettingsDlgTest, ANonIntegerIsRefusedAtOnceAndOnOk) {
    const auto dlg = Make("merlin.acs", "Genie.acs");
    auto* replay = Get<QLineEdit>(*dlg, kReplay);
    QTest::keyClick(replay, Qt::Key_End);
    QTest::keyClick(replay, Qt::Key_Backspace);
    EXPECT_EQ(Messages("Please enter an integer."), 1);
    dlg->setResult(QDialog::Rejected);
    dlg->accept();
    EXPECT_EQ(Messages("Please enter an integer."), 2);
    EXPECT_NE(dlg->result(), QDialog::Accepted);
    QTest::keyClicks(replay, "7");
    dlg->accept();
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
    EXPECT_EQ(dlg->m_nReplay, 7);
}

TEST_F(SettingsDlgTest, DefaultsTickTheDisplayButLeaveTheChineseBalloonDisabled) {
    const auto dlg = Make("merlin.acs", "Genie.acs");
    auto* balloon = Get<QCheckBox>(*dlg, kShowBalloon);
    auto* chineseBalloon = Get<QCheckBox>(*dlg, kChineseBalloon);
    Get<QLineEdit>(*dlg, kInterval)->clear();
    ASSERT_FALSE(balloon->isChecked());
    ASSERT_FALSE(chineseBalloon->isEnabled());
    Get<QPushButton>(*dlg, kDefaults)->click();
    EXPECT_EQ(Messages("Please enter an integer."), 0);
    EXPECT_TRUE(balloon->isChecked());
    EXPECT_FALSE(chineseBalloon->isEnabled());
    EXPECT_EQ(Get<QComboBox>(*dlg, kRate)->currentIndex(), 1);
    EXPECT_EQ(Get<QLineEdit>(*dlg, kInterval)->text(), "5");
    balloon->click();  // off
    balloon->click();  // on again
    EXPECT_TRUE(chineseBalloon->isEnabled());
}

class SettingsCommandTest : public SettingsDlgTest {
  protected:
    void Start() {
        dlg_ = std::make_unique<CTutorDlg>(platform_.Services());
        dlg_->Create();
        ASSERT_TRUE(WaitForDocument(&dlg_->m_view));
    }
    ScriptedVoice& EnglishVoice() { return *platform_.Speech().created[0]; }

    std::unique_ptr<CTutorDlg> dlg_;
};

TEST_F(SettingsCommandTest, OkAppliesAndTheFileKeepsItCancelChangesNothing) {
    TutorSettings stored;
    stored.nSpeed = 0;
    ASSERT_FALSE(SaveSettings(stored));
    Start();
    // The stored speed is in force from the start.
    EXPECT_EQ(EnglishVoice().Rate(), -10);
    CLessonView& view = dlg_->m_view;

    const TutorSettings before = view.m_settings;
    WhenDialogOpens([](CSettingsDlg& open) {
        Get<QLineEdit>(open, kReplay)->setText("9");
        open.reject();
    });
    view.OnSettings();
    EXPECT_EQ(view.m_settings, before);
    EXPECT_TRUE(WaitForDocument(&view)) << "the page is rebuilt after Cancel too";

    WhenDialogOpens([this](CSettingsDlg& open) {
        Get<QComboBox>(open, kRate)->setCurrentIndex(4);
        Get<QLineEdit>(open, kReplay)->setText("3");
        Get<QLineEdit>(open, kInterval)->setText("4");
        ChooseRole(open, kRole1, "Tutor Two");
        Get<QCheckBox>(open, kShowMouth)->click();
        platform_.Agent().ClearCalls();
        QTest::keyClick(&open, Qt::Key_Return);
    });
    ASSERT_FALSE(FindControl(dlg_.get(), CTutorDlg::kPictureControl)->isVisibleTo(dlg_.get()));
    view.OnSettings();
    EXPECT_EQ(EnglishVoice().Rate(), 10);
    EXPECT_TRUE(FindControl(dlg_.get(), CTutorDlg::kPictureControl)->isVisibleTo(dlg_.get()))
        << "the main window lays itself out again with the mouth picture";
    const std::vector<std::string> calls = platform_.Agent().Calls();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[0], "Unload merlin.acs");
    EXPECT_EQ(calls[1], "Load Genie.acs");
    const std::vector<std::string> tail(calls.end() - 3, calls.end());
    EXPECT_EQ(tail,
              (std::vector<std::string>{"Genie.acs: Play DoMagic1", "Genie.acs: Play DoMagic2",
                                        "Genie.acs: Play RestPose"}));

    dlg_.reset();
    std::string bytes;
    ASSERT_FALSE(ReadWholeFile(kSettingsFileName, bytes, kSettingsFileLimit));
    TutorSettings saved;
    ParseSettings(saved, bytes);
    EXPECT_EQ(saved.nSpeed, 4);
    EXPECT_EQ(saved.nRepeatCount, 3);
    EXPECT_EQ(saved.nPauseSeconds, 4);
    EXPECT_EQ(saved.strCharacter1, "Genie.acs");
}

TEST_F(SettingsCommandTest, OkHandsTheBalloonAndVoiceSwitchesToTheFirstRole) {
    Start();
    CLessonView& view = dlg_->m_view;
    WhenDialogOpens([](CSettingsDlg& open) {
        // The Chinese balloon first: it is disabled once balloons are off.
        for (const int id : {kChineseBalloon, kShowBalloon, kSpeakChinese}) {
            Get<QCheckBox>(open, id)->click();
        }
        open.accept();
    });
    view.OnSettings();
    EXPECT_EQ(view.m_role1.m_bShowBalloon, 0);
    EXPECT_EQ(view.m_role1.m_bChineseInBalloon, 0);
    EXPECT_EQ(view.m_role1.m_bReadChinese, 0);
}

TEST_F(SettingsCommandTest, ALetterCaseChangeIsStoredWithoutReloading) {
    Start();
    CLessonView& view = dlg_->m_view;
    view.m_settings.strCharacter1 = "MERLIN.ACS";
    WhenDialogOpens([this](CSettingsDlg& open) {
        ChooseRole(open, kRole1, "Tutor One");
        platform_.Agent().ClearCalls();
        open.accept();
    });
    view.OnSettings();
    for (const std::string& call : platform_.Agent().Calls()) {
        EXPECT_EQ(call.find("Load"), std::string::npos) << call;
    }
    EXPECT_EQ(view.m_settings.strCharacter1, "merlin.acs");
}

}  // namespace
