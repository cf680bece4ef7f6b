// The study modes on a lesson page, driven through the main window's buttons and line clicks in
// virtual time: role 1's voices play each utterance for kPlay ms on the clock that also runs the
// view's timers and the nested pump of a sentence spoken whole.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <climits>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/window/dialog_controls.h"
#include "support/lesson_fixture.h"
#include "view/command_ids.h"

namespace {

// Off the 50, 100 and 500 ms grids of the polls, so no end of speech falls on a tick.
constexpr std::int64_t kPlay = 1020;

const std::vector<bool> kAllEnabled(7, true);
const std::vector<bool> kModeRuns{true, false, true, true, false, false, false};

// The first tick at or after `at` of a timer armed at `armed` with `period`.
std::int64_t TickFrom(std::int64_t armed, std::int64_t period, std::int64_t at) {
    return armed + (at - armed + period - 1) / period * period;
}

// When the step after a playing that started at `at` fires. A queued playing counts as ended on
// the first tick of the piece timer (50 ms) after its end; the wait timer, armed when the playing
// started, notices on its first tick after that; the step comes `pause` ms later.
std::int64_t StepAfter(std::int64_t at, bool queued, std::int64_t waitPeriod, std::int64_t pause) {
    const std::int64_t ended = queued ? TickFrom(at, 50, at + kPlay) : at + kPlay;
    return TickFrom(at, waitPeriod, ended) + pause;
}

class StudyModesTest : public LessonFixture {
  protected:
    StudyModesTest() {
        // The event of the utterance started last is the program's one global: none from a test
        // before.
        g_hCurrentSpeakDone = nullptr;
        platform_.PlayOnClock([this](const std::string& text) {
            if (onPlay_) {
                onPlay_(text);
            }
            return kPlay;
        });
    }
    ~StudyModesTest() override { g_hCurrentSpeakDone = nullptr; }

    // Opens a one-section lesson of `lines` (UTF-8), with line 1 current.
    void OpenLines(std::initializer_list<const char*> lines) {
        std::string text = "#1A@0#\n";
        for (const char* line : lines) {
            text += std::string(line) + "\n";
        }
        AddLesson("L", "l.dat", text);
        Start();
        OpenLesson("L");
    }

    void Press(int id) { qobject_cast<QAbstractButton*>(FindControl(dlg_.get(), id))->click(); }
    void ClickLine(int n) {
        View().OnRendererEvent(PageEventType::kClick, View().FindLineElement(n), -1);
    }
    std::vector<bool> Buttons() {
        std::vector<bool> states;
        for (int id = kStopButton; id <= kReadAlongButton; ++id) {
            states.push_back(FindControl(dlg_.get(), id)->isEnabled());
        }
        return states;
    }

    VirtualClock& Clock() { return platform_.Clock(); }
    // Role 1's English voice: everything it played, oldest first.
    const std::vector<ScriptedUtterance>& English() {
        return platform_.Speech().created[0]->timeline;
    }
    std::vector<std::string> TextsFrom(std::size_t first) {
        std::vector<std::string> texts;
        for (std::size_t i = first; i < English().size(); ++i) {
            texts.push_back(English()[i].text);
        }
        return texts;
    }
    bool AnyStudyTimer() {
        for (int id = IDT_READ_WAIT; id <= IDT_NEXT_PIECE; ++id) {
            if (platform_.Timers()->IsArmed(id)) {
                return true;
            }
        }
        return false;
    }
    // Runs the clock until `done` holds; false when `limitMs` of virtual time pass first.
    bool RunUntil(const std::function<bool()>& done, std::int64_t limitMs = 60000) {
        const std::int64_t limit = Clock().Now() + limitMs;
        while (!done()) {
            if (Clock().Now() > limit || !Clock().RunNext()) {
                return false;
            }
        }
        return true;
    }
    bool Played(std::size_t count) {
        return RunUntil([&] { return English().size() >= count; });
    }
    // Presses stop `afterMs` from now, from the clock: inside whatever waits then.
    void StopLater(std::int64_t afterMs) {
        Clock().Schedule(Clock().Now() + afterMs, [this] { Press(kStopButton); });
    }

