#pragma once

#include <memory>
#include <string>
#include <system_error>

#include "character/agent.h"
#include "speech/voice.h"

class EventPump;
class QLabel;
class QObject;

// One speaker of the tutor: an animated character of the character agent, an English voice that
// carries the course's mouth pictures and phonetic sounds, a Chinese voice, and the switches that
// say how a sentence is presented. Without an agent or a character, every character request does
// nothing and the voices still speak. GUI thread only.
class CRole {
  public:
    // `agent` may be null: the role then never has a character.
    explicit CRole(const SpeechServices& services, CharacterAgent* agent = nullptr);
    virtual ~CRole();
    CRole(const CRole&) = delete;
    CRole& operator=(const CRole&) = delete;

    // Loads `file`, a file name in the agent's character folder (any other name is refused), in
    // place of the character held so far, puts it at the screen's centre and, with `bShow`, shows
    // it. A failure leaves the role without character.
    std::error_code LoadCharacter(const std::u16string& file, int bEnglish, int bShow);
    // Sends both voices' notifications to `owner` and shows the mouth pictures on `picture`.
    void AttachNotify(QObject* owner, QLabel* picture);
    // Handles the events waiting in both voices: English first, then Chinese.
    void PumpVoiceEvents();
    // -10 .. 10 for both voices.
    void SetRate(int rate);
    // Drops the balloon text, silences both voices and marks the role stopped.
    void Stop();
    // Screen coordinates, cut to 16 bits; speed 0 jumps, 20 glides.
    void MoveTo(int x, int y, int speed);
    // With `bShow`, places the character at (x, y) at once and shows it; without, hides it.
    void ShowAt(int bShow, int x, int y);
    // `name` in the program's code page.
    void PlayAnimation(const std::string& name);

    // Speaks a lesson line whole: the balloon shows the line (if the role has a character), then
    // the cleaned line is spoken run by run (see SpeakRuns). Returns once its last run has
    // started; the GUI thread's events run meanwhile and may enter it again.
    void SpeakSentence(const std::u16string& text);
    // Speaks the first run of `text` at once (nothing for a blank one), with a balloon of its own
    // if the role has a character: no cleaning, no waiting.
    void SpeakPiece(const std::u16string& text);
    // The runs of a cleaned line (CP936), in order, each once the utterance before has ended:
    // Chinese ones to the Chinese voice (unless Chinese is not to be read), English and phonetic
    // ones to the English voice; runs that say nothing are skipped, and a line that says too much
    // (see PrepareSpokenLine) is not spoken at all, with one line on stderr. While it waits the
    // GUI thread's events run; a stop request ends it. Needs no character, so that tools can
    // speak a line as the tutor does.
    void SpeakRuns(std::string speech);

    CharacterAgent* m_pAgent = nullptr;
    AgentCharacter* m_pCharacter = nullptr;
    long m_lCharacterId = 0;

    int m_bShowBalloon = 1;
    int m_bChineseInBalloon = 1;
    int m_bReadChinese = 1;
    int m_bStopped = 0;
    std::unique_ptr<CVoice> m_pEnglishVoice;
    std::unique_ptr<CVoice> m_pChineseVoice;

  private:
    // Clears the stop request and shows `text` in the balloon as the switches say; the text in
    // the program's code page.
    std::string BeginSpeaking(const std::u16string& text);
    // The voice that speaks runs of `kind`; null when there is none or Chinese is not to be read.
    CVoice* VoiceFor(int kind) const;
    // Hands one run to its voice, without waiting.
    void SpeakRun(int kind, const std::string& run);

    EventPump* pump_;
};
