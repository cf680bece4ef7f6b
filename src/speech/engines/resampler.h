#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

typedef struct soxr* soxr_t;

// Streaming conversion of mono 16-bit audio from one rate to another (libsoxr, high quality).
class Resampler {
  public:
    Resampler(int fromRate, int toRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // Appends the converted samples of the next piece of input to `out`.
    void Process(const std::int16_t* samples, std::size_t count, std::vector<std::int16_t>& out);
    // Appends what is still held back at the end of the input.
    void Flush(std::vector<std::int16_t>& out);

  private:
    soxr_t soxr_ = nullptr;
    double ratio_;
};

// A whole piece of audio converted at once.
std::vector<std::int16_t> Resample(const std::vector<std::int16_t>& samples, int fromRate,
                                   int toRate);
