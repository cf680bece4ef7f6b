// Speaking practice on a lesson page: 我来说 with the scripted microphone hearing recordings the
// tutor's English voice made of one line (said well, with "morning" replaced by "evening"), and the
// real scorer on its worker thread.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/dialog_controls.h"
#include "practice/practice_store.h"
#include "support/lesson_fixture.h"
#include "view/command_ids.h"

namespace {

constexpr const char* kLine = "Tom: Good morning. How are you today? 早上好。你今天好吗？";

std::vector<std::int16_t> Recording(const char* name) {
    return ScriptedMicrophone::ReadWav(std::string(QUORVAN_PRACTICE_DATA) + "/" + name);
}

class PracticeTest : public LessonFixture {
  protected:
    PracticeTest() { platform_.SetPracticeFolder(practiceFolder_.Path().string()); }

    void OpenLines(const std::vector<std::string>& lines) {
        std::string text = "#1A@0#\n";
        for (const std::string& line : lines) {
            text += line + "\n";
        }
        AddLesson("L", "l.dat", text);
        Start();
        OpenLesson("L");
    }

    QAbstractButton* Button(int id) {
        return qobject_cast<QAbstractButton*>(FindControl(dlg_.get(), id));
    }
    QAbstractButton* Practise() { return Button(kPractiseButton); }

    // Presses 我来说 and runs the clock until the model line has been spoken and the learner is
    // asked to speak.
    void PressAndListen() {
        ASSERT_TRUE(Practise()->isEnabled());
        platform_.Agent().ClearCalls();
        Practise()->click();
        for (int i = 0; i < 2000 && !Called("Speak 请跟我说"); ++i) {
            platform_.Clock().Advance(10);
        }
        ASSERT_TRUE(Called("Speak 请跟我说"));
        ASSERT_TRUE(platform_.Microphone().Capturing());
    }

    // Lets the microphone deliver until it is stopped, then waits (in real time: the scorer runs
    // on its own thread) for the balloon to show what came of it.
    std::string Result() {
        platform_.Microphone().Deliver(60000);
        EXPECT_FALSE(platform_.Microphone().Capturing());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const std::string& call : platform_.Agent().CallsTo("merlin.acs")) {
                if (call.rfind("Speak 得分", 0) == 0 || call.rfind("Speak 没有听到", 0) == 0) {
                    return call.substr(6);
                }
            }
            platform_.Clock().Advance(50);
            QApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return {};
    }

    // The marked words of line `n`: text and colour, in order.
    std::vector<std::pair<std::string, std::string>> Marks(int n) {
        const PageMirror& mirror = View().Mirror();
        std::vector<std::pair<std::string, std::string>> marks;
        for (const PageMirror::Handle word :
             mirror.FindByClass(View().FindLineElement(n), "practiceWord")) {
            marks.emplace_back(mirror.InnerText(word), mirror.Style(word, "color"));
        }
        return marks;
    }

