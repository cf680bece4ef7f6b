#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files/files.h"

// Recorded sounds (WAV, FLAC, Ogg Vorbis, and whatever else libsndfile reads), mixed down to mono.
// The file is untrusted course data: its header is checked against these limits before anything
// is decoded. A phonetic sound is a second or two; ten minutes, or as many samples as ten minutes
// of 48 kHz stereo, are far beyond any sound a course plays, yet bound both what decoding costs
// and what the voice holds.
inline constexpr int kMaxSoundSeconds = 600;
// Counted as the decoder hands the samples out: frames x channels x 4 bytes (floats).
inline constexpr std::int64_t kMaxSoundBytes = std::int64_t{256} << 20;

class SoundReader {
  public:
    // The sound in `file` (from its current position), its header read and checked; null, with
    // `reason` saying why for the file's author, when it is no sound that can be read or would
    // decode to more than the limits allow. Decodes nothing.
    static std::unique_ptr<SoundReader> Open(UniqueFd file, std::string& reason);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    int SampleRate() const { return sampleRate_; }
    // Decodes the next few thousand frames, mixed down to mono, into `samples` (replacing what it
    // held); false, with nothing in `samples`, at the end of the sound or where its data breaks
    // off.
    bool ReadBlock(std::vector<std::int16_t>& samples);

  private:
    struct Handle;
    SoundReader(UniqueFd file, std::unique_ptr<Handle> handle, int channels, int sampleRate,
                std::int64_t frames);

    UniqueFd file_;
    std::unique_ptr<Handle> handle_;
    int channels_;
    int sampleRate_;
    std::int64_t framesLeft_;
    std::vector<float> block_;
};

// Writes mono samples as a 16-bit PCM WAV file, replacing `path`.
std::error_code WriteWavFile(const std::string& path, const std::vector<std::int16_t>& samples,
                             int sampleRate);
