// Speaking practice on a lesson line: the tutor says the line, the learner says it after it into
// the microphone, and each English word of the line on the page is marked by how well it was said.
// Recording ends 0.8 s after the speech or at twice the model's length and 2 s; scoring runs on a
// thread of its own, and the GUI thread only polls for its result on the practice timer.
#include <sys/mman.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QString>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <thread>

#include "character/agent.h"
#include "content/course_index.h"
#include "platform/audioin/audio_input.h"
#include "platform/codepage.h"
#include "platform/files/files.h"
#include "platform/log/log.h"
#include "platform/messagebox/message_box.h"
#include "platform/window/dialog_controls.h"
#include "practice/line_words.h"
#include "practice/practice_store.h"
#include "practice/scorer.h"
#include "practice/wav_bytes.h"
#include "view/command_ids.h"
#include "view/lesson_view.h"

namespace {

// Polls the end of the model line, watches the recording and polls the scorer.
constexpr int kPracticeTimer = 320;
constexpr int kPracticePeriodMs = 50;
constexpr int kRate = AudioInput::kCaptureRate;
// A microphone that stops delivering must not hold the practice: this long past the limit, the
// recording ends by the clock.
constexpr int kStalledMs = 1000;
// Kept beside the scores: "recordings=0" when the learner keeps none. The settings file of the
// course has a fixed layout with no room for it, and the switch belongs to the learner, not to a
// course.
constexpr const char* kOptionsFile = "options.txt";
constexpr const char* kNoRecordings = "recordings=0\n";

constexpr const char* kSayAfterMe = "请跟我说";
constexpr const char* kNotHeard = "没有听到你的声音，请再试一次。";
constexpr const char* kNoMicrophone = "没有找到麦克风";
constexpr const char* kNoEnglish = "这一行没有英文";
constexpr const char* kWordClass = "practiceWord";
constexpr const char* kProgressClass = "practiceProgress";

// Where speech ends: 20 ms frames, loud against a quiet room and against the recording's own floor;
// speech has begun after 0.1 s of loud frames and ends after 0.8 s of quiet ones.
class SpeechEnd {
  public:
    static constexpr std::size_t kFrame = kRate / 50;
    static constexpr int kStartFrames = 5;
    static constexpr int kEndFrames = 40;

    // True once speech has ended.
    bool Feed(std::span<const std::int16_t> samples) {
        for (const std::int16_t sample : samples) {
            energy_ += static_cast<double>(sample) * sample;
            if (++count_ == kFrame) {
                EndFrame(std::sqrt(energy_ / kFrame));
                energy_ = 0;
                count_ = 0;
            }
        }
        return ended_;
    }
    bool Heard() const { return loudFrames_ >= kStartFrames; }

  private:
    void EndFrame(double level) {
        // Well under -50 dBFS is a quiet room; a noisy one raises the floor.
        constexpr double kQuietRoom = 100;
        floor_ = std::min(floor_, std::max(level, 1.0));
        const bool loud = level > std::max(3 * kQuietRoom, 4 * floor_);
        if (loud) {
            ++loudFrames_;
            quietFrames_ = 0;
        } else if (Heard() && ++quietFrames_ >= kEndFrames) {
            ended_ = true;
        }
    }

