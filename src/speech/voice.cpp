#include "speech/voice.h"

#include <QGuiApplication>
#include <QLabel>
#include <QString>

#include "platform/codepage.h"
#include "platform/events/event_pump.h"
#include "platform/events/voice_notification.h"
#include "platform/files/files.h"
#include "platform/log/log.h"
#include "platform/messagebox/message_box.h"
#include "speech/speakable_text.h"

std::shared_ptr<Waitable> g_hCurrentSpeakDone;

namespace {

constexpr const char* kVisemeFolder = "\\Viseme\\";
constexpr const char* kVisemeTable = "viseme.idx";
constexpr const char* kPhoneticFolder = "\\phonetic\\";
constexpr const char* kPhoneticTable = "phonetic.idx";
// Course tables are a few lines and mouth pictures a few kilobytes; anything far larger is no
// table or picture of a course.
constexpr std::size_t kTableLimit = std::size_t{1} << 20;
constexpr std::size_t kPictureLimit = std::size_t{8} << 20;

// A course table's text; empty when it is missing (which a course may well be) or unreadable.
std::string ReadTable(const char* name) {
    std::string text;
    if (const std::error_code error = ReadCourseFile(name, text, kTableLimit)) {
        if (error != std::errc::no_such_file_or_directory) {
            LogFileFailure("cannot read", name, error);
        }
        text.clear();
    }
    return text;
}

// A folder of the course, given as a backslash name ("\Viseme\"), below the current directory.
std::string Subfolder(const char* folder) {
    return NativePath(CurrentDirectory() + folder);
}

}  // namespace

CVoice::CVoice(int bEnglish, const SpeechServices& services) : pump_(services.pump) {
    const std::string_view required = bEnglish ? kEnglishVoiceAttributes : kChineseVoiceAttributes;
    std::string failure;
    if (services.engine != nullptr) {
        m_pVoice = services.engine->CreateVoice();
    }
    if (!m_pVoice) {
        failure = "no speech engine can be used";
    } else if (const VoiceToken* token =
                   FindBestToken(services.engine->Voices(), required, kPreferredVoiceAttributes)) {
        m_pToken = *token;
        if (!m_pVoice->SetVoice(*token)) {
            failure = "the voice " + token->name + " cannot be used";
        }
    } else {
        failure = "no voice has " + std::string(required);
    }
    if (m_pVoice) {
        m_pVoice->SetNotify([this] {
            QObject* owner = owner_.load();
            PostVoiceNotification(owner != nullptr ? owner : &wakeTarget_);
        });
    }
    if (!failure.empty()) {
        LogLine("speech: " + failure);
        if (services.messageBox != nullptr) {
            services.messageBox->Show(nullptr, QGuiApplication::applicationDisplayName(),
                                      QStringLiteral("Failed in init TTS!"), MessageIcon::kNone);
        }
    }
}

CVoice::~CVoice() {
    FreePictures();
    // No notification comes once the engine voice is gone.
    m_pVoice.reset();
    m_pToken.reset();
}

void CVoice::FreePictures() {
    for (QPixmap& picture : m_hVisemes) {
        picture = QPixmap();
    }
    m_aPhonetic.clear();
}

SpeakResult CVoice::Speak(const std::u16string& text) {
    if (!m_pVoice) {
        return SpeakResult::kNoEngine;
    }
    const std::string speakable = SpeakableText(QString::fromStdU16String(text).toStdString());
    if (speakable.size() > kMaxSpokenBytes) {
        LogLine("speech: a text of " + std::to_string(speakable.size()) +
                " bytes is not spoken: at most " + std::to_string(kMaxSpokenBytes));
        return SpeakResult::kFailed;
    }
    const std::vector<std::string> utterances = SplitUtterances(speakable);
    if (utterances.empty()) {
        return SpeakResult::kNoEngine;
    }
    m_bStopRequested = 0;
    const int purges = purges_;
    for (std::size_t i = 0; i < utterances.size(); ++i) {
        // One utterance at a time: the engine never holds more than one in the making.
        if (i > 0) {
            WaitUntilPlayed();
            if (purges_ != purges) {
                break;
            }
        }
        const bool queued = m_pVoice->Speak(utterances[i]);
        g_hCurrentSpeakDone = m_pVoice->SpeakCompleteEvent();
        if (!queued) {
            return SpeakResult::kFailed;
        }
    }
    return SpeakResult::kOk;
}

SpeakResult CVoice::SpeakAnsi(const std::string& text) {
    if (!m_pVoice || text.empty()) {
        return SpeakResult::kNoEngine;
    }
    // The completion event is recorded here too: a phonetic piece read as text must be waited
    // for like any other utterance, or the next one talks over it.
    return Speak(Cp936ToUtf16(text));
}

