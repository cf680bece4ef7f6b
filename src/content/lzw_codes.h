#pragma once

#include <cstddef>

// The code space of a lesson file's LZW stream (GIF image data with a minimum code size of 8).
namespace lzw {

inline constexpr unsigned kClearCode = 256;
inline constexpr unsigned kEndCode = 257;
inline constexpr unsigned kFirstFreeCode = 258;
inline constexpr unsigned kTableSize = 4096;
inline constexpr unsigned kMinWidth = 9;
inline constexpr unsigned kMaxWidth = 12;
// Data bytes in one sub-block at most.
inline constexpr std::size_t kMaxBlock = 255;

}  // namespace lzw
