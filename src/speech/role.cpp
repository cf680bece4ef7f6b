#include "speech/role.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/codepage.h"
#include "platform/events/event_pump.h"
#include "speech/speakable_text.h"
#include "speech/spoken_runs.h"

namespace {

constexpr const char* kBlanks = " \t\r\n\v\f";

// Removes trailing, then leading, white space.
void TrimSpace(std::string& text) {
    text.erase(text.find_last_not_of(kBlanks) + 1);
    text.erase(0, text.find_first_not_of(kBlanks));
}

bool IsBlank(const std::string& text) {
    return text.find_first_not_of(kBlanks) == std::string::npos;
}

}  // namespace

CRole::CRole(const SpeechServices& services, CharacterAgent* agent)
    : m_pAgent(agent), pump_(services.pump) {
    m_pEnglishVoice = std::make_unique<CVoice>(1, services);
    m_pEnglishVoice->LoadVisemeTable();
    m_pEnglishVoice->LoadDefaultVisemes();
    m_pEnglishVoice->ShowViseme(0);
    m_pEnglishVoice->LoadPhoneticTable();
    m_pChineseVoice = std::make_unique<CVoice>(0, services);
}

CRole::~CRole() {
    if (m_pCharacter != nullptr) {
        m_pCharacter->Hide(false);
        m_pCharacter = nullptr;
        if (m_pAgent != nullptr) {
            m_pAgent->Unload(m_lCharacterId);
        }
    }
    m_pEnglishVoice.reset();
    m_pChineseVoice.reset();
}

void CRole::AttachNotify(QObject* owner, QLabel* picture) {
    for (CVoice* voice : {m_pEnglishVoice.get(), m_pChineseVoice.get()}) {
        if (voice != nullptr && voice->m_pVoice) {
            voice->m_pPictureCtrl = picture;
            voice->SetNotifyWindow(owner);
        }
    }
}

void CRole::PumpVoiceEvents() {
    if (m_pEnglishVoice) {
        m_pEnglishVoice->ProcessEvents();
    }
    if (m_pChineseVoice) {
        m_pChineseVoice->ProcessEvents();
    }
}

void CRole::SetRate(int rate) {
    for (CVoice* voice : {m_pEnglishVoice.get(), m_pChineseVoice.get()}) {
        if (voice != nullptr && voice->m_pVoice) {
            voice->m_pVoice->SetRate(rate);
        }
    }
}

std::error_code CRole::LoadCharacter(const std::u16string& file, int bEnglish, int bShow) {
    if (m_pCharacter != nullptr) {
        m_pCharacter = nullptr;
        m_pAgent->Unload(m_lCharacterId);
    }
    if (m_pAgent == nullptr) {
        return AgentError::kNoAgent;
    }
    if (const std::error_code error = m_pAgent->Load(file, m_lCharacterId)) {
        return error;
    }
    m_pCharacter = m_pAgent->GetCharacterEx(m_lCharacterId);
    if (m_pCharacter == nullptr) {
        m_pAgent->Unload(m_lCharacterId);
        return AgentError::kUnknownId;
    }
    if (const std::error_code error = m_pCharacter->SetLanguageID(bEnglish ? 0x409 : 0x804)) {
        return error;
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen != nullptr ? screen->size() : QSize();
    const std::error_code moved = m_pCharacter->MoveTo(static_cast<short>(size.width() / 2),
                                                       static_cast<short>(size.height() / 2), 0);
    if (!moved && bShow) {
        return m_pCharacter->Show(false);
    }
    return moved;
}

void CRole::MoveTo(int x, int y, int speed) {
    if (m_pCharacter != nullptr) {
        m_pCharacter->MoveTo(static_cast<short>(x), static_cast<short>(y), speed);
    }
}

void CRole::ShowAt(int bShow, int x, int y) {
    if (m_pCharacter == nullptr) {
        return;
    }
    if (bShow) {
        m_pCharacter->MoveTo(static_cast<short>(x), static_cast<short>(y), 0);
        m_pCharacter->Show(false);
    } else {
        m_pCharacter->Hide(false);
    }
}

void CRole::PlayAnimation(const std::string& name) {
    if (m_pCharacter != nullptr) {
        m_pCharacter->Play(Cp936ToUtf16(name));
    }
}

void CRole::Stop() {
    if (m_pCharacter != nullptr) {
        m_pCharacter->StopAll(kStopTypeSpeak);
    }
    if (m_pEnglishVoice) {
        m_pEnglishVoice->Purge();
    }
    if (m_pChineseVoice) {
        m_pChineseVoice->Purge();
    }
    m_bStopped = 1;
}

std::string CRole::BeginSpeaking(const std::u16string& text) {
    m_bStopped = 0;
    std::string speech = Utf16ToCp936(text);
    if (m_bShowBalloon) {
        std::u16string balloon = text;
        if (!m_bChineseInBalloon) {
            std::string ascii;
            for (const char byte : speech) {
                if (static_cast<unsigned char>(byte) < 0x80) {
                    ascii += byte;
                }
            }
            TrimSpace(ascii);
            balloon = Cp936ToUtf16(ascii);
        }
        if (!balloon.empty() && m_pCharacter != nullptr) {
            m_pCharacter->Speak(balloon);
        }
    }
    return speech;
}

CVoice* CRole::VoiceFor(int kind) const {
    if (kind == RUN_CHINESE) {
        return m_bReadChinese ? m_pChineseVoice.get() : nullptr;
    }
    return m_pEnglishVoice.get();
}

void CRole::SpeakRun(int kind, const std::string& run) {
    CVoice* voice = VoiceFor(kind);
    if (voice == nullptr) {
        return;
    }
    if (kind == RUN_PHONETIC) {
        voice->SpeakPhonetic(run);
    } else {
        voice->Speak(Cp936ToUtf16(run));
    }
}

void CRole::SpeakSentence(const std::u16string& text) {
    std::string speech = BeginSpeaking(text);
    CleanSentence(speech);
    SpeakRuns(std::move(speech));
}

void CRole::SpeakRuns(std::string speech) {
    if (!PrepareSpokenLine(speech)) {
        return;
    }
    while (!speech.empty()) {
        std::string run;
        const int kind = SplitFirstRun(speech, run);
        if (m_bStopped) {
            break;
        }
        // A run of blanks between two others says nothing: no utterance, no wait for it.
        if (VoiceFor(kind) == nullptr || IsBlank(run)) {
            continue;
        }
        // Every run waits for the utterance before it, the Chinese ones too: the two voices
        // play on their own, and without the wait they would talk at the same time. The global
        // event is read anew on every pass: a purge nulls it, which ends the wait.
        while (pump_ != nullptr && WaitFor(g_hCurrentSpeakDone, 0) == WaitResult::kTimeout) {
            pump_->PumpOne();
            PumpVoiceEvents();
        }
        if (m_bStopped) {
            m_bStopped = 0;
            break;
        }
        SpeakRun(kind, run);
    }
}

void CRole::SpeakPiece(const std::u16string& text) {
    std::string speech = BeginSpeaking(text);
    std::string run;
    const int kind = SplitFirstRun(speech, run);
    if (!m_bStopped && !IsBlank(run)) {
        SpeakRun(kind, run);
    }
}
