#include "speech/engines/resampler.h"

#include <soxr.h>

#include <cmath>
#include <stdexcept>

Resampler::Resampler(int fromRate, int toRate)
    : ratio_(static_cast<double>(toRate) / static_cast<double>(fromRate)) {
    const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_ = soxr_create(fromRate, toRate, 1, &error, &io, &quality, nullptr);
    if (error != nullptr) {
        throw std::runtime_error(std::string("cannot resample: ") + error);
    }
}

Resampler::~Resampler() {
    soxr_delete(soxr_);
}

void Resampler::Process(const std::int16_t* samples, std::size_t count,
                        std::vector<std::int16_t>& out) {
    std::size_t consumed = 0;
    while (consumed < count) {
        const std::size_t room =
            static_cast<std::size_t>(std::ceil((count - consumed) * ratio_)) + 64;
        const std::size_t start = out.size();
        out.resize(start + room);
        std::size_t used = 0;
        std::size_t made = 0;
        soxr_process(soxr_, samples + consumed, count - consumed, &used, out.data() + start, room,
                     &made);
        out.resize(start + made);
        consumed += used;
        if (used == 0 && made == 0) {
            break;
        }
    }
}

void Resampler::Flush(std::vector<std::int16_t>& out) {
    while (true) {
        const std::size_t start = out.size();
        out.resize(start + 1024);
        std::size_t made = 0;
        soxr_process(soxr_, nullptr, 0, nullptr, out.data() + start, 1024, &made);
        out.resize(start + made);
        if (made == 0) {
            return;
        }
    }
}

std::vector<std::int16_t> Resample(const std::vector<std::int16_t>& samples, int fromRate,
                                   int toRate) {
    if (fromRate == toRate) {
        return samples;
    }
    Resampler resampler(fromRate, toRate);
    std::vector<std::int16_t> out;
    out.reserve(
        static_cast<std::size_t>(samples.size() * (static_cast<double>(toRate) / fromRate)) + 64);
    resampler.Process(samples.data(), samples.size(), out);
    resampler.Flush(out);
    return out;
}
