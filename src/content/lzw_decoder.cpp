#include "content/lzw_decoder.h"

#include "content/lzw_codes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

using namespace lzw;

// The length field plus room for a count byte and a few codes; anything shorter is not a stream.
constexpr std::size_t kMinInputSize = 10;

// Every code is at least 9 bits and no string in the table exceeds 4096 bytes, so the n - 4 bytes
// after the length field can expand to at most floor((n - 4) * 8 / 9) * 4096 bytes. A declared
// length beyond that cannot be true.
std::uint64_t MaxLength(std::size_t size) {
    return (static_cast<std::uint64_t>(size - 4) * 8 / 9) * kTableSize;
}

std::uint64_t LoadLittleEndian64(const unsigned char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big) {
        v = __builtin_bswap64(v);
    }
    return v;
}

// Reads codes from the concatenated data bytes of the sub-blocks. Bits are buffered 64 at a time;
// within a sub-block they are loaded eight bytes at once, and only the last few bytes before a
// count byte go one at a time.
class CodeReader {
  public:
    CodeReader(const unsigned char* stream, const unsigned char* end)
        : next_(stream), blockEnd_(stream), end_(end) {}

    // The next code of the given width, or the end code when the stream ends before the code is
    // complete.
    unsigned ReadCode(unsigned width) {
        if (count_ < width) {
            Refill();
            if (count_ < width) {
                return kEndCode;
            }
        }
        const unsigned code = static_cast<unsigned>(bits_) & ((1u << width) - 1);
        bits_ >>= width;
        count_ -= width;
        return code;
    }

  private:
    // Only called with fewer than 12 bits left, so at least six whole bytes fit.
    void Refill() {
        bits_ &= (std::uint64_t{1} << count_) - 1;
        if (blockEnd_ - next_ >= 8) {
            bits_ |= LoadLittleEndian64(next_) << count_;
            const unsigned bytes = (63 - count_) / 8;
            next_ += bytes;
            count_ += bytes * 8;
            return;
        }
        while (count_ <= 56) {
            if (next_ == blockEnd_ && !NextBlock()) {
                return;
            }
            bits_ |= std::uint64_t{*next_++} << count_;
            count_ += 8;
        }
    }

    // Steps over the count byte of the next sub-block. A zero count or the end of the input ends
    // the stream for good; a sub-block cut off by the end of the input holds what is there.
    bool NextBlock() {
        while (next_ == blockEnd_) {
            if (ended_ || next_ == end_ || *next_ == 0) {
                ended_ = true;
                return false;
            }
            const std::size_t count = *next_++;
            blockEnd_ = next_ + std::min<std::size_t>(count, end_ - next_);
        }
        return true;
    }

    const unsigned char* next_;
    const unsigned char* blockEnd_;
    const unsigned char* const end_;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
    bool ended_ = false;
};

// The one-byte strings of the literal codes, padded so that a 16-byte chunk can be read from any
// of them.
constexpr auto kByteValues = [] {
    std::array<unsigned char, 256 + 15> bytes{};
    for (unsigned i = 0; i < 256; ++i) {
        bytes[i] = static_cast<unsigned char>(i);
    }
    return bytes;
}();

// Copies a string of len bytes to dst: a literal's byte, or a string that ends in the output at or
// before dst. With room behind the destination it copies whole 16-byte chunks: the extra bytes land
// where later output goes (or are zeroed at the end), and every byte that matters is read before
// this copy could have changed it.
void CopyString(unsigned char* dst, const unsigned char* src, std::size_t len, std::size_t room) {
    if (len + 15 <= room) [[likely]] {
        for (std::size_t i = 0; i < len; i += 16) {
            unsigned char chunk[16];
            std::memcpy(chunk, src + i, 16);
            std::memcpy(dst + i, chunk, 16);
        }
    } else {
        std::memcpy(dst, src, std::min(len, room));
    }
}

}  // namespace

std::uint32_t DeclaredLessonLength(const unsigned char* data, std::size_t size) {
    if (!data || size < 4) {
        return 0;
    }
    return std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
           std::uint32_t{data[3]} << 24;
}

