#include "speech/engines/sound_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>

#include "speech/engines/resampler.h"

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

std::int16_t ToSample(float value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

}  // namespace

std::optional<std::vector<std::int16_t>> DecodeSoundFile(int fd, int sampleRate) {
    SF_INFO info{};
    SndfileHandle file(sf_open_fd(fd, SFM_READ, &info, SF_FALSE));
    if (!file || info.channels < 1 || info.samplerate < 1) {
        return std::nullopt;
    }
    if (info.frames > sf_count_t{kMaxSoundSeconds} * info.samplerate) {
        return std::nullopt;
    }
    std::vector<std::int16_t> mono;
    mono.reserve(static_cast<std::size_t>(std::max<sf_count_t>(info.frames, 0)));
    constexpr sf_count_t kFrames = 4096;
    std::vector<float> block(static_cast<std::size_t>(kFrames * info.channels));
    const sf_count_t limit = sf_count_t{kMaxSoundSeconds} * info.samplerate;
    sf_count_t total = 0;
    while (total < limit) {
        const sf_count_t got = sf_readf_float(file.get(), block.data(), kFrames);
        if (got <= 0) {
            break;
        }
        for (sf_count_t frame = 0; frame < got; ++frame) {
            float sum = 0;
            for (int channel = 0; channel < info.channels; ++channel) {
                sum += block[static_cast<std::size_t>(frame * info.channels + channel)];
            }
            mono.push_back(ToSample(sum / static_cast<float>(info.channels)));
        }
        total += got;
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR) {
        return std::nullopt;
    }
    return Resample(mono, info.samplerate, sampleRate);
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
