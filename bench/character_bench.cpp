// What a character costs: reading its name (done for every file by the settings dialog's
// character search, on the GUI thread), reading it without drawing (done on the GUI thread at
// load), drawing one SVG frame (done for every frame on a drawing thread at load), showing one
// frame in the character's window (done by the frame timer), and the memory of a loaded
// character.
// Usage: character_bench [--benchmark_...]; characters from the build's data directory, or a
// generated one when the shipped ones are not there.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSvgRenderer>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "character/character_discovery.h"
#include "character/qtagent/qt_agent.h"
#include "character/qtagent/qt_agent_character.h"
#include "platform/files/files.h"
#include "support/character_samples.h"
#include "support/scratch_directory.h"

namespace {

// The largest file the format allows that nothing refuses before drawing: 30 frames of 255 KiB of
// gradient stops, which draw nothing and so cost nothing to draw, but all have to be cleaned.
std::string LargestCharacter() {
    QJsonObject document = SampleCharacterDocument();
    QString stops;
    while (stops.size() < (255 << 10) - 200) {
        stops += QStringLiteral("<stop offset='0.5' stop-color='#3a6ea5'/>");
    }
    QJsonObject frames = document["frames"].toObject();
    for (int i = 0; i < 30; ++i) {
        frames[QStringLiteral("f%1").arg(i)] =
            QStringLiteral(
                "<svg xmlns='http://www.w3.org/2000/svg'><linearGradient id='g'>%1"
                "</linearGradient></svg>")
                .arg(stops);
    }
    document["frames"] = frames;
    return ToBytes(document);
}

std::string CharacterBytes(const std::string& file) {
    if (file == "largest") {
        return LargestCharacter();
    }
    std::string bytes;
    if (ReadWholeFile(std::string(QUORVAN_CHARACTER_DIR) + "/" + file, bytes,
                      kMaxCharacterFileSize)) {
        return SampleCharacter(QStringLiteral("Sample"), 200);
    }
    return bytes;
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return 0;
}

void DrawSvgFrame(benchmark::State& state, const std::string& file) {
    const QJsonObject document =
        QJsonDocument::fromJson(QByteArray::fromStdString(CharacterBytes(file))).object();
    const QJsonObject frames = document["frames"].toObject();
    const int width = document["width"].toInt();
    const int height = document["height"].toInt();
    std::vector<QByteArray> sources;
    for (auto it = frames.begin(); it != frames.end(); ++it) {
        sources.push_back(it.value().toString().toUtf8());
    }
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    size_t next = 0;
    for (auto _ : state) {
        QSvgRenderer renderer(sources[next++ % sources.size()]);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, QRectF(0, 0, width, height));
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["frames"] = static_cast<double>(sources.size());
}

// The frames of `bytes` drawn; empty with `reason` when refused.
std::vector<QImage> Drawn(const std::string& bytes, std::string& reason) {
    const std::atomic<bool> stop{false};
    std::optional<CharacterData> data = ReadCharacter(bytes, reason);
    std::optional<std::vector<QImage>> frames =
        data ? DrawFrames(*data, kMaxDrawTime, stop, reason) : std::nullopt;
    return frames ? std::move(*frames) : std::vector<QImage>();
}

void ReadWithoutDrawing(benchmark::State& state, const std::string& file) {
    const std::string bytes = CharacterBytes(file);
    std::string reason;
    if (!ReadCharacter(bytes, reason)) {
        state.SkipWithError(reason.c_str());
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadCharacter(bytes, reason));
    }
    state.counters["file_KiB"] = static_cast<double>(bytes.size()) / 1024;
}

void ReadName(benchmark::State& state, const std::string& file) {
    const std::string bytes = CharacterBytes(file);
    for (auto _ : state) {
        std::string reason;
        benchmark::DoNotOptimize(ReadCharacterName(bytes, reason));
    }
}

// The settings dialog's character search, on the GUI thread, over `count` copies of `file`.
void Discovery(benchmark::State& state, const std::string& file, int count) {
    ScratchDirectory folder("character-bench");
    const std::string bytes = CharacterBytes(file);
    for (int i = 0; i < count; ++i) {
        folder.Write("c" + std::to_string(i) + ".acs", bytes);
    }
    QtCharacterAgent agent(folder.Path().string());
    std::vector<std::string> list;
    for (auto _ : state) {
        EnumerateCharacters(list, &agent, nullptr, folder.Path().string());
    }
    state.counters["listed"] = static_cast<double>(list.size());
}

void ShowFrame(benchmark::State& state, const std::string& file) {
    std::string reason;
    const std::vector<QImage> frames = Drawn(CharacterBytes(file), reason);
    if (frames.empty()) {
        state.SkipWithError(reason.c_str());
        return;
    }
    CharacterWindow window(frames, frames.front().size());
    QImage target(frames.front().size(), QImage::Format_ARGB32_Premultiplied);
    int frame = 0;
    for (auto _ : state) {
        frame = (frame + 1) % static_cast<int>(frames.size());
        window.SetFrame(frame);
        window.render(&target);
        benchmark::DoNotOptimize(target.bits());
    }
}

void LoadedCharacterMemory(benchmark::State& state, const std::string& file) {
    const std::string bytes = CharacterBytes(file);
    for (auto _ : state) {
        const long before = ResidentKiB();
        std::string reason;
        const std::vector<QImage> frames = Drawn(bytes, reason);
        const long after = ResidentKiB();
        size_t pixels = 0;
        for (const QImage& image : frames) {
            pixels += static_cast<size_t>(image.sizeInBytes());
        }
        state.counters["frame_KiB"] = static_cast<double>(pixels) / 1024;
        state.counters["rss_growth_KiB"] = static_cast<double>(after - before);
        state.counters["file_KiB"] = static_cast<double>(bytes.size()) / 1024;
    }
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    for (const char* file : {"merlin.acs", "Genie.acs"}) {
        benchmark::RegisterBenchmark((std::string("ReadWithoutDrawing/") + file).c_str(),
                                     ReadWithoutDrawing, file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("DrawSvgFrame/") + file).c_str(), DrawSvgFrame,
                                     file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("ShowFrame/") + file).c_str(), ShowFrame, file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("LoadedCharacterMemory/") + file).c_str(),
                                     LoadedCharacterMemory, file)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("Discovery/50 of merlin.acs", Discovery, "merlin.acs", 50)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Discovery/50 of largest", Discovery, "largest", 50)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ReadName/largest", ReadName, "largest")
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ReadWithoutDrawing/largest", ReadWithoutDrawing, "largest")
        ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