void CVoice::SpeakPhonetic(const std::string& piece) {
    for (const std::string& line : m_aPhonetic) {
        const PhoneticEntry entry = SplitPhoneticLine(line);
        if (entry.key.empty() || entry.file.empty() || entry.key != piece || !m_pVoice) {
            continue;
        }
        const std::string name = kPhoneticFolder + entry.file;
        ShowViseme(entry.picture);
        m_bStopRequested = 0;
        UniqueFd file;
        // A sound that cannot be played is silence that ends at once.
        if (const std::error_code error = OpenCourseFile(name, file)) {
            LogFileFailure("cannot play", name, error);
        } else if (!m_pVoice->SpeakFile(std::move(file), entry.file)) {
            LogLine("cannot play " + name + ": not a sound file");
        } else {
            WaitUntilPlayed();
        }
        g_hCurrentSpeakDone = m_pVoice->SpeakCompleteEvent();
        return;
    }
    SpeakAnsi(piece);
}

void CVoice::WaitUntilPlayed() {
    const std::shared_ptr<Waitable> done = m_pVoice->SpeakCompleteEvent();
    const int purges = purges_;
    // The engine notifies when the sound ends or is purged, which wakes the pump.
    while (pump_ != nullptr && !done->IsSignalled() && purges_ == purges) {
        pump_->PumpOne();
    }
}

void CVoice::Purge() {
    m_bStopRequested = 1;
    if (m_pVoice) {
        ++purges_;
        m_pVoice->Purge();
        g_hCurrentSpeakDone = nullptr;
    }
}

void CVoice::ProcessEvents() {
    if (!m_pVoice) {
        return;
    }
    SpeechEvent event;
    while (m_pVoice->GetEvent(event)) {
        switch (event.kind) {
            case SpeechEventKind::kEndInputStream:
                ShowViseme(0);
                break;
            case SpeechEventKind::kWordBoundary:
                // A word that was on its way when the voice was stopped: stop again.
                if (m_bStopRequested) {
                    ShowViseme(0);
                    Purge();
                }
                break;
            case SpeechEventKind::kViseme:
                ShowViseme(event.viseme);
                break;
        }
    }
}

void CVoice::ShowViseme(int n) {
    if (m_pPictureCtrl == nullptr) {
        return;
    }
    if (n < 0 || n >= kMouthShapeCount) {
        n = 0;
    }
    const QPixmap& picture = m_hVisemes[n].isNull() ? m_hVisemes[0] : m_hVisemes[n];
    if (picture.isNull()) {
        m_pPictureCtrl->clear();
    } else {
        m_pPictureCtrl->setPixmap(picture);
    }
}

QPixmap LoadCourseBitmap(const std::string& name) {
    std::string bytes;
    if (const std::error_code error = ReadCourseFile(name, bytes, kPictureLimit)) {
        LogFileFailure("cannot read", name, error);
        return QPixmap();
    }
    QPixmap picture;
    if (!picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                              static_cast<uint>(bytes.size()), "BMP")) {
        LogLine("cannot show " + name + ": not a bitmap");
    }
    return picture;
}

void ForEachCourseViseme(const std::function<bool(const VisemeLine&)>& use) {
    const ScopedCurrentDirectory folder(Subfolder(kVisemeFolder));
    for (const VisemeLine& line : ParseVisemeTable(ReadTable(kVisemeTable))) {
        if (!use(line)) {
            return;
        }
    }
}

void CVoice::LoadVisemeTable() {
    ForEachCourseViseme([this](const VisemeLine& line) {
        if (const std::optional<int> slot = VisemeSlot(line.number)) {
            m_hVisemes[*slot] = LoadCourseBitmap(line.file);
        }
        return true;
    });
}

void CVoice::LoadDefaultVisemes() {
    for (const QPixmap& picture : m_hVisemes) {
        if (!picture.isNull()) {
            return;
        }
    }
    for (int shape = 0; shape < kMouthShapeCount; ++shape) {
        m_hVisemes[shape] =
            QPixmap(QStringLiteral(":/bitmaps/%1.bmp").arg(DefaultVisemeBitmap(shape)));
    }
}

void CVoice::LoadPhoneticTable() {
    const ScopedCurrentDirectory folder(Subfolder(kPhoneticFolder));
    for (std::string& line : ParsePhoneticTable(ReadTable(kPhoneticTable))) {
        m_aPhonetic.push_back(std::move(line));
    }
}

void CVoice::SetNotifyWindow(QObject* owner) {
    owner_ = owner;
}
