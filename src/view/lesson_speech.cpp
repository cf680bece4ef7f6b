// Speaking the current lesson line with role 1: whole, or piece by piece through the speak queue.
#include "platform/codepage.h"
#include "speech/speakable_text.h"
#include "speech/spoken_runs.h"
#include "view/lesson_view.h"

std::string CLessonView::LineSpeechText() const {
    return m_pLineElement ? Utf8ToCp936(GetElementText(m_pLineElement)) : std::string();
}

void CLessonView::SpeakCurrentLine() {
    std::string text = LineSpeechText();
    if (text.empty()) {
        return;
    }
    StripSpeakerPrefix(text);
    m_role1.SpeakSentence(Cp936ToUtf16(text));
}

void CLessonView::QueueCurrentLine() {
    std::string text = LineSpeechText();
    if (text.empty()) {
        return;
    }
    StripSpeakerPrefix(text);
    CleanQueue(text);
    if (!PrepareSpokenLine(text)) {
        return;
    }
    m_strSpeakQueue = std::move(text);
    if (!m_strSpeakQueue.empty()) {
        SpeakNextPiece();
        SetTimer(IDT_NEXT_PIECE, 50);
    }
}

void CLessonView::SpeakNextPiece() {
    if (m_strSpeakQueue.empty()) {
        m_bSpeakingQueue = 0;
        KillTimer(IDT_NEXT_PIECE);
        return;
    }
    m_bSpeakingQueue = 1;
    std::string run;
    SplitFirstRun(m_strSpeakQueue, run);
    m_role1.SpeakPiece(Cp936ToUtf16(run));
}
