// The roles' characters, on the scripted agent: what each role operation asks of the agent, and
// what the main window and the lesson view ask of the roles.

#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QScreen>

#include "app/tutor_dlg.h"
#include "settings/tutor_settings.h"
#include "speech/role.h"
#include "support/test_platform.h"

namespace {

using Calls = std::vector<std::string>;

std::string ScreenCentre() {
    const QSize size = QGuiApplication::primaryScreen()->size();
    return "MoveTo " + std::to_string(size.width() / 2) + " " + std::to_string(size.height() / 2) +
           " 0";
}

class RoleCharacterTest : public ::testing::Test {
  protected:
    SpeechServices Voices() { return {&platform_.Speech(), &platform_.MessageBox()}; }

    TemporaryCourse course_;
    TestPlatform platform_;
    ScriptedAgent& agent_ = platform_.Agent();
};

TEST_F(RoleCharacterTest, LoadPlacesAtScreenCentreAndShowsOnlyWhenAsked) {
    CRole shown(Voices(), &agent_);
    CRole hidden(Voices(), &agent_);
    EXPECT_FALSE(shown.LoadCharacter(u"merlin.acs", 0, 1));
    EXPECT_FALSE(hidden.LoadCharacter(u"Genie.acs", 0, 0));
    EXPECT_EQ(agent_.CallsTo("merlin.acs"), (Calls{"SetLanguageID 804", ScreenCentre(), "Show"}));
    EXPECT_EQ(agent_.CallsTo("Genie.acs"), (Calls{"SetLanguageID 804", ScreenCentre()}));
}

TEST_F(RoleCharacterTest, ReloadUnloadsTheOldCharacterFirstAndDestructionHidesAndUnloads) {
    {
        CRole role(Voices(), &agent_);
        role.LoadCharacter(u"merlin.acs", 1, 0);
        role.LoadCharacter(u"Genie.acs", 0, 0);
        EXPECT_EQ(agent_.LoadedCount(), 1);
        agent_.ClearCalls();
    }
    EXPECT_EQ(agent_.Calls(), (Calls{"Genie.acs: Hide", "Unload Genie.acs"}));
    EXPECT_EQ(agent_.LoadedCount(), 0);
}

TEST_F(RoleCharacterTest, OperationsReachTheCharacter) {
    CRole role(Voices(), &agent_);
    role.LoadCharacter(u"merlin.acs", 0, 1);
    agent_.ClearCalls();
    role.MoveTo(70000, -5, 20);  // cut to 16 bits, as screen coordinates always were
    role.ShowAt(1, 10, 20);
    role.ShowAt(0, 10, 20);
    role.PlayAnimation("Greet");
    role.Stop();
    EXPECT_EQ(agent_.CallsTo("merlin.acs"), (Calls{"MoveTo 4464 -5 20", "MoveTo 10 20 0", "Show",
                                                   "Hide", "Play Greet", "StopAll 4"}));
    EXPECT_EQ(role.m_bStopped, 1);
}

TEST_F(RoleCharacterTest, FailedLoadLeavesNoCharacterAndLaterRequestsTouchOnlyTheVoices) {
    CRole role(Voices(), &agent_);
    role.LoadCharacter(u"merlin.acs", 0, 1);
    EXPECT_EQ(role.LoadCharacter(u"missing.acs", 0, 1), AgentError::kInvalidFile);
    EXPECT_EQ(role.m_pCharacter, nullptr);
    agent_.ClearCalls();
    const int purgesBefore = platform_.Speech().created.front()->purges;
    role.ShowAt(1, 0, 0);
    role.MoveTo(1, 1, 20);
    role.PlayAnimation("Greet");
    role.Stop();
    EXPECT_TRUE(agent_.Calls().empty());
    EXPECT_GT(platform_.Speech().created.front()->purges, purgesBefore);
    EXPECT_EQ(role.m_bStopped, 1);
}

TEST_F(RoleCharacterTest, WithoutAgentLoadFailsAndVoicesStillWork) {
    CRole role(Voices(), nullptr);
    EXPECT_EQ(role.LoadCharacter(u"merlin.acs", 0, 1), AgentError::kNoAgent);
    role.PlayAnimation("Greet");
    role.Stop();
    EXPECT_EQ(role.m_bStopped, 1);
}

// The main window and the view, from start-up to page switches.
class ViewCharacterTest : public RoleCharacterTest {
  protected:
    void Start() {
        dlg_ = std::make_unique<CTutorDlg>(platform_.Services());
        dlg_->Create();
        ASSERT_TRUE(WaitForDocument(&dlg_->m_view));
    }