    bool Called(const std::string& call) {
        const std::vector<std::string> calls = platform_.Agent().CallsTo("merlin.acs");
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    ScratchDirectory practiceFolder_{"practice"};
};

TEST_F(PracticeTest, ButtonFollowsTheCurrentLineAndTheMicrophone) {
    OpenLines({"你好", kLine});
    EXPECT_FALSE(Practise()->isEnabled());
    EXPECT_EQ(Practise()->toolTip(), "这一行没有英文");
    Button(kNextButton)->click();
    EXPECT_TRUE(Practise()->isEnabled());
    EXPECT_EQ(Practise()->toolTip(), "");
    // A running mode leaves it enabled, and pressing it stops the mode.
    Button(kReadAloudButton)->click();
    ASSERT_NE(View().m_nMode, MODE_IDLE);
    EXPECT_TRUE(Practise()->isEnabled());
    Practise()->click();
    EXPECT_EQ(View().m_nMode, MODE_IDLE);
    EXPECT_FALSE(Practise()->isEnabled());
    Button(kStopButton)->click();
    EXPECT_TRUE(Practise()->isEnabled());
    platform_.Microphone().SetPresent(false);
    Button(kPreviousButton)->click();
    Button(kNextButton)->click();
    Button(kStopButton)->click();
    EXPECT_FALSE(Practise()->isEnabled());
    EXPECT_EQ(Practise()->toolTip(), "没有找到麦克风");
}

TEST_F(PracticeTest, LineSaidWellIsSpokenFirstThenMarkedGreenAndKept) {
    OpenLines({kLine});
    platform_.Microphone().Hear(Recording("clean.wav"));
    PressAndListen();
    EXPECT_EQ(platform_.Speech().created[0]->spoken.size(), 1u);
    EXPECT_TRUE(Called("Play Reading"));

    const std::string result = Result();
    ASSERT_EQ(result.rfind("得分：", 0), 0u) << result;
    const int score = std::stoi(result.substr(std::string("得分：").size()));
    EXPECT_GE(score, 80);
    EXPECT_TRUE(Called("Play Greet"));
    EXPECT_EQ(Marks(1), (std::vector<std::pair<std::string, std::string>>{{"Good", "#008000"},
                                                                          {"morning", "#008000"},
                                                                          {"How", "#008000"},
                                                                          {"are", "#008000"},
                                                                          {"you", "#008000"},
                                                                          {"today", "#008000"}}));
    // The page reads and speaks the line as before.
    EXPECT_EQ(LineText(1), kLine);
    EXPECT_TRUE(Button(kRepeatButton)->isEnabled());

    const PracticeStore store(practiceFolder_.Path().string());
    const std::string lesson = CourseFolder() + "/l.dat";
    EXPECT_EQ(store.BestScore(lesson, 1), score);
    EXPECT_EQ(store.Recordings(lesson, 1).size(), 1u);
}

TEST_F(PracticeTest, ReplacedWordIsMarkedAndItsClickPlaysTheLearnerThenTheModel) {
    OpenLines({kLine});
    platform_.Microphone().Hear(Recording("replaced.wav"));
    PressAndListen();
    ASSERT_FALSE(Result().empty());
    const auto marks = Marks(1);
    ASSERT_EQ(marks.size(), 6u);
    EXPECT_EQ(marks[1].first, "morning");
    EXPECT_NE(marks[1].second, "#008000");

    ScriptedVoice& english = *platform_.Speech().created[0];
    const std::size_t filesBefore = english.files.size();
    const std::size_t spokenBefore = english.spoken.size();
    const std::vector<PageMirror::Handle> words =
        View().Mirror().FindByClass(View().FindLineElement(1), "practiceWord");
    View().OnRendererEvent(PageEventType::kClick, words[0], -1);
    EXPECT_EQ(english.files.size(), filesBefore + 1);
    ASSERT_EQ(english.spoken.size(), spokenBefore + 1);
    EXPECT_EQ(english.spoken.back(), "Good");
}

TEST_F(PracticeTest, SilenceGetsTheMessageAndNoScore) {
    OpenLines({kLine});
    PressAndListen();
    EXPECT_EQ(Result(), "没有听到你的声音，请再试一次。");
    EXPECT_TRUE(Marks(1).empty());
    EXPECT_FALSE(
        PracticeStore(practiceFolder_.Path().string()).BestScore(CourseFolder() + "/l.dat", 1));
    EXPECT_TRUE(Practise()->isEnabled());
}

TEST_F(PracticeTest, StopEndsTheRecordingAndScoresWhatWasSaid) {
    OpenLines({kLine});
    std::vector<std::int16_t> endless = Recording("clean.wav");
    // Noise after the line: speech never ends by itself.
    for (int i = 0; i < 16000 * 8; ++i) {
        endless.push_back(static_cast<std::int16_t>(i % 7 * 1500 - 4500));
    }
    platform_.Microphone().Hear(endless);
    PressAndListen();
    platform_.Microphone().Deliver(4000);
    ASSERT_TRUE(platform_.Microphone().Capturing());
    Button(kStopButton)->click();
    EXPECT_FALSE(platform_.Microphone().Capturing());
    EXPECT_EQ(Result().rfind("得分：", 0), 0u);
}

TEST_F(PracticeTest, TenMinutesOfSoundAreCutAtTwiceTheModelAndTwoSeconds) {
    OpenLines({kLine});
    std::vector<std::int16_t> noise(std::size_t{16000} * 600);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<std::int16_t>(i % 7 * 1500 - 4500);
    }
    platform_.Microphone().Hear(std::move(noise));
    PressAndListen();
    std::int64_t modelMs = 0;
    for (const ScriptedVoice* voice : platform_.Speech().created) {
        for (const ScriptedUtterance& utterance : voice->timeline) {
            modelMs += utterance.end - utterance.start;
        }
    }
    const int delivered = platform_.Microphone().Deliver(600000);
    EXPECT_GE(delivered, 2 * modelMs + 2000 - 200);
    EXPECT_LE(delivered, 2 * modelMs + 2000 + 200);
    EXPECT_FALSE(Result().empty());
}

