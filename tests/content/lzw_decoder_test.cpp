#include "content/lzw_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr unsigned kClear = 256;
constexpr unsigned kEnd = 257;

// Writes codes LSB first, exactly as given, so a test can place every clear code, width change and
// bogus code itself; Frame() then splits the bytes into sub-blocks of chosen sizes.
class CodeWriter {
  public:
    CodeWriter& Put(unsigned code, unsigned width) {
        for (unsigned bit = 0; bit < width; ++bit, ++bits_) {
            if (bits_ % 8 == 0) {
                bytes_.push_back('\0');
            }
            if (code >> bit & 1) {
                bytes_.back() = static_cast<char>(bytes_.back() | 1 << (bits_ % 8));
            }
        }
        return *this;
    }

    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
    std::size_t bits_ = 0;
};

std::string LengthField(std::uint32_t length) {
    std::string field;
    for (int shift = 0; shift < 32; shift += 8) {
        field.push_back(static_cast<char>(length >> shift));
    }
    return field;
}

// Sub-blocks with the given sizes, the last size repeating, without the terminator.
std::string Blocks(const std::string& data, const std::vector<std::size_t>& sizes = {255}) {
    std::string framed;
    std::size_t at = 0;
    for (std::size_t i = 0; at < data.size(); ++i) {
        const std::size_t size = std::min(sizes[std::min(i, sizes.size() - 1)], data.size() - at);
        framed.push_back(static_cast<char>(size));
        framed.append(data, at, size);
        at += size;
    }
    return framed;
}

std::string LessonFile(std::uint32_t length, const CodeWriter& codes,
                       const std::vector<std::size_t>& sizes = {255}) {
    return LengthField(length) + Blocks(codes.Bytes(), sizes) + '\0';
}

// Decodes from a heap copy of exactly the file's size, so reading past the input is caught by
// AddressSanitizer, and returns the Length() bytes of output.
std::string Decode(const std::string& file) {
    auto input = std::make_unique<unsigned char[]>(file.size());
    std::copy(file.begin(), file.end(), input.get());
    CLzwDecoder decoder;
    decoder.Decode(input.get(), file.size());
    EXPECT_EQ(decoder.Output()[decoder.Length()], 0);
    return std::string(reinterpret_cast<const char*>(decoder.Output()), decoder.Length());
}

