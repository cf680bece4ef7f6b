#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Reduces an SVG document from an untrusted character file to what the character format allows
// (docs/character-format.md), so that drawing it can neither open a file nor run away: no
// processing instructions, no document type, no references outside the document, pictures only
// as data: URLs of PNG, JPEG or SVG (an SVG picture cleaned the same way), only the elements of
// SVG Tiny that draw. Plain C++, so that it is checked and fuzzed without Qt.

// The deepest element nesting a document may have.
inline constexpr int kMaxSvgNesting = 64;
// How deep SVG pictures may sit inside each other; deeper ones are left out.
inline constexpr int kMaxSvgPictureDepth = 3;
// The largest side, in pixels, of a picture inside a frame; larger ones are left out.
inline constexpr std::uint32_t kMaxPictureSide = 1024;

struct CleanSvg {
    std::string text;  // the cleaned document, UTF-8
    // What drawing it costs at most: every shape (a `use` counts as what it repeats, a letter of
    // text as one shape) over the whole drawing area, plus the pixels of its pictures. Saturates.
    std::uint64_t drawnPixels = 0;
};

// The cleaned form of `source`, to be drawn into an area of `drawArea` pixels; nullopt with
// `reason` set when it is not a well-formed SVG document.
std::optional<CleanSvg> CleanSvgDocument(std::string_view source, std::uint64_t drawArea,
                                         std::string& reason);
