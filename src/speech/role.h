#pragma once

#include <memory>

#include "speech/voice.h"

class QLabel;
class QObject;

// One speaker of the tutor: an English voice that carries the course's mouth pictures and
// phonetic sounds, a Chinese voice, and the switches that say how a sentence is presented.
// (Its animated character comes with the character agent.) GUI thread only.
class CRole {
  public:
    explicit CRole(const SpeechServices& services);
    virtual ~CRole();
    CRole(const CRole&) = delete;
    CRole& operator=(const CRole&) = delete;

    // Sends both voices' notifications to `owner` and shows the mouth pictures on `picture`.
    void AttachNotify(QObject* owner, QLabel* picture);
    // Handles the events waiting in both voices: English first, then Chinese.
    void PumpVoiceEvents();
    // -10 .. 10 for both voices.
    void SetRate(int rate);
    // Silences both voices and marks the role stopped.
    void Stop();

    int m_bShowBalloon = 1;
    int m_bChineseInBalloon = 1;
    int m_bReadChinese = 1;
    int m_bStopped = 0;
    std::unique_ptr<CVoice> m_pEnglishVoice;
    std::unique_ptr<CVoice> m_pChineseVoice;
};
