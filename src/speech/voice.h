#pragma once

#include <QObject>
#include <QPixmap>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/waitable/waitable.h"
#include "speech/speech_engine.h"
#include "speech/viseme_table.h"

class CourseMedia;
class EventPump;
class MessageBoxService;
class QLabel;

// The completion event of the utterance that any voice started last, or null. Voices set it when
// they speak and clear it when purged; the study modes clear it when they stop, and whoever
// waits for the end of the current utterance polls it.
extern std::shared_ptr<Waitable> g_hCurrentSpeakDone;

// What a voice is built from. The engine may be null (no voice can be made); the message box
// may be null (failures then only reach the log); the pump may be null (waits for the end of an
// utterance then end at once, and the engine queues what follows behind it).
struct SpeechServices {
    SpeechEngine* engine = nullptr;
    MessageBoxService* messageBox = nullptr;
    EventPump* pump = nullptr;
};

// The course's mouth-picture table ("\Viseme\viseme.idx"): calls `use` for each picture line in
// file order, with that folder current; `use` returns false to stop early.
void ForEachCourseViseme(const std::function<bool(const VisemeLine&)>& use);
// A bitmap that a course table names, relative to the current directory, read from inside the
// course; null (and logged) when it cannot be had, also when its header declares more than 1024
// pixels a side. Decoded once while a voice lives, and shared.
QPixmap LoadCourseBitmap(const std::string& name);

// What a speak call gave.
enum class SpeakResult {
    kOk,
    kNoEngine,  // no engine object, or nothing to speak
    kFailed,    // the engine refused
};

// One voice of one language, bound to the male voice of that language the engine ranks first.
// It speaks, stops on request, and turns the engine's events into mouth pictures on a picture
// control of the main window. The English voice of a role also holds the course's mouth pictures
// and phonetic table. GUI thread only.
class CVoice {
  public:
    CVoice(int bEnglish, const SpeechServices& services);
    virtual ~CVoice();
    CVoice(const CVoice&) = delete;
    CVoice& operator=(const CVoice&) = delete;

    void FreePictures();

    // Text in UTF-16, as SpeakableText makes it; nothing to say gives kNoEngine, and a text that
    // says more than kMaxSpokenBytes is refused (and logged). A text longer than one utterance is
    // spoken as several, each once the one before has played: this returns once the last has
    // started, or the voice is purged, and runs the GUI thread's events meanwhile.
    SpeakResult Speak(const std::u16string& text);
    // Text in the program's code page (CP936).
    SpeakResult SpeakAnsi(const std::string& text);
    // A bracketed phonetic piece (CP936): its recorded sound from the phonetic table, or else
    // the piece read as text.
    void SpeakPhonetic(const std::string& piece);
    void Purge();
    void ProcessEvents();
    void ShowViseme(int n);

    // The course's tables, from the current directory's "Viseme" and "phonetic" folders, each up
    // to its first kMaxTableLines lines (the rest is left out, with one log line).
    void LoadVisemeTable();
    void LoadDefaultVisemes();
    void LoadPhoneticTable();

    // Sends the voice notification to `owner` whenever events wait; null sends it nowhere.
    void SetNotifyWindow(QObject* owner);

    std::unique_ptr<EngineVoice> m_pVoice;
    std::optional<VoiceToken> m_pToken;
    QLabel* m_pPictureCtrl = nullptr;
    int m_bStopRequested = 0;
    std::array<QPixmap, kMouthShapeCount> m_hVisemes;
    std::vector<std::string> m_aPhonetic;

  private:
    // Runs the GUI thread's events until the engine voice is idle or has been purged.
    void WaitUntilPlayed();

    EventPump* pump_;
    // Read by the engine's threads when they notify.
    std::atomic<QObject*> owner_ = nullptr;
    // Receives the notifications while no owner is set, so that a wait still wakes up.
    QObject wakeTarget_;
    // Counts purges, so that a wait for a sound ends when the voice is stopped.
    int purges_ = 0;
    // The course's tables and pictures, shared with the other voices.
    std::shared_ptr<CourseMedia> media_;
};
