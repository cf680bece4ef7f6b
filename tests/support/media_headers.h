#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "support/little_endian.h"

// Sound and picture files whose headers declare what a test chooses, however large: the header
// is a few bytes, and a file as long as it declares can be sparse.

// The 44-byte header of a 16-bit PCM WAV file with `dataBytes` of samples.
inline std::string WavHeader(std::uint32_t rate, std::uint16_t channels, std::uint32_t dataBytes) {
    const std::uint16_t block = static_cast<std::uint16_t>(2 * channels);
    const std::uint32_t riff = dataBytes > 0xFFFFFFFFu - 36 ? 0xFFFFFFFFu : 36 + dataBytes;
    return "RIFF" + Le32(riff) + "WAVEfmt " + Le32(16) + Le16(1) + Le16(channels) + Le32(rate) +
           Le32(rate * block) + Le16(block) + Le16(16) + "data" + Le32(dataBytes);
}

// A 24-bit BMP file of `bytes` bytes (zeros after the header) whose header says
// `width` x `height`.
inline std::string BitmapDeclaring(std::int32_t width, std::int32_t height, std::uint32_t bytes) {
    std::string bitmap = "BM" + Le32(bytes) + Le32(0) + Le32(54);
    bitmap += Le32(40) + Le32(static_cast<std::uint32_t>(width)) +
              Le32(static_cast<std::uint32_t>(height)) + Le16(1) + Le16(24) + Le32(0) + Le32(0) +
              Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    bitmap.resize(bytes);
    return bitmap;
}

// Writes `head` to `path`, then makes the file `size` bytes long without writing the rest.
inline void WriteSparseFile(const std::filesystem::path& path, std::string_view head,
                            std::uintmax_t size) {
    std::ofstream(path, std::ios::binary)
        .write(head.data(), static_cast<std::streamsize>(head.size()));
    std::filesystem::resize_file(path, size);
}
