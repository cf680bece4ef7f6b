// The study modes of the lesson view: read aloud, read-along, dictation and repeat, the moves to
// the next and the previous line, stop, and the window timers that notice the end of each
// utterance and step the modes on.
#include <algorithm>
#include <climits>
#include <cstdint>

#include "view/lesson_view.h"

namespace {

// A mode's step timer: the wait timers arm it when speech has ended.
constexpr int StepTimerOf(int mode) {
    return IDT_REPEAT_WAIT + mode;
}

}  // namespace

void CLessonView::SetTimer(int id, int periodMs) {
    if (timers_) {
        timers_->Set(id, periodMs);
    }
}

void CLessonView::KillTimer(int id) {
    if (timers_) {
        timers_->Kill(id);
    }
}

int CLessonView::PauseInterval() const {
    // The file is not range-checked: a huge pause must not overflow the period.
    const std::int64_t interval = std::int64_t{m_settings.nPauseSeconds} * 1000 + 1;
    return static_cast<int>(std::clamp<std::int64_t>(interval, 1, INT_MAX));
}

bool CLessonView::IsSpeechDone() const {
    if (m_bSpeakingQueue) {
        return false;
    }
    // No utterance at all (a line with nothing to say, a stopped role) counts as ended, or the
    // mode would stand on that line for ever. The poll never blocks the GUI thread: the timer
    // period is the wait.
    return !g_hCurrentSpeakDone || WaitFor(g_hCurrentSpeakDone, 0) == WaitResult::kSignalled;
}

void CLessonView::HideSecondRole() {
    if (!SameCharacterName(m_settings.strCharacter1, m_settings.strCharacter2)) {
        m_role2.ShowAt(0, 0, 0);
    }
}

void CLessonView::SilenceRoles() {
    m_nRepeatDone = 1;
    m_role1.Stop();
    m_role2.Stop();
    g_hCurrentSpeakDone = nullptr;
}

void CLessonView::StartLessonMode(int waitTimer, int waitPeriodMs) {
    EnableCommandButtons(true, false);
    HideSecondRole();
    if (m_nShowing == 1) {
        m_nLine -= 1;
        NextLine();
        SetTimer(waitTimer, waitPeriodMs);
    }
}

void CLessonView::ReadAloud() {
    m_nMode = MODE_READ;
    StartLessonMode(IDT_READ_WAIT, 100);
}

void CLessonView::ReadAlong() {
    m_nMode = MODE_READALONG;
    StartLessonMode(IDT_DRILL_WAIT, 500);
}

void CLessonView::Dictation() {
    if (m_nMode != MODE_DICTATION && m_nPage == 2) {
        m_nMode = MODE_DICTATION;
        if (const Handle line = FindLineElement(m_nLine)) {
            HighlightLine(line);
        }
    }
    StartLessonMode(IDT_DRILL_WAIT, 500);
}

void CLessonView::Repeat() {
    m_nMode = MODE_REPEAT;
    EnableCommandButtons(true, false);
    SpeakCurrentLine();
    // A stop pressed while the line was being spoken has ended the mode: nothing to wait for.
    if (m_nMode == MODE_REPEAT) {
        SetTimer(IDT_REPEAT_WAIT, 100);
    }
}

void CLessonView::NextLine() {
    if (m_nPage != 2 || m_nLine >= m_nLineCount) {
        return;
    }
    if (const Handle current = FindLineElement(m_nLine)) {
        UnhighlightLine(current);
    }
    if (const Handle next = FindLineElement(m_nLine + 1)) {
        HighlightLine(next);
        m_nLine += 1;
        m_pLineElement = next;
    }
    SilenceRoles();
    QueueCurrentLine();
}

void CLessonView::PreviousLine() {
    if (m_nShowing != 1 || m_nLine <= 1) {
        return;
    }
    if (const Handle current = FindLineElement(m_nLine)) {
        UnhighlightLine(current);
    }
    if (const Handle previous = FindLineElement(m_nLine - 1)) {
        HighlightLine(previous);
        m_nLine -= 1;
        m_pLineElement = previous;
    }
    SilenceRoles();
    SpeakCurrentLine();
}

void CLessonView::StopStudy() {
    AbortPractice();
    if (m_nMode == MODE_DICTATION && m_nPage == 2) {
        // The rebuilt page shows every line again, with line 1 current.
        m_nMode = MODE_IDLE;
        LoadFromResource(kLessonPage);
    }
    EnableCommandButtons(true, true);
    m_nMode = MODE_IDLE;
    m_nRepeatDone = 1;
    // The step timers too: a step armed just before the stop would speak again or restart the
    // mode.
    for (const int id : {IDT_READ_WAIT, IDT_DRILL_WAIT, IDT_REPEAT_WAIT, IDT_NEXT_PIECE,
                         IDT_READ_STEP, IDT_READALONG_STEP, IDT_REPEAT_STEP, IDT_DICTATION_STEP}) {
        KillTimer(id);
    }
    // An interrupted queue would keep the next mode waiting for a queue that never drains.
    m_strSpeakQueue.clear();
    m_bSpeakingQueue = 0;
    m_role1.Stop();
    m_role2.Stop();
    g_hCurrentSpeakDone = nullptr;
}

void CLessonView::ArmStep(int periodMs) {
    // Without a mode there is no step; the wait has ended all the same.
    if (m_nMode != MODE_IDLE) {
        SetTimer(StepTimerOf(m_nMode), periodMs);
    }
}

void CLessonView::DrillStep(int stepTimer, void (CLessonView::*nextLine)()) {
    KillTimer(stepTimer);
    const int done = m_nRepeatDone;
    m_nRepeatDone += 1;
    if (done < m_settings.nRepeatCount) {
        const int mode = stepTimer - IDT_REPEAT_WAIT;
        SpeakCurrentLine();
        // A stop, or another mode started while the replay was spoken, owns the timers now.
        if (m_nMode == mode) {
            SetTimer(IDT_DRILL_WAIT, 100);
        }
        return;
    }
    m_nLine += 1;
    m_nRepeatDone = 1;
    (this->*nextLine)();
}

void CLessonView::OnTimer(int id) {
    switch (id) {
        case IDT_READ_WAIT:
            if (IsSpeechDone()) {
                KillTimer(id);
                ArmStep(101);
            }
            break;
        case IDT_DRILL_WAIT:
        case IDT_REPEAT_WAIT:
            if (IsSpeechDone()) {
                KillTimer(id);
                ArmStep(PauseInterval());
            }
            break;
        case IDT_READ_STEP:
            KillTimer(id);
            m_nLine += 1;
            ReadAloud();
            break;
        case IDT_READALONG_STEP:
            DrillStep(id, &CLessonView::ReadAlong);
            break;
        case IDT_REPEAT_STEP:
            KillTimer(id);
            QueueCurrentLine();
            SetTimer(IDT_REPEAT_WAIT, 100);
            break;
        case IDT_DICTATION_STEP:
            DrillStep(id, &CLessonView::Dictation);
            break;
        case IDT_NEXT_PIECE:
            if (!g_hCurrentSpeakDone || WaitFor(g_hCurrentSpeakDone, 0) == WaitResult::kSignalled) {
                SpeakNextPiece();
            }
            break;
        default:
            OnPracticeTimer(id);
            break;
    }
}
