#include "speech/engines/speech_log.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>
#include <filesystem>

#include "platform/log/log.h"
#include "speech/engines/sound_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// Taken when the program's static objects are made, before main(); the wall clock's reading
// beside it lets a test that records the sound server place the log's times on its own clock.
const Clock::time_point kProgramStart = Clock::now();
const std::chrono::system_clock::time_point kProgramStartWall = std::chrono::system_clock::now();

double Tenths(double ms) {
    return std::round(ms * 10.0) / 10.0;
}

QJsonObject EventJson(const SpeechEvent& event) {
    QJsonObject json = SpeechEventJson(event);
    json[QStringLiteral("ms")] = Tenths(ProgramMs(event.released));
    json[QStringLiteral("audio_ms")] = Tenths(event.audioMs);
    return json;
}

}  // namespace

QJsonObject SpeechEventJson(const SpeechEvent& event) {
    QJsonObject json;
    switch (event.kind) {
        case SpeechEventKind::kEndInputStream:
            json[QStringLiteral("type")] = QStringLiteral("end");
            break;
        case SpeechEventKind::kWordBoundary:
            json[QStringLiteral("type")] = QStringLiteral("word");
            json[QStringLiteral("pos")] = event.textPosition;
            json[QStringLiteral("len")] = event.textLength;
            break;
        case SpeechEventKind::kViseme:
            json[QStringLiteral("type")] = QStringLiteral("viseme");
            json[QStringLiteral("shape")] = event.viseme;
            break;
    }
    return json;
}

namespace {

std::string WavName(const UtteranceInfo& info) {
    char number[32];
    std::snprintf(number, sizeof number, "%04llu-", static_cast<unsigned long long>(info.serial));
    return number + info.voice + ".wav";
}

}  // namespace

double ProgramMs(Clock::time_point when) {
    return std::chrono::duration<double, std::milli>(when - kProgramStart).count();
}

std::unique_ptr<SpeechLog> SpeechLog::Open(const std::string& directory, std::error_code& error) {
    std::filesystem::create_directories(directory, error);
    if (error) {
        return nullptr;
    }
    const std::string path = (std::filesystem::path(directory) / "speech.jsonl").string();
    std::FILE* lines = std::fopen(path.c_str(), "w");
    if (lines == nullptr) {
        error = std::error_code(errno, std::generic_category());
        return nullptr;
    }
    return std::unique_ptr<SpeechLog>(new SpeechLog(directory, lines));
}

SpeechLog::SpeechLog(std::string directory, std::FILE* lines)
    : directory_(std::move(directory)), lines_(lines) {}

SpeechLog::~SpeechLog() {
    std::lock_guard lock(mutex_);
    for (auto& [serial, record] : records_) {
        Write(record);
    }
    std::fclose(lines_);
}

void SpeechLog::OnQueued(const UtteranceInfo& info) {
    std::lock_guard lock(mutex_);
    records_[info.serial].info = info;
}

void SpeechLog::OnFirstSample(std::uint64_t serial, Clock::time_point when) {
    std::lock_guard lock(mutex_);
    Record& record = records_[serial];
    record.started = true;
    record.start = when;
}

void SpeechLog::OnSamples(std::uint64_t serial, const std::int16_t* samples, std::size_t count) {
    std::lock_guard lock(mutex_);
    std::vector<std::int16_t>& kept = records_[serial].samples;
    kept.insert(kept.end(), samples, samples + count);
}

void SpeechLog::OnEvent(std::uint64_t serial, const SpeechEvent& event) {
    std::lock_guard lock(mutex_);
    records_[serial].events.push_back(event);
}

void SpeechLog::OnFinished(std::uint64_t serial, Clock::time_point when, bool purged) {
    std::lock_guard lock(mutex_);
    Record& record = records_[serial];
    record.finished = true;
    record.purged = purged;
    record.end = when;
    WriteReady();
}

void SpeechLog::WriteReady() {
    while (!records_.empty() && records_.begin()->second.finished) {
        Write(records_.begin()->second);
        records_.erase(records_.begin());
    }
}

void SpeechLog::Write(Record& record) {
    const UtteranceInfo& info = record.info;
    const std::string wav = WavName(info);
    const std::string path = (std::filesystem::path(directory_) / wav).string();
    if (const std::error_code error = WriteWavFile(path, record.samples, info.sampleRate)) {
        LogFileFailure("cannot write", path, error);
    }
    if (!record.finished) {
        record.end = Clock::now();
    }
    // An utterance that never reached the output starts where it ended.
    const Clock::time_point start = record.started ? record.start : record.end;

    QJsonObject line;
    line[QStringLiteral("n")] = static_cast<qint64>(info.serial);
    line[QStringLiteral("voice")] = QString::fromStdString(info.voice);
    if (info.file.empty()) {
        line[QStringLiteral("text")] =
            QString::fromUtf8(info.text.data(), static_cast<qsizetype>(info.text.size()));
    } else {
        line[QStringLiteral("file")] =
            QString::fromUtf8(info.file.data(), static_cast<qsizetype>(info.file.size()));
    }
    line[QStringLiteral("wav")] = QString::fromStdString(wav);
    line[QStringLiteral("rate")] = info.sampleRate;
    line[QStringLiteral("program_start_unix_ms")] = Tenths(
        std::chrono::duration<double, std::milli>(kProgramStartWall.time_since_epoch()).count());
    line[QStringLiteral("requested_ms")] = Tenths(ProgramMs(info.requested));
    line[QStringLiteral("start_ms")] = Tenths(ProgramMs(start));
    line[QStringLiteral("end_ms")] = Tenths(ProgramMs(record.end));
    line[QStringLiteral("purged")] = record.purged || !record.finished;
    QJsonArray events;
    for (const SpeechEvent& event : record.events) {
        events.append(EventJson(event));
    }
    line[QStringLiteral("events")] = events;
    const QByteArray json = QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), lines_);
    std::fflush(lines_);
}