    double energy_ = 0;
    std::size_t count_ = 0;
    double floor_ = 1e9;
    int loudFrames_ = 0;
    int quietFrames_ = 0;
    bool ended_ = false;
};

// The score of one recording, made on a thread of its own and taken by the GUI thread.
struct ScoringJob {
    std::mutex mutex;
    bool done = false;
    std::error_code error;
    LineScore result;
};

enum class Phase { kIdle, kModel, kRecording, kScoring };

std::string Escaped(std::string_view text) {
    std::string html;
    for (const char c : text) {
        switch (c) {
            case '&':
                html += "&amp;";
                break;
            case '<':
                html += "&lt;";
                break;
            case '>':
                html += "&gt;";
                break;
            case '"':
                html += "&quot;";
                break;
            case '\'':
                html += "&#39;";
                break;
            case '\n':
                html += "<br>";
                break;
            default:
                html += c;
        }
    }
    return html;
}

// The current line is red already: weak and missed words stand out from it on a tint of their own.
const char* VerdictStyle(Verdict verdict) {
    switch (verdict) {
        case Verdict::kGood:
            return "color:#008000";
        case Verdict::kWeak:
            return "color:#b05000;background-color:#ffecc8";
        case Verdict::kMissed:
            break;
    }
    return "color:#b00000;background-color:#ffd8d8;text-decoration:underline wavy";
}

// The line's text as markup, each scored word a span of its verdict's colour; nothing of the text
// ever becomes markup. Ids are "practiceWord" and the word's index in `words`.
std::string MarkedLine(const std::string& text, const std::vector<WordScore>& words) {
    std::string html;
    std::size_t at = 0;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const LineWord& word = words[i].word;
        if (word.offset < at || word.offset + word.length > text.size()) {
            continue;
        }
        html += Escaped(std::string_view(text).substr(at, word.offset - at));
        html += "<span class=\"" + std::string(kWordClass) + "\" id=\"" + kWordClass +
                std::to_string(i) + "\" style=\"" + VerdictStyle(words[i].verdict) +
                ";cursor:pointer\">" +
                Escaped(std::string_view(text).substr(word.offset, word.length)) + "</span>";
        at = word.offset + word.length;
    }
    return html + Escaped(std::string_view(text).substr(at));
}

std::u16string Utf16(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).toStdU16String();
}

// A file in memory holding `bytes`, for a voice to play; empty when none can be made.
UniqueFd MemoryFile(const std::string& bytes) {
    UniqueFd file(::memfd_create("quorvan-practice", MFD_CLOEXEC));
    if (!file ||
        ::write(file.Get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        ::lseek(file.Get(), 0, SEEK_SET) != 0) {
        return {};
    }
    return file;
}

}  // namespace

struct CLessonView::Practice {
    Phase phase = Phase::kIdle;
    // The line being practised: its number, element and text as the page shows it (UTF-8).
    int line = 0;
    Handle element = 0;
    std::string text;
    int modelMs = 0;
    bool listening = false;
    bool speakingLine = false;
    int recordedMs = 0;
    std::size_t limitSamples = 0;
    std::vector<std::int16_t> samples;
    SpeechEnd end;
    std::shared_ptr<PronunciationScorer> scorer;
    std::shared_ptr<ScoringJob> job;
    std::unique_ptr<PracticeStore> store;
    bool toldMemoryOnly = false;
    // The last result shown, for clicks on its words.
    LineScore shown;
    std::vector<std::int16_t> shownSamples;
    Handle shownLine = 0;
};

void CLessonView::PracticeDeleter::operator()(Practice* practice) const {
    delete practice;
}

PracticeStore& CLessonView::Store() {
    if (!practice_->store) {
        practice_->store =
            std::make_unique<PracticeStore>(services_.practiceFolder, KeepsRecordings());
    }
    return *practice_->store;
}

std::string CLessonView::PracticeLesson(const std::string& lessonFile) const {
    return CourseFolder() + "/" + Cp936ToUtf8(lessonFile);
}

bool CLessonView::KeepsRecordings() const {
    std::string options;
    return services_.practiceFolder.empty() ||
           ReadWholeFile(services_.practiceFolder + "/" + kOptionsFile, options, 4096) ||
           options != kNoRecordings;
}

void CLessonView::SetKeepsRecordings(bool keep) {
    if (keep == KeepsRecordings()) {
        return;
    }
    Store().SetKeepRecordings(keep);
    if (!services_.practiceFolder.empty() && Store().Persistent()) {
        const std::string path = services_.practiceFolder + "/" + kOptionsFile;
        if (const std::error_code error =
                ReplaceFile(path, keep ? "recordings=1\n" : kNoRecordings)) {
            LogFileFailure("cannot save", path, error);
        }
    }
}

