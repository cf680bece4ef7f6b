#include "speech/engines/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

std::int16_t ToSample(float value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

// Frames per block: small enough that a purge stops decoding at once.
constexpr sf_count_t kBlockFrames = 4096;
constexpr std::int64_t kDecodedSampleBytes = sizeof(float);

}  // namespace

struct SoundReader::Handle {
    SndfileHandle file;
};

SoundReader::SoundReader(UniqueFd file, std::unique_ptr<Handle> handle, int channels,
                         int sampleRate, std::int64_t frames)
    : file_(std::move(file)),
      handle_(std::move(handle)),
      channels_(channels),
      sampleRate_(sampleRate),
      framesLeft_(frames) {}

SoundReader::~SoundReader() = default;

std::unique_ptr<SoundReader> SoundReader::Open(UniqueFd file, std::string& reason) {
    if (!file) {
        reason = "no file";
        return nullptr;
    }
    SF_INFO info{};
    auto handle = std::make_unique<Handle>();
    handle->file.reset(sf_open_fd(file.Get(), SFM_READ, &info, SF_FALSE));
    if (!handle->file || info.channels < 1 || info.samplerate < 1) {
        reason = "not a sound file";
        return nullptr;
    }
    if (info.frames < 0 || info.frames == SF_COUNT_MAX) {
        reason = "its length is not told";
        return nullptr;
    }
    if (info.frames > sf_count_t{kMaxSoundSeconds} * info.samplerate) {
        reason = std::to_string(info.frames / info.samplerate) + " s long: at most " +
                 std::to_string(kMaxSoundSeconds) + " s";
        return nullptr;
    }
    // Divided rather than multiplied, so that no header can overflow it.
    if (info.frames > kMaxSoundBytes / kDecodedSampleBytes / info.channels) {
        reason = "its " + std::to_string(info.frames) + " frames of " +
                 std::to_string(info.channels) + "-channel sound decode to more than " +
                 std::to_string(kMaxSoundBytes >> 20) + " MiB";
        return nullptr;
    }
    return std::unique_ptr<SoundReader>(new SoundReader(
        std::move(file), std::move(handle), info.channels, info.samplerate, info.frames));
}

bool SoundReader::ReadBlock(std::vector<std::int16_t>& samples) {
    samples.clear();
    if (framesLeft_ <= 0) {
        return false;
    }
    const sf_count_t wanted = std::min<sf_count_t>(kBlockFrames, framesLeft_);
    block_.resize(static_cast<std::size_t>(wanted * channels_));
    const sf_count_t got = sf_readf_float(handle_->file.get(), block_.data(), wanted);
    if (got <= 0) {
        framesLeft_ = 0;
        return false;
    }
    framesLeft_ -= got;
    samples.reserve(static_cast<std::size_t>(got));
    for (sf_count_t frame = 0; frame < got; ++frame) {
        float sum = 0;
        for (int channel = 0; channel < channels_; ++channel) {
            sum += block_[static_cast<std::size_t>(frame * channels_ + channel)];
        }
        samples.push_back(ToSample(sum / static_cast<float>(channels_)));
    }
    return true;
}

std::error_code WriteWavFile(const std::string& path, const std::vector<std::int16_t>& samples,
                             int sampleRate) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    errno = 0;
    SndfileHandle file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        return errno != 0 ? std::error_code(errno, std::generic_category())
                          : std::make_error_code(std::errc::io_error);
    }
    const auto count = static_cast<sf_count_t>(samples.size());
    if (sf_write_short(file.get(), samples.data(), count) != count) {
        return std::make_error_code(std::errc::io_error);
    }
    return {};
}
