// A role speaking a line: which voice gets which run and when, the balloon, and stopping, on
// scripted voices that play on a virtual clock.

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "speech/role.h"
#include "support/test_platform.h"

namespace {

using Calls = std::vector<std::string>;

// 100 ms per byte of text (or of a sound's file name).
std::int64_t Duration(const std::string& text) {
    return 100 * static_cast<std::int64_t>(text.size());
}

class RoleSpeakingTest : public ::testing::Test {
  protected:
    RoleSpeakingTest() {
        g_hCurrentSpeakDone = nullptr;
        course_.Write("phonetic/phonetic.idx", "[ai]=ai.wav\n");
        course_.Write("phonetic/ai.wav", "sound");
        platform_.PlayOnClock(Duration);
        role_ = std::make_unique<CRole>(
            SpeechServices{&platform_.Speech(), &platform_.MessageBox(), platform_.Services().pump},
            &platform_.Agent());
        role_->LoadCharacter(u"merlin.acs", 0, 1);
        platform_.Agent().ClearCalls();
    }
    ~RoleSpeakingTest() override { g_hCurrentSpeakDone = nullptr; }

    void Say(const char* utf8) { role_->SpeakSentence(Cp936ToUtf16(Utf8ToCp936(utf8))); }
    const std::vector<ScriptedUtterance>& English() {
        return platform_.Speech().created[0]->timeline;
    }
    const std::vector<ScriptedUtterance>& Chinese() {
        return platform_.Speech().created[1]->timeline;
    }
    Calls Balloons() { return platform_.Agent().CallsTo("merlin.acs"); }

    TemporaryCourse course_;
    TestPlatform platform_;
    std::unique_ptr<CRole> role_;
};

TEST_F(RoleSpeakingTest, EachRunWaitsForTheOneBeforeWhicheverVoiceSpeaksIt) {
    Say("[ai] I 我 you [ai] 好");
    platform_.Clock().Advance(10000);
    // The two voices never talk at the same time, and the blank between "]" and "好" says
    // nothing.
    ASSERT_EQ(English().size(), 4u);
    ASSERT_EQ(Chinese().size(), 2u);
    EXPECT_EQ(English()[0].text, "ai.wav");
    EXPECT_EQ(English()[1].text, " I ");
    EXPECT_EQ(English()[1].start, English()[0].end);
    EXPECT_EQ(Chinese()[0].text, "我 ");
    EXPECT_EQ(Chinese()[0].start, English()[1].end);
    EXPECT_EQ(English()[2].text, "you ");
    EXPECT_EQ(English()[2].start, Chinese()[0].end);
    EXPECT_EQ(English()[3].text, "ai.wav");
    EXPECT_EQ(Chinese()[1].text, "好");
    EXPECT_EQ(Chinese()[1].start, English()[3].end);
    EXPECT_EQ(Balloons(), (Calls{"Speak [ai] I 我 you [ai] 好"}));
}

TEST_F(RoleSpeakingTest, AStopDuringTheWaitStartsNoFurtherRun) {
    platform_.Clock().Schedule(150, [this] { role_->Stop(); });
    Say("one 我 two three");
    platform_.Clock().Advance(10000);
    ASSERT_EQ(English().size(), 1u);
    EXPECT_TRUE(English()[0].purged);
    EXPECT_TRUE(Chinese().empty());
    // The sentence took its stop request along: the next one starts clean.
    EXPECT_EQ(role_->m_bStopped, 0);
    Say("again");
    EXPECT_EQ(English().back().text, "again");
}

TEST_F(RoleSpeakingTest, TheSwitchesDecideTheBalloonAndWhetherChineseIsSpoken) {
    role_->m_bChineseInBalloon = 0;
    Say(" Hello 你好 ");
    Say("你好");
    role_->m_bChineseInBalloon = 1;
    role_->m_bReadChinese = 0;
    Say("只有中文");
    role_->m_bShowBalloon = 0;
    Say("none");
    platform_.Clock().Advance(10000);
    EXPECT_EQ(Balloons(), (Calls{"Speak Hello", "Speak 只有中文"}));
    EXPECT_EQ(Chinese().size(), 2u);  // the two lines spoken before Chinese was switched off
}

TEST_F(RoleSpeakingTest, APieceSpeaksItsFirstRunUncleanedWithABalloonOfItsOwn) {
    role_->SpeakPiece(Cp936ToUtf16(Utf8ToCp936("Mr. Smith 先生")));
    ASSERT_EQ(English().size(), 1u);
    EXPECT_EQ(English()[0].text, "Mr. Smith ");
    EXPECT_TRUE(Chinese().empty());
    EXPECT_EQ(Balloons(), (Calls{"Speak Mr. Smith 先生"}));
}

TEST_F(RoleSpeakingTest, WithoutACharacterLinesAreStillSpoken) {
    // Read-along speaks through the role whether or not its character could be loaded.
    role_->LoadCharacter(u"missing.acs", 0, 1);
    Say("Hello");
    platform_.Clock().Advance(10000);
    role_->SpeakPiece(u"Good");
    ASSERT_EQ(English().size(), 2u);
    EXPECT_EQ(English()[0].text, "Hello");
    EXPECT_EQ(English()[1].text, "Good");
}

}  // namespace
