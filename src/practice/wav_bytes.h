#pragma once

#include <cstdint>
#include <span>
#include <string>

// A 16-bit mono PCM WAV file's bytes, to be written in one step (ReplaceFile) rather than
// streamed into a path that might be a link.
std::string WavBytes(std::span<const std::int16_t> samples, int sampleRate);