void CLessonView::UpdatePractiseButton(Handle line) {
    auto* button = qobject_cast<QAbstractButton*>(FindControl(parentWidget(), kPractiseButton));
    if (button == nullptr) {
        return;
    }
    const char* reason = nullptr;
    if (services_.audioInput == nullptr || !services_.audioInput->HasMicrophone()) {
        reason = kNoMicrophone;
    } else if (!HasElement(line) || ExtractLineWords(GetElementText(line)).empty()) {
        reason = kNoEnglish;
    }
    // A running mode leaves it enabled: pressing it stops the mode. A practice under way does not.
    const bool lessonPage = lessonButtons_ && m_nPage == 2;
    const bool practising = practice_ && practice_->phase != Phase::kIdle;
    button->setEnabled(lessonPage && !practising && reason == nullptr);
    button->setToolTip(lessonPage && reason != nullptr ? QString::fromUtf8(reason) : QString());
}

void CLessonView::SayInBalloon(const char* utf8Text) {
    if (m_role1.m_pCharacter != nullptr) {
        // The balloon of the line and its talking are queued before: the learner is answered now.
        m_role1.m_pCharacter->StopAll(kStopTypePlay | kStopTypeSpeak);
        m_role1.m_pCharacter->Speak(Utf16(utf8Text));
    }
}

void CLessonView::Practise() {
    if (!practice_) {
        practice_.reset(new Practice);
    }
    if (m_nPage != 2 || services_.audioInput == nullptr) {
        return;
    }
    // Dictation, stopped, builds the page anew: then there is no line to practise yet.
    StopStudy();
    if (!HasElement(m_pLineElement)) {
        return;
    }
    Practice& p = *practice_;
    p.line = m_nLine;
    p.element = m_pLineElement;
    p.text = GetElementText(m_pLineElement);
    if (ExtractLineWords(p.text).empty()) {
        return;
    }
    if (!p.scorer) {
        p.scorer = std::make_shared<PronunciationScorer>();
        // Loaded while the model line is spoken, so the first result is as quick as the next.
        std::thread([scorer = p.scorer] { scorer->Load(); }).detach();
    }
    p.phase = Phase::kModel;
    p.modelMs = 0;
    // Opened now, and what it hears kept only from the end of the model line: a sound server
    // takes a few tenths of a second to deliver a new capture, and a learner who starts at once
    // would lose the first word.
    p.listening = services_.audioInput->Start(
        [this](std::span<const std::int16_t> samples) { OnPracticeSamples(samples); });
    if (!p.listening) {
        LogLine("cannot record from the microphone");
    }
    EnableCommandButtons(true, false);
    // Armed first: it measures the model line, also while the line is spoken whole. Between the
    // runs of a line no utterance is under way, which is no end of the line.
    SetTimer(kPracticeTimer, kPracticePeriodMs);
    p.speakingLine = true;
    SpeakCurrentLine();
    p.speakingLine = false;
}

void CLessonView::StartRecording() {
    Practice& p = *practice_;
    SayInBalloon(kSayAfterMe);
    m_role1.PlayAnimation("Reading");
    p.samples.clear();
    p.end = SpeechEnd();
    p.recordedMs = 0;
    const std::int64_t limitMs = std::min<std::int64_t>(std::int64_t{p.modelMs} * 2 + 2000,
                                                        std::int64_t{kMaxRecordingSeconds} * 1000);
    p.limitSamples = static_cast<std::size_t>(limitMs * kRate / 1000);
    p.samples.reserve(p.limitSamples);
    p.phase = Phase::kRecording;
    if (!p.listening) {
        FinishRecording();
    }
}