TEST_F(PracticeTest, MarksOnlyEnglishWordsAndNeverTurnsTextIntoMarkup) {
    OpenLines({"Lily: h<u>e</u>llo [huh'lou] 你好：hello, Tom &lt;b&gt;x&lt;/b&gt;"});
    const std::string before = LineText(1);
    platform_.Microphone().Hear(Recording("clean.wav"));
    PressAndListen();
    ASSERT_FALSE(Result().empty());
    std::vector<std::string> words;
    for (const auto& [text, colour] : Marks(1)) {
        words.push_back(text);
    }
    EXPECT_EQ(words, (std::vector<std::string>{"hello", "hello", "Tom", "b", "x", "b"}));
    EXPECT_EQ(LineText(1), before);
    EXPECT_EQ(View().Mirror().SerializeChildren(View().FindLineElement(1)).find("<b"),
              std::string::npos);
}

TEST_F(PracticeTest, ContentsPageShowsEachLessonsPractice) {
    OpenLines({kLine, "Fine, thanks."});
    platform_.Microphone().Hear(Recording("clean.wav"));
    PressAndListen();
    const std::string result = Result();
    ASSERT_FALSE(result.empty());
    Click("folder", "返回目录");
    ASSERT_TRUE(WaitForDocument(&View()));
    const PageMirror& mirror = View().Mirror();
    const auto progress = mirror.FindByClass(mirror.Body(), "practiceProgress");
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(mirror.InnerText(progress[0]),
              "已练 1 句，平均 " +
                  result.substr(std::string("得分：").size(),
                                result.find("。") - std::string("得分：").size()) +
                  " 分");
    // The lesson still opens by its name.
    Click("file", "L");
}

TEST_F(PracticeTest, UnwritablePracticeFolderKeepsScoresInMemoryAndSaysSoOnce) {
    platform_.SetPracticeFolder("/proc/self/practice");
    OpenLines({kLine});
    for (int i = 0; i < 2; ++i) {
        platform_.Microphone().Hear(Recording("clean.wav"));
        PressAndListen();
        ASSERT_FALSE(Result().empty());
    }
    EXPECT_EQ(platform_.MessageBox().Messages().size(), 1u);
}

TEST_F(PracticeTest, NoRecordingsSwitchKeepsScoresOnlyOverARestart) {
    OpenLines({kLine});
    View().SetKeepsRecordings(false);
    dlg_.reset();
    Start();
    OpenLesson("L");
    EXPECT_FALSE(View().KeepsRecordings());
    platform_.Microphone().Hear(Recording("clean.wav"));
    PressAndListen();
    ASSERT_FALSE(Result().empty());
    const PracticeStore store(practiceFolder_.Path().string());
    EXPECT_TRUE(store.BestScore(CourseFolder() + "/l.dat", 1));
    EXPECT_TRUE(store.Recordings(CourseFolder() + "/l.dat", 1).empty());
}

}  // namespace
