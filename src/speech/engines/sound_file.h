#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

// Recorded sounds (WAV, FLAC, Ogg Vorbis, and whatever else libsndfile reads), mixed down to mono
// and converted to the rate of the output that plays them. The file is untrusted course data:
// a sound longer than kMaxSoundSeconds is refused rather than read into memory.
inline constexpr int kMaxSoundSeconds = 600;

// The sound in the open file `fd` (read from its current position; the descriptor stays open),
// as mono samples at `sampleRate`. Empty when the file is no sound that can be read.
std::optional<std::vector<std::int16_t>> DecodeSoundFile(int fd, int sampleRate);

// Writes mono samples as a 16-bit PCM WAV file, replacing `path`.
std::error_code WriteWavFile(const std::string& path, const std::vector<std::int16_t>& samples,
                             int sampleRate);