void CLessonView::OnPracticeSamples(std::span<const std::int16_t> samples) {
    Practice& p = *practice_;
    if (p.phase != Phase::kRecording) {
        return;
    }
    const std::size_t room = p.limitSamples - p.samples.size();
    const std::span<const std::int16_t> kept = samples.first(std::min(room, samples.size()));
    p.samples.insert(p.samples.end(), kept.begin(), kept.end());
    if (p.end.Feed(kept) || p.samples.size() >= p.limitSamples) {
        FinishRecording();
    }
}

void CLessonView::FinishRecording() {
    Practice& p = *practice_;
    services_.audioInput->Stop();
    p.listening = false;
    if (!p.end.Heard() || !HoldsSpeech(p.samples)) {
        p.phase = Phase::kIdle;
        KillTimer(kPracticeTimer);
        SayInBalloon(kNotHeard);
        m_role1.PlayAnimation("Explain");
        EnableCommandButtons(true, true);
        return;
    }
    p.phase = Phase::kScoring;
    p.job = std::make_shared<ScoringJob>();
    std::thread([job = p.job, scorer = p.scorer, text = p.text, samples = p.samples] {
        LineScore result;
        const std::error_code error = scorer->Score(text, samples, result);
        const std::lock_guard lock(job->mutex);
        job->error = error;
        job->result = std::move(result);
        job->done = true;
    }).detach();
}

void CLessonView::OnPracticeTimer(int id) {
    if (id != kPracticeTimer) {
        return;
    }
    if (!practice_) {
        KillTimer(kPracticeTimer);
        return;
    }
    Practice& p = *practice_;
    switch (p.phase) {
        case Phase::kModel:
            p.modelMs += kPracticePeriodMs;
            if (!p.speakingLine && IsSpeechDone()) {
                StartRecording();
            }
            break;
        case Phase::kRecording:
            p.recordedMs += kPracticePeriodMs;
            if (std::int64_t{p.recordedMs} * kRate / 1000 >
                static_cast<std::int64_t>(p.limitSamples) + kStalledMs * kRate / 1000) {
                FinishRecording();
            }
            break;
        case Phase::kScoring: {
            const std::lock_guard lock(p.job->mutex);
            if (!p.job->done) {
                break;
            }
            KillTimer(kPracticeTimer);
            p.phase = Phase::kIdle;
            ShowPracticeResult();
            break;
        }
        case Phase::kIdle:
            KillTimer(kPracticeTimer);
            break;
    }
}

void CLessonView::ShowPracticeResult() {
    Practice& p = *practice_;
    EnableCommandButtons(true, true);
    const LineScore& result = p.job->result;
    if (p.job->error || !result.heard) {
        if (p.job->error) {
            LogLine("cannot score the recording: " + p.job->error.message());
        }
        SayInBalloon(p.job->error ? "现在无法评分。" : kNotHeard);
        m_role1.PlayAnimation("Explain");
        return;
    }
    p.shown = result;
    p.shownSamples = std::move(p.samples);
    p.samples = {};
    MarkLineWords(p.element);

    const std::string balloon = "得分：" + std::to_string(result.score) + "。" + result.hint;
    SayInBalloon(balloon.c_str());
    m_role1.PlayAnimation(result.score >= 80  ? "Greet"
                          : result.score < 60 ? "Explain"
                                              : "RestPose");

    PracticeStore& store = Store();
    store.AddTry(PracticeLesson(m_strLessonFile), p.line, result.score, p.shownSamples, kRate);
    if (!store.Persistent() && !p.toldMemoryOnly) {
        p.toldMemoryOnly = true;
        services_.messageBox->Show(this, QStringLiteral("Quorvan"),
                                   QStringLiteral("练习记录无法保存在 %1，只保留到退出为止。")
                                       .arg(QString::fromStdString(services_.practiceFolder)),
                                   MessageIcon::kWarning);
    }
}

