#include "speech/voice.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <QLabel>
#include <QString>
#include <map>
#include <set>

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
// Mouth pictures are a few dozen pixels a side (64 in the sample course); a larger one is no
// mouth picture, and the window's strip grows with its width. Checked on the header, before a
// picture is decoded: 1024 x 1024 decodes to 4 MiB.
constexpr int kMaxPictureSide = 1024;

// A folder of the course, given as a backslash name ("\Viseme\"), below the current directory.
std::string Subfolder(const char* folder) {
    return NativePath(CurrentDirectory() + folder);
}

// A name given relative to the current directory, made absolute: the key of what was read.
std::string AbsoluteName(std::string_view name) {
    const std::string path = NativePath(name);
    return path.starts_with('/') ? path : CurrentDirectory() + "/" + path;
}

// The first `count` lines of `text`, line ends included.
std::string_view FirstLines(std::string_view text, std::size_t count) {
    std::size_t end = 0;
    for (std::size_t line = 0; line < count; ++line) {
        end = text.find('\n', end);
        if (end == std::string_view::npos) {
            return text;
        }
        ++end;
    }
    return text.substr(0, end);
}

// A bitmap of the course, checked on its header before it is decoded.
QPixmap DecodeCourseBitmap(const std::string& name) {
    std::string bytes;
    if (const std::error_code error = ReadCourseFile(name, bytes, kPictureLimit)) {
        LogFileFailure("cannot read", name, error);
        return QPixmap();
    }
    QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    const QSize size = reader.size();
    if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
        LogLine("cannot show " + name + ": " + std::to_string(size.width()) + " x " +
                std::to_string(size.height()) + " pixels, at most " +
                std::to_string(kMaxPictureSide) + " a side");
        return QPixmap();
    }
    const QImage image = reader.read();
    if (image.isNull()) {
        LogLine("cannot show " + name + ": not a bitmap");
        return QPixmap();
    }
    return QPixmap::fromImage(image);
}

}  // namespace

// What the voices take from the course's folders, shared by all of them while one lives: each
// table is read, and each picture decoded, once for all the lines and roles that name it.
class CourseMedia {
  public:
    static std::shared_ptr<CourseMedia> Shared() {
        static std::weak_ptr<CourseMedia> shared;
        std::shared_ptr<CourseMedia> media = shared.lock();
        if (!media) {
            media = std::make_shared<CourseMedia>();
            shared = media;
        }
        return media;
    }

    // A table's text, up to its line limit; empty when it is missing (which a course may well
    // be) or unreadable.
    std::string_view Table(const char* name) {
        const auto [entry, added] = tables_.try_emplace(AbsoluteName(name));
        if (!added) {
            return entry->second;
        }
        std::string& text = entry->second;
        if (const std::error_code error = ReadCourseFile(name, text, kTableLimit)) {
            if (error != std::errc::no_such_file_or_directory) {
                LogFileFailure("cannot read", name, error);
            }
            text.clear();
        }
        const std::size_t kept = FirstLines(text, kMaxTableLines).size();
        if (kept < text.size()) {
            LogLine(std::string(name) + ": the lines after the first " +
                    std::to_string(kMaxTableLines) + " are not read");
            text.resize(kept);
        }
        return text;
    }

    // A bitmap named relative to the current directory, read from inside the course; null (and
    // logged, once) when it cannot be had.
    QPixmap Picture(const std::string& name) {
        const auto [entry, added] = pictures_.try_emplace(AbsoluteName(name));
        if (added) {
            entry->second = DecodeCourseBitmap(name);
        }
        return entry->second;
    }

    // Whether a sound named relative to the current directory is refused for the first time.
    bool FirstRefusal(std::string_view name) {
        return refusedSounds_.insert(AbsoluteName(name)).second;
    }

  private:
    std::map<std::string, std::string> tables_;
    std::map<std::string, QPixmap> pictures_;
    std::set<std::string> refusedSounds_;
};

CVoice::CVoice(int bEnglish, const SpeechServices& services)
    : pump_(services.pump), media_(CourseMedia::Shared()) {
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
    // Between two utterances the voice is idle for a moment; the current event must not say so,
    // or the study modes would go on, or speak the next piece, in the middle of this text.
    const auto between = std::make_shared<Waitable>(false);
    for (std::size_t i = 0; i < utterances.size(); ++i) {
        // One utterance at a time: the engine never holds more than one in the making.
        if (i > 0) {
            g_hCurrentSpeakDone = between;
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
        std::string reason;
        // A sound that cannot be played is silence that ends at once.
        if (const std::error_code error = OpenCourseFile(name, file)) {
            LogFileFailure("cannot play", name, error);
        } else if (!m_pVoice->SpeakFile(std::move(file), entry.file, reason)) {
            // Said once, though the piece may be spoken again and again.
            if (media_->FirstRefusal(name)) {
                LogLine("cannot play " + name + ": " + reason);
            }
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
    return CourseMedia::Shared()->Picture(name);
}

void ForEachCourseViseme(const std::function<bool(const VisemeLine&)>& use) {
    const ScopedCurrentDirectory folder(Subfolder(kVisemeFolder));
    for (const VisemeLine& line : ParseVisemeTable(CourseMedia::Shared()->Table(kVisemeTable))) {
        if (!use(line)) {
            return;
        }
    }
}

void CVoice::LoadVisemeTable() {
    const ScopedCurrentDirectory folder(Subfolder(kVisemeFolder));
    // The last line of a shape decides its picture, so that only that one is read.
    std::array<std::string, kMouthShapeCount> files;
    for (VisemeLine& line : ParseVisemeTable(media_->Table(kVisemeTable))) {
        if (const std::optional<int> slot = VisemeSlot(line.number)) {
            files[*slot] = std::move(line.file);
        }
    }
    for (int shape = 0; shape < kMouthShapeCount; ++shape) {
        if (!files[shape].empty()) {
            m_hVisemes[shape] = media_->Picture(files[shape]);
        }
    }
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
    for (std::string& line : ParsePhoneticTable(media_->Table(kPhoneticTable))) {
        m_aPhonetic.push_back(std::move(line));
    }
}

void CVoice::SetNotifyWindow(QObject* owner) {
    owner_ = owner;
}
