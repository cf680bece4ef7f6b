#include "support/scripted_microphone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "platform/files/files.h"
#include "speech/engines/sound_file.h"

namespace {

constexpr int kChunkMs = 20;
constexpr std::size_t kChunkSamples = AudioInput::kCaptureRate / 1000 * kChunkMs;

}  // namespace

bool ScriptedMicrophone::Start(SampleSink sink) {
    Stop();
    if (!present_) {
        return false;
    }
    ++starts_;
    position_ = 0;
    sink_ = std::move(sink);
    return true;
}

void ScriptedMicrophone::Stop() {
    sink_ = nullptr;
}

int ScriptedMicrophone::Deliver(int ms) {
    int delivered = 0;
    std::vector<std::int16_t> chunk(kChunkSamples);
    while (sink_ && delivered < ms) {
        std::fill(chunk.begin(), chunk.end(), std::int16_t{0});
        const std::size_t start = std::min(position_, heard_.size());
        const std::size_t take = std::min(kChunkSamples, heard_.size() - start);
        std::copy_n(heard_.begin() + static_cast<std::ptrdiff_t>(start), take, chunk.begin());
        position_ += kChunkSamples;
        delivered += kChunkMs;
        // A copy: the sink may stop the capture.
        const SampleSink sink = sink_;
        sink(chunk);
    }
    return delivered;
}

std::vector<std::int16_t> ScriptedMicrophone::ReadWav(const std::string& path) {
    UniqueFd file;
    EXPECT_FALSE(OpenRegularFile(path, file)) << path;
    std::string reason;
    const std::unique_ptr<SoundReader> reader = SoundReader::Open(std::move(file), reason);
    EXPECT_TRUE(reader) << path << ": " << reason;
    std::vector<std::int16_t> samples;
    if (!reader) {
        return samples;
    }
    EXPECT_EQ(reader->SampleRate(), kCaptureRate) << path;
    std::vector<std::int16_t> block;
    while (reader->ReadBlock(block)) {
        samples.insert(samples.end(), block.begin(), block.end());
    }
    return samples;
}