    void ClickFolder(const char* text) {
        CLessonView& view = dlg_->m_view;
        view.SetElementHtml(view.GetElement("fileList"),
                            std::string("<span class=\"folder\" id=\"probe\">") + text + "</span>");
        view.OnRendererEvent(PageEventType::kClick, view.GetElement("probe"), -1);
    }

    std::unique_ptr<CTutorDlg> dlg_;
};

TEST_F(ViewCharacterTest, StartShowsAndGreetsWithRoleOneLoadsRoleTwoHiddenAndGlidesBeside) {
    TutorSettings settings;
    settings.rcWindow = {100, 50, 700, 550};
    ASSERT_FALSE(SaveSettings(settings));
    Start();
    EXPECT_EQ(agent_.CallsTo("merlin.acs"),
              (Calls{"SetLanguageID 804", ScreenCentre(), "Show", "Play Greet", "Play RestPose",
                     "MoveTo 600 50 20"}));
    EXPECT_EQ(agent_.CallsTo("Genie.acs"), (Calls{"SetLanguageID 804", ScreenCentre()}));
}

TEST_F(ViewCharacterTest, FirstStartGlidesToTheDefaultPlace) {
    Start();
    EXPECT_EQ(agent_.CallsTo("merlin.acs").back(), "MoveTo 200 0 20");
}

TEST_F(ViewCharacterTest, PagesAnimateRoleOne) {
    course_.Write("cntindex.idx", "");
    Start();
    agent_.ClearCalls();
    ClickFolder("打开课文");
    ASSERT_TRUE(WaitForDocument(&dlg_->m_view));
    EXPECT_EQ(agent_.CallsTo("merlin.acs"), (Calls{"Play Reading"}));

    agent_.ClearCalls();
    ClickFolder("返回");
    EXPECT_EQ(agent_.CallsTo("merlin.acs"), (Calls{"StopAll 1"}));
    ASSERT_TRUE(WaitForDocument(&dlg_->m_view));

    agent_.ClearCalls();
    dlg_->m_view.BuildLessonPage();
    EXPECT_EQ(agent_.CallsTo("merlin.acs"), (Calls{"StopAll 1", "Play Explain"}));
    EXPECT_TRUE(agent_.CallsTo("Genie.acs").empty());
}

TEST_F(ViewCharacterTest, ClosingUnloadsRoleTwoThenRoleOne) {
    Start();
    agent_.ClearCalls();
    dlg_.reset();
    EXPECT_EQ(agent_.Calls(), (Calls{"Genie.acs: Hide", "Unload Genie.acs", "merlin.acs: Hide",
                                     "Unload merlin.acs"}));
}

TEST_F(ViewCharacterTest, ANameOutsideTheCharacterFolderGivesTheRoleItsDefaultCharacter) {
    TutorSettings settings;
    settings.strCharacter1 = "./merlin.acs";
    settings.strCharacter2 = "../../Genie.acs";
    ASSERT_FALSE(SaveSettings(settings));
    Start();
    EXPECT_EQ(agent_.Calls()[0], "Load ./merlin.acs");
    EXPECT_EQ(agent_.Calls()[1], "Load merlin.acs");
    EXPECT_NE(dlg_->m_view.m_role1.m_pCharacter, nullptr);
    EXPECT_NE(dlg_->m_view.m_role2.m_pCharacter, nullptr);
    EXPECT_EQ(dlg_->m_view.m_settings.strCharacter1, "merlin.acs");
    EXPECT_EQ(dlg_->m_view.m_settings.strCharacter2, "Genie.acs");
}

TEST_F(ViewCharacterTest, MissingCharacterFilesLeaveTheViewWorking) {
    TutorSettings settings;
    settings.strCharacter1 = "gone.acs";
    ASSERT_FALSE(SaveSettings(settings));
    course_.Write("cntindex.idx", "");
    Start();
    EXPECT_EQ(dlg_->m_view.m_role1.m_pCharacter, nullptr);
    EXPECT_NE(dlg_->m_view.m_role2.m_pCharacter, nullptr);
    EXPECT_TRUE(platform_.MessageBox().Messages().empty());
}

}  // namespace
