// quorvan-say run as a process: what it writes, and how it fails.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <cmath>
#include <string>
#include <vector>

#include "support/scratch_directory.h"

namespace {

struct Outcome {
    int status = -1;
    std::string errors;
};

Outcome Say(const QStringList& arguments,
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment(),
            const QString& workingDirectory = QString()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(QUORVAN_SAY), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        return {};
    }
    return {process.exitCode(), process.readAllStandardError().toStdString()};
}

struct Sound {
    int rate = 0;
    int channels = 0;
    double seconds = 0;
};

Sound ReadSound(const std::filesystem::path& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return {};
    }
    sf_close(file);
    return {info.samplerate, info.channels, static_cast<double>(info.frames) / info.samplerate};
}

void WriteTone(const std::filesystem::path& path, int rate, double seconds) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    std::vector<short> samples(static_cast<std::size_t>(rate * seconds));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<short>(8000 * std::sin(2 * M_PI * 300.0 * i / rate));
    }
    sf_write_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
}

std::vector<QJsonObject> JsonLines(const std::string& text) {
    std::vector<QJsonObject> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        lines.push_back(
            QJsonDocument::fromJson(QByteArray::fromStdString(text.substr(from, end - from)))
                .object());
        from = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

QString Path(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

TEST(Say, WritesTheTextAsSoundWithItsEvents) {
    ScratchDirectory folder("say");
    const Outcome outcome = Say({"-o", Path(folder.Path("out.wav")), "--events",
                                 Path(folder.Path("events.jsonl")), "Good morning, Tom."});
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    const Sound sound = ReadSound(folder.Path("out.wav"));
    EXPECT_EQ(sound.rate, 16000);
    EXPECT_EQ(sound.channels, 1);
    // Three words take about a second, not silence and not a minute.
    EXPECT_GT(sound.seconds, 0.6);
    EXPECT_LT(sound.seconds, 3.0);
    const std::vector<QJsonObject> events = JsonLines(folder.Read("events.jsonl"));
    ASSERT_FALSE(events.empty());
    std::vector<int> words;
    for (const QJsonObject& event : events) {
        if (event["type"] == "word") {
            words.push_back(event["pos"].toInt());
        }
    }
    EXPECT_EQ(words, (std::vector<int>{0, 5, 14}));
    EXPECT_EQ(events.back()["type"], "end");
    EXPECT_NEAR(events.back()["ms"].toDouble(), 1000 * sound.seconds, 1.0);
}

TEST(Say, PlaysBracketedPiecesFromTheCourseAndLogsEachUtterance) {
    ScratchDirectory course("say-course");
    course.Write("phonetic/phonetic.idx", "[ii]=ii.wav@6\n");
    WriteTone(course.Path("phonetic/ii.wav"), 22050, 0.5);
    ScratchDirectory log("say-log");
    const Outcome outcome = Say({"--course", Path(course.Path()), "--speech-log", Path(log.Path()),
                                 "-o", Path(log.Path("all.wav")), "[ii] and [zz]"});
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    const std::vector<QJsonObject> lines = JsonLines(log.Read("speech.jsonl"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0]["file"], "ii.wav");
    EXPECT_EQ(lines[1]["text"], " and ");
    // A piece the table lacks is read as text.
    EXPECT_EQ(lines[2]["text"], "[zz]");
    for (const QJsonObject& line : lines) {
        EXPECT_EQ(line["voice"], "cmu_us_rms");
        EXPECT_FALSE(line["purged"].toBool());
        EXPECT_LE(line["requested_ms"].toDouble(), line["start_ms"].toDouble());
        EXPECT_LE(line["start_ms"].toDouble(), line["end_ms"].toDouble());
    }
    const Sound recorded = ReadSound(log.Path("0001-cmu_us_rms.wav"));
    EXPECT_EQ(recorded.rate, 16000);
    EXPECT_NEAR(recorded.seconds, 0.5, 0.01);
    EXPECT_NEAR(ReadSound(log.Path("all.wav")).seconds,
                0.5 + ReadSound(log.Path("0002-cmu_us_rms.wav")).seconds +
                    ReadSound(log.Path("0003-cmu_us_rms.wav")).seconds,
                0.001);
}

// A course whose phonetic table plays "[ai]" from a half-second tone.
void WritePhoneticCourse(const ScratchDirectory& course) {
    course.Write("phonetic/phonetic.idx", "[ai]=ai.wav@6\n");
    WriteTone(course.Path("phonetic/ai.wav"), 22050, 0.5);
}

TEST(Say, SpeaksALineAsTheTutorDoes) {
    ScratchDirectory course("say-line-course");
    WritePhoneticCourse(course);
    ScratchDirectory log("say-line-log");
    const Outcome outcome =
        Say({"--line", "--course", Path(course.Path()), "--speech-log", Path(log.Path()), "-o",
             Path(log.Path("all.wav")), "Tom: Good morning. [ai] 我"});
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    std::vector<std::string> heard;
    double seconds = 0;
    for (const QJsonObject& line : JsonLines(log.Read("speech.jsonl"))) {
        const std::string text = line["text"].toString().toStdString();
        // The blank between "]" and the Chinese is a run of its own, as in the tutor.
        if (line.contains("text") && text.find_first_not_of(' ') == std::string::npos) {
            continue;
        }
        heard.push_back(line["voice"].toString().toStdString() + " " +
                        (line.contains("file") ? line["file"].toString().toStdString() : text));
    }
    EXPECT_EQ(heard, (std::vector<std::string>{"cmu_us_rms  Good morning ", "cmu_us_rms ai.wav",
                                               "espeak_cmn 我"}));
    for (const std::string& name : log.Names()) {
        if (name.ends_with(".wav") && name != "all.wav") {
            seconds += ReadSound(log.Path(name)).seconds;
        }
    }
    // The voices' rates differ; the recording keeps every utterance at its own length.
    EXPECT_NEAR(ReadSound(log.Path("all.wav")).seconds, seconds, 0.01);
}

// 100 KB that once aborted the tool, ran for minutes or took gigabytes: what they say is said,
// and a text that would say too much is refused at once.
TEST(Say, SpeaksWhatAHostileTextSaysAndRefusesATextThatSaysTooMuch) {
    ScratchDirectory course("say-hostile-course");
    WritePhoneticCourse(course);
    ScratchDirectory log("say-hostile-log");
    const QString brackets = QStringLiteral("[]").repeated(50000);
    const Outcome line = Say({"--line", "--speech-log", Path(log.Path()), "-o",
                              Path(log.Path("all.wav")), "Hello " + brackets});
    ASSERT_EQ(line.status, 0) << line.errors;
    const std::vector<QJsonObject> spoken = JsonLines(log.Read("speech.jsonl"));
    ASSERT_EQ(spoken.size(), 1u);
    EXPECT_EQ(spoken[0]["text"], "Hello ");
    EXPECT_EQ(Say({"-o", Path(log.Path("pairs.wav")), brackets}).status, 0);

    for (const QStringList& arguments :
         {QStringList{QStringLiteral("Good morning. ").repeated(7000)},
          QStringList{"--line", QStringLiteral("a").repeated(100000)},
          QStringList{"--course", Path(course.Path()), QStringLiteral("[ai] ").repeated(20000)},
          QStringList{"--line", "--course", Path(course.Path()),
                      QStringLiteral("[ai] ").repeated(20000)}}) {
        const Outcome refused = Say(QStringList{"-o", Path(log.Path("refused.wav"))} + arguments);
        EXPECT_EQ(refused.status, 1) << arguments.front().toStdString();
        EXPECT_NE(refused.errors.find("more than"), std::string::npos) << refused.errors;
    }
}

TEST(Say, WritesRelativeOutputsWhereItStartsNotInTheCourse) {
    ScratchDirectory course("say-rel-course");
    WritePhoneticCourse(course);
    ScratchDirectory start("say-rel-start");
    const Outcome outcome =
        Say({"--course", Path(course.Path()), "-o", "out.wav", "--speech-log", "log", "[ai]"},
            QProcessEnvironment::systemEnvironment(), Path(start.Path()));
    ASSERT_EQ(outcome.status, 0) << outcome.errors;
    EXPECT_NEAR(ReadSound(start.Path("out.wav")).seconds, 0.5, 0.01);
    EXPECT_NEAR(ReadSound(start.Path("log/0001-cmu_us_rms.wav")).seconds, 0.5, 0.01);
    EXPECT_FALSE(course.Exists("out.wav"));
}

TEST(Say, RefusesWrongUsageAndReportsFailures) {
    ScratchDirectory folder("say-fail");
    EXPECT_EQ(Say({}).status, 2);
    EXPECT_EQ(Say({"--rate", "11", "Hi"}).status, 2);
    EXPECT_EQ(Say({"--voice", "nobody", "Hi"}).status, 2);
    EXPECT_EQ(Say({"Hi", "there"}).status, 2);
    EXPECT_EQ(Say({"--line", "--voice", "zh", "Hi"}).status, 2);

    const Outcome unwritable = Say({"-o", Path(folder.Path("no/such/dir/out.wav")), "Hi"});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.errors.find("cannot write"), std::string::npos) << unwritable.errors;
    EXPECT_EQ(
        Say({"--course", Path(folder.Path("missing")), "-o", Path(folder.Path("a.wav")), "Hi"})
            .status,
        1);

    // A machine without espeak-ng's data has no Chinese voice.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("ESPEAK_DATA_PATH", Path(folder.Path()));
    const Outcome noChinese =
        Say({"--voice", "zh", "-o", Path(folder.Path("zh.wav")), "你好"}, environment);
    EXPECT_EQ(noChinese.status, 1);
    EXPECT_NE(noChinese.errors.find("Failed in init TTS!"), std::string::npos) << noChinese.errors;
}

}  // namespace
