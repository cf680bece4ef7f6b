#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Conversions between the program's CP936 (GBK) byte strings and Unicode.
//
// CP936 is decoded with glibc's "CP936" converter (an alias of its GBK table), which maps 0x80 to
// the euro sign as Windows does. Bytes that Windows maps to private-use code points (0xFF and the
// user-defined double-byte areas) are not in that table and count as invalid.
//
// None of the functions fails on bad input, and each makes progress on every byte:
// - Toward Unicode, every invalid CP936 sequence becomes one U+FFFD. A lead byte (0x81..0xFE)
//   followed by a byte from the trail ranges (0x40..0x7E, 0x80..0xFE) counts as one unmapped
//   character; a lead byte followed by anything else, a lone 0xFF, and a lead byte that ends the
//   input each count as one byte, so a following ASCII byte is kept.
// - Toward CP936, every character CP936 cannot hold becomes '?'. Ill-formed input counts as such a
//   character: in UTF-8 each maximal ill-formed subsequence (Unicode's recommended practice), in
//   UTF-16 each unpaired surrogate.
//
// Thread-safe: each thread keeps its own converter state. Throws std::system_error only if the
// system has no CP936 converter installed.

// One code point of `utf8` at `pos`, advancing `pos` by at least one byte; U+FFFD for a maximal
// ill-formed subsequence, which it consumes whole.
char32_t NextUtf8(std::string_view utf8, std::size_t& pos);

std::string Cp936ToUtf8(std::string_view cp936);
std::string Utf8ToCp936(std::string_view utf8);

std::u16string Cp936ToUtf16(std::string_view cp936);
std::string Utf16ToCp936(std::u16string_view utf16);

// The length of the character at `at` (1 or 2): a lead byte 0x81..0xFE followed by a trail byte
// (0x40..0x7E, 0x80..0xFE) makes two, anything else one. `at` must be inside `text`.
std::size_t Cp936CharLength(std::string_view text, std::size_t at);
