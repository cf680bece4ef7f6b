#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

// Expands one lesson file. The file is a 4-byte little-endian expanded length L followed by LZW
// data laid out as GIF image data with minimum code size 8: count-prefixed sub-blocks of up to 255
// bytes, ended by a zero count; codes LSB first, 9 bits wide after a clear code (256), growing to
// 12; 257 ends the stream.
//
// After Decode() the output is a buffer of exactly Length() bytes followed by one zero byte; the
// caller writes Length() bytes of it. Damaged input never makes Decode() read outside the input or
// write outside the buffer, and it always finishes:
// - Input shorter than 10 bytes is not decoded: Length() is the input's size and every byte is
//   zero. A null pointer counts as empty input.
// - L is capped at floor((n - 4) * 8 / 9) * 4096 for an input of n bytes: every code takes at least
//   9 bits and expands to at most 4096 bytes, so no stream of that size can fill more, and a
//   damaged length field cannot demand gigabytes.
// - Bytes the stream did not produce (it ended early, or it was cut off) are zero; bytes produced
//   beyond L are dropped.
// - A zero count byte, or the end of the input where a count byte or data byte is due, ends the
//   stream like the end code; a partly read code is dropped.
// - The stream starts in the state a clear code sets, so a missing leading clear code is harmless.
// - The first code after a clear that is not a literal is output as the byte 0.
// - A code above the next free code makes the entry (previous string + its first byte) and outputs
//   the previous string again; that output then serves as the previous string, since the code
//   itself names no string yet.
//
// Throws std::bad_alloc if the output buffer cannot be allocated.
//
// The tutor opens lesson files of at most kMaxLessonFileSize bytes and treats a declared length
// above kMaxLessonTextLength as a damaged file: real lessons are a few kilobytes of text, and a
// small file that declares gigabytes would otherwise fill memory and the disk.
inline constexpr std::size_t kMaxLessonFileSize = std::size_t{16} << 20;
inline constexpr std::uint32_t kMaxLessonTextLength = std::uint32_t{8} << 20;

// The length field L of a lesson file; 0 for input shorter than the field.
std::uint32_t DeclaredLessonLength(const unsigned char* data, std::size_t size);

class CLzwDecoder {
  public:
    CLzwDecoder();
    ~CLzwDecoder();
    CLzwDecoder(const CLzwDecoder&) = delete;
    CLzwDecoder& operator=(const CLzwDecoder&) = delete;

    // Replaces any earlier output with the expansion of the size bytes at data.
    void Decode(const unsigned char* data, std::size_t size);

    // Null before the first Decode(); afterwards Length() + 1 bytes.
    const unsigned char* Output() const { return output_.get(); }
    std::uint32_t Length() const { return length_; }

  private:
    // Where a code's string can be copied from: the constant byte for a literal, and for a table
    // code the place the string was first written to the output. Every string the table can name
    // is already in the output in full, so expanding a code is one copy rather than a walk along
    // a chain of prefix codes.
    struct Entry {
        const unsigned char* src;
        std::size_t len;
    };

    struct FreeBuffer {
        void operator()(unsigned char* buffer) const { std::free(buffer); }
    };
    using Buffer = std::unique_ptr<unsigned char[], FreeBuffer>;

    static Buffer AllocateZeroed(std::size_t size);
    std::size_t Expand(const unsigned char* stream, const unsigned char* end);

    Buffer output_;
    std::uint32_t length_ = 0;
    Entry table_[4096];
};
