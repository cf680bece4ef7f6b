// What a character costs: drawing one SVG frame (done for every frame at load), showing one frame
// in the character's window (done by the frame timer), and the memory of a loaded character.
// Usage: character_bench [--benchmark_...]; characters from the build's data directory, or a
// generated one when the shipped ones are not there.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "character/qtagent/qt_agent.h"
#include "character/qtagent/qt_agent_character.h"
#include "platform/files/files.h"
#include "support/character_samples.h"

namespace {

std::string CharacterBytes(const std::string& file) {
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

void ShowFrame(benchmark::State& state, const std::string& file) {
    std::string reason;
    std::optional<CharacterData> data = ReadCharacter(CharacterBytes(file), reason);
    if (!data) {
        state.SkipWithError(reason.c_str());
        return;
    }
    CharacterWindow window(data->frames);
    QImage target(data->width, data->height, QImage::Format_ARGB32_Premultiplied);
    int frame = 0;
    for (auto _ : state) {
        frame = (frame + 1) % static_cast<int>(data->frames.size());
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
        std::optional<CharacterData> data = ReadCharacter(bytes, reason);
        const long after = ResidentKiB();
        size_t pixels = 0;
        for (const QImage& image : data->frames) {
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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
