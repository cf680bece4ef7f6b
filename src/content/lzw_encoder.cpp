#include "content/lzw_encoder.h"

#include "content/lzw_codes.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace {

using namespace lzw;

// Maps (prefix code, next byte) to the code of that string. Open addressing with linear probing;
// with at most 3838 entries in 8192 slots the probes stay short.
class StringTable {
  public:
    StringTable() { Clear(); }

    void Clear() { std::fill(std::begin(keys_), std::end(keys_), kEmpty); }

    // The code of prefix + byte, or 0 when the table does not hold it (no string maps to code 0).
    unsigned Find(unsigned prefix, unsigned char byte) const {
        const std::uint32_t key = Key(prefix, byte);
        for (std::uint32_t slot = Slot(key);; slot = (slot + 1) & kMask) {
            if (keys_[slot] == key) {
                return codes_[slot];
            }
            if (keys_[slot] == kEmpty) {
                return 0;
            }
        }
    }

    void Add(unsigned prefix, unsigned char byte, unsigned code) {
        const std::uint32_t key = Key(prefix, byte);
        std::uint32_t slot = Slot(key);
        while (keys_[slot] != kEmpty) {
            slot = (slot + 1) & kMask;
        }
        keys_[slot] = key;
        codes_[slot] = static_cast<std::uint16_t>(code);
    }

  private:
    static constexpr std::uint32_t kSlots = 8192;
    static constexpr std::uint32_t kMask = kSlots - 1;
    static constexpr std::uint32_t kEmpty = std::numeric_limits<std::uint32_t>::max();

    static std::uint32_t Key(unsigned prefix, unsigned char byte) { return prefix << 8 | byte; }
    static std::uint32_t Slot(std::uint32_t key) { return (key * 2654435761u) >> 19; }

    std::uint32_t keys_[kSlots];
    std::uint16_t codes_[kSlots];
};

// Packs codes LSB first into sub-blocks appended to out.
class BlockWriter {
  public:
    explicit BlockWriter(std::string& out) : out_(out) {}

    void Put(unsigned code, unsigned width) {
        bits_ |= std::uint64_t{code} << count_;
        count_ += width;
        while (count_ >= 8) {
            PutByte(static_cast<unsigned char>(bits_));
            bits_ >>= 8;
            count_ -= 8;
        }
    }

    // Pads the last code to a whole byte and writes the zero count.
    void Finish() {
        if (count_ > 0) {
            PutByte(static_cast<unsigned char>(bits_));
        }
        out_.push_back('\0');
    }

  private:
    void PutByte(unsigned char byte) {
        if (blockSize_ == 0) {
            countAt_ = out_.size();
            out_.push_back('\0');
        }
        out_.push_back(static_cast<char>(byte));
        out_[countAt_] = static_cast<char>(++blockSize_);
        if (blockSize_ == kMaxBlock) {
            blockSize_ = 0;
        }
    }

    std::string& out_;
    std::uint64_t bits_ = 0;
    unsigned count_ = 0;
    std::size_t countAt_ = 0;
    std::size_t blockSize_ = 0;
};

}  // namespace

std::string LzwEncode(std::string_view text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("LzwEncode: text too long for a lesson file");
    }
    std::string out;
    out.reserve(text.size() / 2 + 64);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>(text.size() >> shift));
    }
    BlockWriter writer(out);
    StringTable table;
    unsigned width = kMinWidth;
    unsigned limit = 1u << kMinWidth;
    unsigned nextFree = kFirstFreeCode;
    writer.Put(kClearCode, width);
    if (text.empty()) {
        // Lesson files under 10 bytes are not decoded at all; a second clear code reaches 10.
        writer.Put(kClearCode, width);
    } else {
        unsigned current = static_cast<unsigned char>(text[0]);
        for (std::size_t i = 1; i < text.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (const unsigned code = table.Find(current, byte)) {
                current = code;
                continue;
            }
            writer.Put(current, width);
            table.Add(current, byte, nextFree++);
            // The decoder makes each entry one code later than we do, so it widens its codes
            // when our next free code passes the limit, not when it reaches it.
            if (nextFree > limit && width < kMaxWidth) {
                ++width;
                limit <<= 1;
            }
            if (nextFree == kTableSize) {
                writer.Put(kClearCode, width);
                table.Clear();
                width = kMinWidth;
                limit = 1u << kMinWidth;
                nextFree = kFirstFreeCode;
            }
            current = byte;
        }
        writer.Put(current, width);
        // The decoder makes an entry for this last code too, and may widen before the end code.
        if (++nextFree > limit && width < kMaxWidth) {
            ++width;
        }
    }
    writer.Put(kEndCode, width);
    writer.Finish();
    return out;
}