std::string Bytes(std::initializer_list<unsigned char> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(LzwDecoderExamples, LiteralsExpandToThemselves) {
    EXPECT_EQ(Decode(Bytes({0x02, 0, 0, 0, 0x05, 0x00, 0x83, 0x08, 0x09, 0x08, 0x00})), "AB");
}

TEST(LzwDecoderExamples, CodeEqualToTheNextFreeCodeRepeatsThePreviousStringsFirstByte) {
    EXPECT_EQ(Decode(Bytes({0x03, 0, 0, 0, 0x05, 0x00, 0x83, 0x08, 0x0C, 0x08, 0x00})), "AAA");
}

TEST(LzwDecoderExamples, TableCodesExpandToTheStringsTheyWereMadeFrom) {
    // Entries: 258 "AB", 259 "BC", 260 "CA", 261 "ABB", 262 "BCA".
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put('C', 9).Put(258, 9).Put(259, 9);
    codes.Put(261, 9).Put(kEnd, 9);
    EXPECT_EQ(Decode(LessonFile(10, codes)), "ABCABBCABB");
}

// With literals only, the k-th code after a clear code (k >= 2) makes entry 256 + k and that entry
// is the (k-1)-th and k-th byte. The next free code reaches 512, 1024 and 2048 after codes 255, 767
// and 1791, and the table is full after code 3839.
struct LiteralRun {
    CodeWriter codes;
    std::string bytes;
};

unsigned WidthOfLiteral(int k) {
    return k <= 255 ? 9 : k <= 767 ? 10 : k <= 1791 ? 11 : 12;
}

LiteralRun Literals(int count, unsigned seed) {
    LiteralRun run;
    run.codes.Put(kClear, 9);
    std::mt19937 random(seed);
    for (int k = 1; k <= count; ++k) {
        const auto byte = static_cast<unsigned char>(random());
        run.codes.Put(byte, WidthOfLiteral(k));
        run.bytes.push_back(static_cast<char>(byte));
    }
    return run;
}

// Bytes k-1 and k of the run (1-based), the string of entry 256 + k.
std::string EntryOf(const LiteralRun& run, unsigned code) {
    return run.bytes.substr(code - 258, 2);
}

TEST(LzwDecoderWidth, GrowsRightAfterTheEntriesThatMakeTheNextFreeCode512_1024And2048) {
    LiteralRun run = Literals(2000, 1);
    std::string expected = run.bytes;
    for (unsigned code : {259u, 511u, 1023u, 2047u, 2254u}) {
        run.codes.Put(code, 12);
        expected += EntryOf(run, code);
    }
    run.codes.Put(kEnd, 12);
    EXPECT_EQ(Decode(LessonFile(static_cast<std::uint32_t>(expected.size()), run.codes)), expected);
}

TEST(LzwDecoderWidth, WidthSwitchAfterATableCodeAndAnEqualCode) {
    // The entry made by the equal case counts towards the switch like any other: 254 literals make
    // entries 258 to 510, code 511 (equal) makes entry 511 and the next free code 512.
    LiteralRun run = Literals(254, 2);
    run.codes.Put(511, 9);
    std::string expected = run.bytes + run.bytes.substr(253) + run.bytes.substr(253);
    run.codes.Put(511, 10).Put(kEnd, 10);
    expected += run.bytes.substr(253) + run.bytes.substr(253);
    EXPECT_EQ(Decode(LessonFile(static_cast<std::uint32_t>(expected.size()), run.codes)), expected);
}

TEST(LzwDecoderTable, FullTableKeepsDecoding12BitCodesWithoutNewEntries) {
    LiteralRun run = Literals(3839, 3);
    std::string expected = run.bytes;
    // The table is full: every further code is 12 bits wide and entry 4095 stays what it was.
    for (int i = 0; i < 300; ++i) {
        const unsigned code = i % 3 == 0 ? 4095 : i % 3 == 1 ? 'x' : 300;
        run.codes.Put(code, 12);
        expected += code < 256 ? std::string(1, static_cast<char>(code)) : EntryOf(run, code);
    }
    // A clear code starts over at 9 bits with a fresh table.
    run.codes.Put(kClear, 12).Put('p', 9).Put('q', 9).Put(258, 9).Put(kEnd, 9);
    expected += "pqpq";
    EXPECT_EQ(Decode(LessonFile(static_cast<std::uint32_t>(expected.size()), run.codes)), expected);
}

TEST(LzwDecoderTable, LongestStringsAreBuiltAndRepeatedWithinTheLimits) {
    // Each code equal to the next free code grows the string by one byte, up to entry 4095 with
    // 3839 bytes; on a full table that code is then repeated.
    CodeWriter codes;
    codes.Put(kClear, 9).Put('z', 9);
    std::size_t total = 1;
    for (unsigned code = 258; code < 4096; ++code) {
        codes.Put(code, code < 512 ? 9 : code < 1024 ? 10 : code < 2048 ? 11 : 12);
        total += code - 256;
    }
    for (int i = 0; i < 3; ++i) {
        codes.Put(4095, 12);
        total += 3839;
    }
    codes.Put(kEnd, 12);
    EXPECT_TRUE(Decode(LessonFile(static_cast<std::uint32_t>(total), codes)) ==
                std::string(total, 'z'));
}

TEST(LzwDecoderClear, SeveralClearCodesInARowActAsOne) {
    CodeWriter codes;
    codes.Put(kClear, 9).Put(kClear, 9).Put(kClear, 9).Put('A', 9).Put('B', 9).Put(258, 9);
    codes.Put(kEnd, 9);
    EXPECT_EQ(Decode(LessonFile(4, codes)), "ABAB");
}

TEST(LzwDecoderClear, ResetsTheTableAndTheWidthMidStream) {
    LiteralRun run = Literals(800, 4);  // now at 11 bits
    run.codes.Put(kClear, 11).Put(kClear, 9).Put('m', 9).Put('n', 9).Put(258, 9).Put(kEnd, 9);
    EXPECT_EQ(Decode(LessonFile(804, run.codes)), run.bytes + "mnmn");
}

TEST(LzwDecoderClear, ClearFollowedByEndProducesNothingMore) {
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put(kClear, 9).Put(kEnd, 9).Put('C', 9);
    EXPECT_EQ(Decode(LessonFile(5, codes)), std::string("AB\0\0\0", 5));
}

TEST(LzwDecoderClear, TableCodeRightAfterAClearIsOutputAsZero) {
    CodeWriter codes;
    codes.Put(kClear, 9).Put(300, 9).Put('A', 9).Put(258, 9).Put(kEnd, 9);
    EXPECT_EQ(Decode(LessonFile(4, codes)), std::string("\0A\0A", 4));
}

TEST(LzwDecoderClear, StreamWithoutLeadingClearDecodesAsIfItHadOne) {
    CodeWriter codes;
    codes.Put('A', 9).Put('B', 9).Put(258, 9).Put(kEnd, 9);
    EXPECT_EQ(Decode(LessonFile(4, codes)), "ABAB");
}

TEST(LzwDecoderDamage, CodeAboveTheNextFreeCodeRepeatsThePreviousString) {
    // 300 is beyond the table (next free 259): entry 259 becomes "BB" and "B" is output again; that
    // output is the previous string for the next entry, 260 "BC".
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put(300, 9).Put('C', 9).Put(259, 9);
    codes.Put(260, 9).Put(kEnd, 9);
    EXPECT_EQ(Decode(LessonFile(8, codes)), "ABBCBBBC");
}

TEST(LzwDecoderDamage, BogusCodesInARowStayWithinTheTable) {
    // Codes that name entries about to be made, then the same code once it is next free.
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put(260, 9).Put(260, 9).Put(260, 9).Put(261, 9);
    codes.Put(kEnd, 9);
    // 260 (above 258): entry 258 "AA", out "A". 260 (above 259): entry 259 "AA", out "A".
    // 260 (equal): entry 260 "AA", out "AA". 261 (equal): "AA" + "A".
    EXPECT_EQ(Decode(LessonFile(8, codes)), "AAAAAAAA");
}

TEST(LzwDecoderSubBlocks, BoundariesInsideCodesDoNotMatter) {
    LiteralRun run = Literals(3000, 5);
    run.codes.Put(3000, 12).Put(kEnd, 12);
    const std::string expected = run.bytes + EntryOf(run, 3000);
    const auto length = static_cast<std::uint32_t>(expected.size());
    for (const auto& sizes : std::vector<std::vector<std::size_t>>{
             {1}, {2}, {3}, {7}, {8}, {9}, {254}, {255}, {1, 255, 2, 100, 9, 254, 17}}) {
        EXPECT_EQ(Decode(LessonFile(length, run.codes, sizes)), expected) << sizes.front();
    }
}

TEST(LzwDecoderSubBlocks, ZeroCountEndsDecodingAndDropsAPartialCode) {
    // Codes 256 'A' 'B' 'C' 257 take bits 0-44; 'C' is bits 27-35, split by the zero count after
    // the fourth byte. What follows the zero count is never read.
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put('C', 9).Put(kEnd, 9);
    const std::string& data = codes.Bytes();
    const std::string file =
        LengthField(3) + Blocks(data.substr(0, 4)) + '\0' + Blocks(data.substr(4)) + '\0';
    EXPECT_EQ(Decode(file), std::string("AB\0", 3));
}

TEST(LzwDecoderSubBlocks, ZeroCountAtACodeBoundaryEndsDecoding) {
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put('C', 9).Put('D', 9).Put('E', 9).Put('F', 9);
    codes.Put('G', 9).Put('H', 9).Put(kEnd, 9);  // 'G' ends at bit 72, a byte boundary
    const std::string& data = codes.Bytes();
    const std::string file =
        LengthField(8) + Blocks(data.substr(0, 9)) + '\0' + Blocks(data.substr(9)) + '\0';
    EXPECT_EQ(Decode(file), std::string("ABCDEFG\0", 8));
}

// A text without zero bytes, so the produced part of any output is the part before its first zero.
std::string TextWithoutZeros(std::size_t size) {
    std::mt19937 random(6);
    std::string text;
    while (text.size() < size) {
        text += "lesson line " + std::to_string(random() % 50) +
                " \xC4\xE3\xBA\xC3 [h\xC9\x99'l\xC9\x99u]\r\n";
    }
    text.resize(size);
    return text;
}

TEST(LzwDecoderDamage, CutOffInputYieldsAPrefixOfTheTextAndZeros) {
    LiteralRun run;
    run.codes.Put(kClear, 9);
    const std::string text = TextWithoutZeros(1500);
    for (std::size_t k = 1; k <= text.size(); ++k) {
        run.codes.Put(static_cast<unsigned char>(text[k - 1]), WidthOfLiteral(static_cast<int>(k)));
    }
    run.codes.Put(kEnd, 11);
    const std::string file = LessonFile(static_cast<std::uint32_t>(text.size()), run.codes, {100});
    ASSERT_EQ(Decode(file), text);
    std::size_t previous = 0;
    for (std::size_t cut = 10; cut < file.size(); ++cut) {
        const std::string output = Decode(file.substr(0, cut));
        ASSERT_EQ(output.size(), text.size());
        const std::size_t produced = std::min(output.find('\0'), output.size());
        ASSERT_EQ(output.substr(0, produced), text.substr(0, produced)) << cut;
        ASSERT_EQ(output.find_first_not_of('\0', produced), std::string::npos) << cut;
        ASSERT_GE(produced, previous) << cut;
        previous = produced;
    }
    EXPECT_GT(previous, text.size() - 20);
}

TEST(LzwDecoderDamage, CountByteBeyondTheInputUsesWhatIsThere) {
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put('C', 9).Put('D', 9).Put('E', 9);
    const std::string file = LengthField(6) + '\xC8' + codes.Bytes();  // claims 200 bytes
    EXPECT_EQ(Decode(file), std::string("ABCDE\0", 6));
}

TEST(LzwDecoderDamage, RandomInputNeverBreaksTheBounds) {
    std::mt19937 random(7);
    for (int i = 0; i < 600; ++i) {
        std::string file(5 + random() % 300, '\0');
        for (char& c : file) {
            c = static_cast<char>(random());
        }
        if (i % 2 == 0) {
            file[4] = static_cast<char>(random() % 16 == 0 ? 0 : 255);  // one long sub-block
        }
        if (i % 8 != 0) {
            file.replace(0, 4, LengthField(random() % 5000));
        }
        const std::string output = Decode(file);
        if (file.size() >= 10) {
            EXPECT_LE(output.size(), (file.size() - 4) * 8 / 9 * 4096);
        }
    }
}

TEST(LzwDecoderLength, OutputIsTruncatedAtTheDeclaredLength) {
    CodeWriter codes;
    // A B AB AB ABA, then 262 (equal) ABA + A.
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put(258, 9).Put(258, 9).Put(260, 9).Put(262, 9);
    codes.Put(kEnd, 9);
    const std::string full = "ABABABABAABAA";
    EXPECT_EQ(Decode(LessonFile(15, codes)), full + std::string(2, '\0'));
    for (std::uint32_t length = 0; length <= full.size(); ++length) {
        EXPECT_EQ(Decode(LessonFile(length, codes)), full.substr(0, length));
    }
}

TEST(LzwDecoderLength, BytesNotProducedAreZero) {
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put(kEnd, 9);
    EXPECT_EQ(Decode(LessonFile(6, codes)), std::string("AB\0\0\0\0", 6));
}

TEST(LzwDecoderLength, DeclaredLengthBeyondWhatTheInputCanHoldIsCapped) {
    CodeWriter codes;
    codes.Put(kClear, 9).Put('A', 9).Put('B', 9).Put(kEnd, 9);
    // 11 bytes: 7 after the length field, at most 6 codes of at most 4096 bytes each.
    const std::string file = LessonFile(0xFFFFFFFF, codes);
    ASSERT_EQ(file.size(), 11u);
    const std::string output = Decode(file);
    EXPECT_EQ(output.size(), 6u * 4096);
    EXPECT_EQ(output.substr(0, 3), std::string("AB\0", 3));
    EXPECT_EQ(output.find_first_not_of('\0', 2), std::string::npos);
    // A length the input can hold is kept.
    EXPECT_EQ(Decode(LessonFile(6 * 4096, codes)).size(), 6u * 4096);
}

TEST(LzwDecoderLength, InputShorterThanTenBytesIsNotDecoded) {
    const std::string example = Bytes({0x02, 0, 0, 0, 0x05, 0x00, 0x83, 0x08, 0x09, 0x08});
    for (std::size_t size = 0; size < 10; ++size) {
        EXPECT_EQ(Decode(example.substr(0, size)), std::string(size, '\0'));
    }
    EXPECT_EQ(Decode(example),
              "AB");  // the end code is there; the missing terminator is not needed
}

TEST(LzwDecoderLifecycle, OutputBelongsToTheLastDecode) {
    CLzwDecoder decoder;
    EXPECT_EQ(decoder.Output(), nullptr);
    EXPECT_EQ(decoder.Length(), 0u);
    decoder.Decode(nullptr, 50);
    ASSERT_NE(decoder.Output(), nullptr);
    EXPECT_EQ(decoder.Length(), 0u);
    const std::string example = Bytes({0x03, 0, 0, 0, 0x05, 0x00, 0x83, 0x08, 0x0C, 0x08, 0x00});
    decoder.Decode(reinterpret_cast<const unsigned char*>(example.data()), example.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(decoder.Output()), decoder.Length()),
              "AAA");
}

}  // namespace