void CLessonView::MarkLineWords(Handle line) {
    Practice& p = *practice_;
    p.shownLine = 0;
    // A line the page has rebuilt meanwhile, or one whose text changed, is not marked.
    if (!HasElement(line) || GetElementText(line) != p.text) {
        return;
    }
    // Tables and pictures inside a line would be lost: such a line keeps its look.
    const std::string children = Mirror().SerializeChildren(line);
    for (const char* tag : {"<table", "<img", "<TABLE", "<IMG"}) {
        if (children.find(tag) != std::string::npos) {
            return;
        }
    }
    SetElementHtml(line, MarkedLine(p.text, p.shown.words));
    p.shownLine = line;
}

void CLessonView::OnPracticeWordClick(Handle element) {
    if (!practice_ || practice_->phase != Phase::kIdle || m_role1.m_pEnglishVoice == nullptr ||
        !m_role1.m_pEnglishVoice->m_pVoice) {
        return;
    }
    const Practice& p = *practice_;
    if (Mirror().Parent(element) != p.shownLine) {
        return;
    }
    const std::string id = Mirror().Attribute(element, "id");
    const std::size_t index = std::strtoul(id.c_str() + std::strlen(kWordClass), nullptr, 10);
    if (index >= p.shown.words.size()) {
        return;
    }
    StopStudy();
    const WordScore& word = p.shown.words[index];
    EngineVoice& voice = *m_role1.m_pEnglishVoice->m_pVoice;
    if (word.startMs >= 0 && word.endMs > word.startMs) {
        // A little around the word, so that its first and last sounds are whole.
        const std::size_t from =
            std::min(p.shownSamples.size(),
                     static_cast<std::size_t>(std::max(0, word.startMs - 50)) * kRate / 1000);
        const std::size_t to = std::min(p.shownSamples.size(),
                                        static_cast<std::size_t>(word.endMs + 50) * kRate / 1000);
        std::string reason;
        if (UniqueFd clip =
                MemoryFile(WavBytes(std::span(p.shownSamples).subspan(from, to - from), kRate));
            !clip || !voice.SpeakFile(std::move(clip), "recording of " + word.word.text, reason)) {
            LogLine("cannot play the recording of " + word.word.text + ": " + reason);
        }
    }
    voice.Speak(word.word.text);
}

void CLessonView::StopCommand() {
    if (practice_ && practice_->phase == Phase::kRecording) {
        FinishRecording();
        return;
    }
    StopStudy();
}

void CLessonView::AbortPractice() {
    if (!practice_ || practice_->phase == Phase::kIdle) {
        return;
    }
    if (practice_->listening) {
        services_.audioInput->Stop();
        practice_->listening = false;
    }
    practice_->phase = Phase::kIdle;
    // A score still being made is left to its thread and never shown.
    practice_->job.reset();
    KillTimer(kPracticeTimer);
}

void CLessonView::ShowPracticeProgress() {
    const Handle list = GetElement("fileList");
    if (!list) {
        return;
    }
    const PageMirror& mirror = Mirror();
    const std::vector<Handle> rows = mirror.FindByClass(list, "file");
    if (rows.size() != m_lessonNames.size()) {
        return;
    }
    if (!practice_) {
        practice_.reset(new Practice);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const LessonProgress progress =
            Store().Progress(PracticeLesson(std::string(SplitCourseEntry(m_lessonNames[i]).file)));
        const Handle cell = mirror.Parent(rows[i]);
        if (progress.practisedLines == 0 || !cell) {
            continue;
        }
        // The cell's own markup, as the mirror holds it, with the progress after the name.
        SetElementHtml(cell, mirror.SerializeChildren(cell) + " <span class=\"" + kProgressClass +
                                 "\" style=\"font-size:smaller;color:#606060\">已练 " +
                                 std::to_string(progress.practisedLines) + " 句，平均 " +
                                 std::to_string(progress.averageBest) + " 分</span>");
    }
}