// Zeroed by the allocator: large blocks come straight from the system as untouched zero pages, so
// a damaged file whose stream stops early costs no memory for the zeros behind it.
CLzwDecoder::Buffer CLzwDecoder::AllocateZeroed(std::size_t size) {
    Buffer buffer(static_cast<unsigned char*>(std::calloc(size, 1)));
    if (!buffer) {
        throw std::bad_alloc();
    }
    return buffer;
}

CLzwDecoder::CLzwDecoder() {
    for (unsigned code = 0; code < 256; ++code) {
        table_[code] = {&kByteValues[code], 1};
    }
}

CLzwDecoder::~CLzwDecoder() = default;

void CLzwDecoder::Decode(const unsigned char* data, std::size_t size) {
    if (data == nullptr) {
        size = 0;
    }
    if (size < kMinInputSize) {
        length_ = static_cast<std::uint32_t>(size);
        output_ = AllocateZeroed(size + 1);
        return;
    }
    const std::uint64_t declared = static_cast<std::uint64_t>(data[0]) | (data[1] << 8) |
                                   (data[2] << 16) | (static_cast<std::uint64_t>(data[3]) << 24);
    length_ = static_cast<std::uint32_t>(std::min(declared, MaxLength(size)));
    output_ = AllocateZeroed(std::size_t{length_} + 1);
    const std::size_t produced = Expand(data + 4, data + size);
    // Chunked copies leave at most 15 bytes of scratch behind the last string.
    std::memset(output_.get() + produced, 0,
                std::min<std::size_t>(15, std::size_t{length_} + 1 - produced));
}

// Decodes into output_ until the stream ends or L bytes are written, and returns the number of
// bytes written. Stopping at L loses nothing: later codes could only add bytes beyond it.
std::size_t CLzwDecoder::Expand(const unsigned char* stream, const unsigned char* end) {
    unsigned char* const out = output_.get();
    const std::size_t length = length_;
    CodeReader reader(stream, end);
    unsigned width = kMinWidth;
    unsigned limit = 1u << kMinWidth;
    unsigned nextFree = kFirstFreeCode;
    std::size_t pos = 0;
    // The previous string as it stands in the output.
    std::size_t prevPos = 0;
    std::size_t prevLen = 0;

    // After a clear code (and at the start) the first code makes no entry; one that is not a
    // literal stands for the byte 0. Returns false when decoding is over.
    const auto restart = [&] {
        width = kMinWidth;
        limit = 1u << kMinWidth;
        nextFree = kFirstFreeCode;
        unsigned code;
        do {
            code = reader.ReadCode(width);
        } while (code == kClearCode);
        if (code == kEndCode || pos == length) {
            return false;
        }
        out[pos] = code < 256 ? static_cast<unsigned char>(code) : 0;
        prevPos = pos;
        prevLen = 1;
        return ++pos < length;
    };

    if (!restart()) {
        return pos;
    }
    for (;;) {
        const unsigned code = reader.ReadCode(width);
        const std::size_t room = length - pos;
        std::size_t len;
        if (code < nextFree && (code < kClearCode || code > kEndCode)) [[likely]] {
            const Entry entry = table_[code];
            len = entry.len;
            CopyString(out + pos, entry.src, len, room);
        } else if (code == kClearCode) {
            if (!restart()) {
                return pos;
            }
            continue;
        } else if (code == kEndCode) {
            return pos;
        } else if (code == nextFree) {
            // Not in the table yet: the previous string followed by its own first byte.
            CopyString(out + pos, out + prevPos, prevLen, room);
            if (prevLen < room) {
                out[pos + prevLen] = out[prevPos];
            }
            len = prevLen + 1;
        } else {
            CopyString(out + pos, out + prevPos, prevLen, room);
            len = prevLen;
        }
        // The new entry is the previous string plus the first byte just written after it, which
        // is exactly where the previous string stands, one byte longer.
        if (nextFree < kTableSize) {
            table_[nextFree++] = {out + prevPos, prevLen + 1};
            if (nextFree == limit && width < kMaxWidth) {
                ++width;
                limit <<= 1;
            }
        }
        if (len >= room) {
            return length;
        }
        prevPos = pos;
        prevLen = len;
        pos += len;
    }
}
