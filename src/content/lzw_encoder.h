#pragma once

#include <string>
#include <string_view>

// Compresses text into a lesson file that CLzwDecoder expands back to the same bytes: a 4-byte
// little-endian length followed by GIF image data with minimum code size 8 (a clear code first,
// 9- to 12-bit codes LSB first, a clear code whenever the table is full, the end code, sub-blocks
// of up to 255 bytes and a zero count). The part after the length field is valid GIF image data,
// so any GIF decoder reads it as an image of text.size() pixels.
//
// Throws std::length_error for text of 4 GiB or more, which the length field cannot hold.
std::string LzwEncode(std::string_view text);
