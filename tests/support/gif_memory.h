#pragma once

// A lesson file's code stream is GIF image data with a minimum code size of 8; these helpers put
// it inside a GIF in memory, where giflib can read it.

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "support/little_endian.h"

namespace gif_memory {

// A GIF with a 256-entry grey palette and one image whose image data is the lesson file's stream.
inline std::string GifAround(const std::string& lessonFile, int width, int height) {
    std::string gif = "GIF89a";
    gif += Le16(static_cast<std::uint16_t>(width)) + Le16(static_cast<std::uint16_t>(height));
    gif += std::string("\xF7\x00\x00", 3);
    for (int i = 0; i < 256; ++i) {
        gif.append(3, static_cast<char>(i));
    }
    gif.push_back(',');
    gif += Le16(0) + Le16(0);
    gif += Le16(static_cast<std::uint16_t>(width)) + Le16(static_cast<std::uint16_t>(height));
    gif.push_back('\0');
    gif.push_back('\x08');
    gif.append(lessonFile, 4);
    gif.push_back(';');
    return gif;
}

struct MemoryInput {
    const std::string& data;
    std::size_t at = 0;
};

// giflib's input function for a GIF held in a MemoryInput.
inline int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int size) {
    auto* input = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(size, input->data.size() - input->at);
    std::memcpy(buffer, input->data.data() + input->at, count);
    input->at += count;
    return static_cast<int>(count);
}

}  // namespace gif_memory