    // The lines asked to be scrolled into view since the last call, oldest first; a line asked
    // for several times in a row counts once, an element that is no line of the page is 0.
    std::vector<int> ScrolledLines() {
        const std::vector<PageMirror::Handle>& asked = platform_.Renderer()->Scrolled();
        std::vector<int> lines;
        for (; scrollsSeen_ < asked.size(); ++scrollsSeen_) {
            int line = 0;
            for (int n = 1; n <= View().m_nLineCount; ++n) {
                if (View().FindLineElement(n) == asked[scrollsSeen_]) {
                    line = n;
                }
            }
            if (lines.empty() || lines.back() != line) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    // Called with the text of each utterance as a voice is given it.
    std::function<void(const std::string&)> onPlay_;
    std::size_t scrollsSeen_ = 0;
};

TEST_F(StudyModesTest, ReadAloudSpeaksTheCurrentLineThenEachNextSoonAfterItsEnd) {
    OpenLines({"one", "two", "three", "four", "five", "six", "seven"});
    for (int i = 0; i < 4; ++i) {
        Press(kNextButton);
    }
    ASSERT_TRUE(RunUntil([&] { return !AnyStudyTimer(); }));
    const std::size_t first = English().size();
    const std::int64_t pressed = Clock().Now();
    Press(kReadAloudButton);
    EXPECT_EQ(View().m_nMode, MODE_READ);
    EXPECT_EQ(Buttons(), kModeRuns);
    ASSERT_TRUE(Played(first + 3));
    EXPECT_EQ(TextsFrom(first), (std::vector<std::string>{"five", "six", "seven"}));
    EXPECT_EQ(English()[first].start, pressed);
    for (std::size_t i = first + 1; i < English().size(); ++i) {
        // At most 50 ms until the piece timer empties the queue, 100 ms until the read wait sees
        // it, then the 101 ms step.
        const std::int64_t gap = English()[i].start - English()[i - 1].end;
        EXPECT_GE(gap, 101) << i;
        EXPECT_LE(gap, 251) << i;
    }
    // The last line has no next: the mode cycles on it in silence until stopped.
    Clock().Advance(10000);
    EXPECT_EQ(English().size(), first + 3);
    EXPECT_EQ(View().m_nLine, 7);
    EXPECT_EQ(View().m_nMode, MODE_READ);
    Press(kStopButton);
    EXPECT_EQ(View().m_nMode, MODE_IDLE);
    EXPECT_EQ(Buttons(), kAllEnabled);
    EXPECT_FALSE(AnyStudyTimer());
}

TEST_F(StudyModesTest, ReadAlongPlaysEachLineRepeatCountTimesWithThePauseAfterTheNoticingTick) {
    OpenLines({"one", "two", "three", "four", "five", "six"});
    struct Case {
        int repeatCount;
        int pauseSeconds;
        int playings;
    };
    for (const Case c : {Case{2, 2, 2}, Case{2, 0, 2}, Case{1, 2, 1}, Case{0, 2, 1}}) {
        SCOPED_TRACE(testing::Message() << c.repeatCount << " times, pause " << c.pauseSeconds);
        View().m_settings.nRepeatCount = c.repeatCount;
        View().m_settings.nPauseSeconds = c.pauseSeconds;
        const std::string line = LineText(View().m_nLine);
        const std::string next = LineText(View().m_nLine + 1);
        const std::size_t first = English().size();
        const std::int64_t pressed = Clock().Now();
        Press(kReadAlongButton);
        ASSERT_TRUE(Played(first + 2 * c.playings));
        Press(kStopButton);

        // The first playing of a line is queued and waited for at 500 ms ticks, a replay is
        // spoken whole and waited for at 100 ms ticks.
        std::vector<std::string> texts;
        std::vector<std::int64_t> starts;
        std::int64_t at = pressed;
        for (int i = 0; i < 2 * c.playings; ++i) {
            texts.push_back(i < c.playings ? line : next);
            starts.push_back(at);
            const bool queued = i % c.playings == 0;
            at = StepAfter(at, queued, queued ? 500 : 100, c.pauseSeconds * 1000 + 1);
        }
        EXPECT_EQ(TextsFrom(first), texts);
        for (int i = 0; i < 2 * c.playings; ++i) {
            EXPECT_EQ(English()[first + i].start, starts[i]) << i;
        }
    }
}

TEST_F(StudyModesTest, DictationHidesTheCurrentLineAndStopShowsTheWholePageAgain) {
    OpenLines({"one", "two", "three"});
    Press(kDictationButton);
    EXPECT_EQ(View().m_nMode, MODE_DICTATION);
    EXPECT_EQ(Buttons(), kModeRuns);
    EXPECT_EQ(LineStyle(1, "visibility"), "hidden");
    ASSERT_TRUE(Played(2));
    EXPECT_EQ(LineStyle(1, "visibility"), "hidden") << "the replay";
    ASSERT_TRUE(Played(3));
    EXPECT_EQ(TextsFrom(0), (std::vector<std::string>{"one", "one", "two"}));
    EXPECT_EQ(LineStyle(1, "visibility"), "visible");
    EXPECT_EQ(LineStyle(2, "visibility"), "hidden");

    Press(kStopButton);
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().m_nMode, MODE_IDLE);
    EXPECT_EQ(Buttons(), kAllEnabled);
    EXPECT_EQ(View().m_nLine, 1);
    EXPECT_EQ(LineStyle(1, "font-weight"), "bold");
    for (int n = 1; n <= 3; ++n) {
        EXPECT_NE(LineStyle(n, "visibility"), "hidden") << n;
    }
}

TEST_F(StudyModesTest, PreviousOnTheFirstLineAndNextOnTheLastDoNothing) {
    OpenLines({"one", "two"});
    const ScriptedVoice& voice = *platform_.Speech().created[0];
    Press(kPreviousButton);
    EXPECT_EQ(View().m_nLine, 1);
    EXPECT_TRUE(English().empty());
    EXPECT_EQ(voice.purges, 0);

    Press(kNextButton);
    ASSERT_TRUE(RunUntil([&] { return !AnyStudyTimer(); }));
    const int purges = voice.purges;
    Press(kNextButton);
    EXPECT_EQ(View().m_nLine, 2);
    EXPECT_EQ(English().size(), 1u);
    EXPECT_EQ(voice.purges, purges);
}

TEST_F(StudyModesTest, LinesPastTheLastElementRepeatThatElementUnhighlighted) {
    // The table is one element but counts three lines.
    AddLesson("T", "t.dat", "#1A@0#\nfirst\n<table>\n<tr><td>x</td></tr>\n</table>\n");
    Start();
    OpenLesson("T");
    ASSERT_EQ(View().m_nLineCount, 4);
    Press(kNextButton);
    Press(kReadAloudButton);
    ASSERT_TRUE(Played(4));
    EXPECT_EQ(TextsFrom(0), (std::vector<std::string>(4, "x")));
    EXPECT_EQ(View().m_nLine, 2);
    EXPECT_EQ(View().m_pLineElement, View().FindLineElement(2));
    EXPECT_EQ(LineStyle(2, "font-weight"), "normal");
    Press(kStopButton);

    // A line number without an element: previous stays on it, and moves once the line before has
    // one.
    View().m_nLine = 4;
    Press(kPreviousButton);
    EXPECT_EQ(View().m_nLine, 4);
    View().m_nLine = 3;
    Press(kPreviousButton);
    EXPECT_EQ(View().m_nLine, 2);
    EXPECT_EQ(LineStyle(2, "font-weight"), "bold");
}

TEST_F(StudyModesTest, NextWhileReadAlongWaitsForItsStepGoesOnFromTheNewLine) {
    OpenLines({"one", "two", "three", "four"});
    Press(kReadAlongButton);
    // After the replay: the new line's count starts afresh.
    ASSERT_TRUE(RunUntil(
        [&] { return English().size() == 2 && platform_.Timers()->IsArmed(IDT_READALONG_STEP); }));
    Press(kNextButton);
    ASSERT_TRUE(Played(5));
    EXPECT_EQ(TextsFrom(0), (std::vector<std::string>{"one", "one", "two", "two", "three"}));
    EXPECT_EQ(View().m_nMode, MODE_READALONG);
    EXPECT_EQ(View().m_nLine, 3);
}

TEST_F(StudyModesTest, BackToContentsStopsTheModeWithTheButtonsOffAndTheTitleSound) {
    course_.Write("logo.wav", "RIFF");
    OpenLines({"one", "two"});
    Press(kReadAloudButton);
    Clock().Advance(kPlay / 2);
    Click("folder", "返回目录");
    ASSERT_TRUE(WaitForDocument(&View()));
    EXPECT_EQ(View().LoadedResource(), CLessonView::kContentsPage);
    EXPECT_EQ(View().m_nMode, MODE_IDLE);
    EXPECT_FALSE(AnyStudyTimer());
    ASSERT_EQ(English().size(), 1u);
    EXPECT_TRUE(English()[0].purged);
    EXPECT_EQ(Buttons(), std::vector<bool>(7, false));
    EXPECT_EQ(platform_.Sound().CurrentFile(), "logo.wav");
    Clock().Advance(10000);
    EXPECT_EQ(English().size(), 1u);
}

TEST_F(StudyModesTest, StopWhileASentenceWaitsBetweenRunsEndsItAndArmsNothing) {
    OpenLines({"[ai] one 我 two"});
    View().m_settings.nRepeatCount = 2;
    // Repeat speaks the line whole at once; read-along queues it first and replays it whole.
    for (const int button : {kRepeatButton, kReadAlongButton}) {
        SCOPED_TRACE(button);
        // Stop while the whole sentence's first run plays, so its next run is waiting.
        const int whole = button == kRepeatButton ? 1 : 2;
        onPlay_ = [this, whole, seen = 0](const std::string& text) mutable {
            if (text == "[ai]" && ++seen == whole) {
                StopLater(kPlay / 2);
            }
        };
        const std::size_t played = English().size() + (button == kRepeatButton ? 1 : 4);
        Press(button);
        ASSERT_TRUE(RunUntil([&] { return View().m_nMode == MODE_IDLE; }));
        ASSERT_EQ(English().size(), played);
        EXPECT_EQ(English().back().text, "[ai]");
        EXPECT_TRUE(English().back().purged);
        EXPECT_FALSE(AnyStudyTimer());
        Clock().Advance(10000);
        EXPECT_EQ(English().size(), played);
    }
}

TEST_F(StudyModesTest, PreviousDuringASentenceSpeaksItsLineThenTheRestOfTheInterruptedOne) {
    OpenLines({"[ei] alpha", "[ai] one 我 two"});
    Press(kNextButton);
    ASSERT_TRUE(RunUntil([&] { return !AnyStudyTimer(); }));
    const std::size_t first = English().size();
    onPlay_ = [this, pressed = false](const std::string& text) mutable {
        if (text == "[ai]" && !pressed) {
            pressed = true;
            Clock().Schedule(Clock().Now() + kPlay / 2, [this] { Press(kPreviousButton); });
        }
    };
    Press(kRepeatButton);
    ASSERT_EQ(TextsFrom(first),
              (std::vector<std::string>{"[ai]", "[ei]", " alpha", " one ", "two"}));
    EXPECT_TRUE(English()[first].purged);
    for (std::size_t i = first + 1; i < English().size(); ++i) {
        EXPECT_GE(English()[i].start, English()[i - 1].end) << i;
    }
    EXPECT_EQ(View().m_nLine, 1);
    EXPECT_EQ(View().m_nMode, MODE_REPEAT);
    EXPECT_TRUE(platform_.Timers()->IsArmed(IDT_REPEAT_WAIT));
}

TEST_F(StudyModesTest, ALineClickRepeatsThatLineWhileTheHighlightStays) {
    OpenLines({"one", "two", "three"});
    const std::int64_t clicked = Clock().Now();
    ClickLine(3);
    EXPECT_EQ(View().m_nMode, MODE_REPEAT);
    EXPECT_EQ(Buttons(), kModeRuns);
    ASSERT_TRUE(Played(3));
    EXPECT_EQ(TextsFrom(0), (std::vector<std::string>(3, "three")));
    std::int64_t at = clicked;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(English()[i].start, at) << i;
        at = StepAfter(at, true, 100, 2001);
    }
    EXPECT_EQ(View().m_nLine, 1);
    EXPECT_EQ(LineStyle(1, "font-weight"), "bold");
    EXPECT_NE(LineStyle(3, "font-weight"), "bold");
    Press(kStopButton);
    EXPECT_EQ(Buttons(), kAllEnabled);
    EXPECT_FALSE(AnyStudyTimer());
}

TEST_F(StudyModesTest, EveryMoveOfTheHighlightScrollsItsLineIntoView) {
    OpenLines({"one", "two", "three", "four", "five", "six"});
    View().m_settings.nRepeatCount = 2;
    EXPECT_EQ(ScrolledLines(), std::vector<int>{1}) << "the page opens on line 1";
    Press(kNextButton);
    EXPECT_EQ(ScrolledLines(), std::vector<int>{2});
    Press(kPreviousButton);
    EXPECT_EQ(ScrolledLines(), std::vector<int>{1});

    // Until the third line starts: read aloud reads each once, the drills each twice.
    auto runMode = [this](int button) {
        const std::size_t played = English().size() + 3;
        Press(button);
        EXPECT_TRUE(Played(played));
        return ScrolledLines();
    };
    EXPECT_EQ(runMode(kReadAloudButton), (std::vector<int>{1, 2, 3})) << "read aloud";
    Press(kStopButton);
    EXPECT_EQ(runMode(kReadAlongButton), (std::vector<int>{3, 4})) << "read-along";
    Press(kStopButton);
    EXPECT_EQ(runMode(kDictationButton), (std::vector<int>{4, 5})) << "dictation";
}

TEST_F(StudyModesTest, NothingIsScrolledWhileTheHighlightStays) {
    OpenLines({"one", "two", "three"});
    Press(kNextButton);
    Press(kNextButton);
    ASSERT_TRUE(RunUntil([&] { return !AnyStudyTimer(); }));
    const std::size_t asked = platform_.Renderer()->Scrolled().size();
    const std::size_t played = English().size();
    ClickLine(1);
    ASSERT_TRUE(Played(played + 2));
    Press(kStopButton);
    Press(kRepeatButton);
    ASSERT_TRUE(Played(played + 4));
    Press(kStopButton);
    EXPECT_EQ(platform_.Renderer()->Scrolled().size(), asked) << "a line click or repeat";

    // On the last line read aloud goes round on it in silence.
    Press(kReadAloudButton);
    const std::size_t started = platform_.Renderer()->Scrolled().size();
    Clock().Advance(10000);
    EXPECT_EQ(platform_.Renderer()->Scrolled().size(), started) << "read aloud on the last line";
}

TEST_F(StudyModesTest, StopCancelsAnArmedStepAndAnInterruptedQueue) {
    OpenLines({"one", "two"});
    Press(kReadAlongButton);
    ASSERT_TRUE(RunUntil([&] { return platform_.Timers()->IsArmed(IDT_READALONG_STEP); }));
    Press(kStopButton);
    EXPECT_FALSE(AnyStudyTimer());
    Clock().Advance(10000);
    EXPECT_EQ(English().size(), 1u);

    // A stop in the middle of a queued line, then repeat: the repeat still reaches its step.
    Press(kNextButton);
    Clock().Advance(kPlay / 2);
    Press(kStopButton);
    Press(kRepeatButton);
    ASSERT_TRUE(Played(4));
    EXPECT_EQ(TextsFrom(1), (std::vector<std::string>(3, "two")));
}

TEST_F(StudyModesTest, ALineWithNothingToSayDoesNotHoldTheModeUp) {
    OpenLines({"one", "123", "three"});
    ASSERT_EQ(LineText(2), "123");
    Press(kReadAloudButton);
    ASSERT_TRUE(Played(2));
    EXPECT_EQ(TextsFrom(0), (std::vector<std::string>{"one", "three"}));
}

TEST_F(StudyModesTest, AWaitTickAfterTheModeHasStoppedArmsNoStep) {
    OpenLines({"one"});
    // A tick already on its way when stop killed its timer.
    for (const int id : {IDT_READ_WAIT, IDT_DRILL_WAIT, IDT_REPEAT_WAIT}) {
        View().OnTimer(id);
        EXPECT_FALSE(AnyStudyTimer()) << id;
    }
}

TEST_F(StudyModesTest, AHugeStoredPauseWaitsAsLongAsATimerCan) {
    OpenLines({"one"});
    View().m_settings.nPauseSeconds = 3000000;  // 3e9 ms: more than an int holds
    Press(kRepeatButton);
    ASSERT_TRUE(RunUntil([&] { return platform_.Timers()->IsArmed(IDT_REPEAT_STEP); }));
    EXPECT_EQ(platform_.Timers()->Period(IDT_REPEAT_STEP), INT_MAX);
}

}  // namespace
