#include "content/lzw_decoder.h"
#include "content/lzw_encoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace {

std::string Expand(const std::string& file) {
    CLzwDecoder decoder;
    decoder.Decode(reinterpret_cast<const unsigned char*>(file.data()), file.size());
    return std::string(reinterpret_cast<const char*>(decoder.Output()), decoder.Length());
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

// Lesson-like text: English words, GBK character pairs, bracketed phonetics and markup lines.
std::string LessonLikeText(std::size_t size, unsigned seed) {
    static const char* const kWords[] = {"the",  "lesson", "good",    "morning", "how",
                                         "are",  "you",    "teacher", "please",  "open",
                                         "your", "book",   "page"};
    std::mt19937 random(seed);
    std::string text = "Lesson " + std::to_string(seed) + "\r\n";
    while (text.size() < size) {
        switch (random() % 4) {
            case 0:
                text += "<p align=center>";
                break;
            case 1:
                text += "[\xC9\x99u] ";
                break;
            default:
                break;
        }
        for (unsigned n = 3 + random() % 8; n > 0; --n) {
            text += kWords[random() % std::size(kWords)];
            text += ' ';
        }
        for (unsigned n = 2 + random() % 10; n > 0; --n) {
            text.push_back(static_cast<char>(0xB0 + random() % 40));
            text.push_back(static_cast<char>(0xA1 + random() % 94));
        }
        text += random() % 2 ? "\r\n" : "\n";
    }
    text.resize(size);
    return text;
}

void ExpectRoundTrip(const std::string& text) {
    const std::string file = LzwEncode(text);
    ASSERT_TRUE(Expand(file) == text) << "size " << text.size();
}

TEST(LzwEncoderLayout, MatchesTheHandWrittenExamples) {
    const unsigned char ab[] = {0x02, 0, 0, 0, 0x05, 0x00, 0x83, 0x08, 0x09, 0x08, 0x00};
    const unsigned char aaa[] = {0x03, 0, 0, 0, 0x05, 0x00, 0x83, 0x08, 0x0C, 0x08, 0x00};
    EXPECT_EQ(LzwEncode("AB"), std::string(std::begin(ab), std::end(ab)));
    EXPECT_EQ(LzwEncode("AAA"), std::string(std::begin(aaa), std::end(aaa)));
}

TEST(LzwEncoderLayout, LengthFieldFullSubBlocksAndTerminator) {
    const std::string text = RandomBytes(100000, 1);
    const std::string file = LzwEncode(text);
    EXPECT_EQ(file.substr(0, 4), std::string("\xA0\x86\x01\x00", 4));
    std::size_t at = 4;
    std::size_t blocks = 0;
    while (at < file.size() && file[at] != '\0') {
        const auto count = static_cast<unsigned char>(file[at]);
        at += 1 + count;
        ++blocks;
        if (at + 1 < file.size()) {
            EXPECT_EQ(count, 255u) << "block " << blocks;
        }
    }
    EXPECT_EQ(at + 1, file.size()) << "one zero count, then nothing";
}

TEST(LzwEncoderLayout, EmptyTextStillMakesAFileLongEnoughToBeDecoded) {
    // Two clear codes and the end code: a clear code alone and the end code would be 9 bytes.
    EXPECT_EQ(LzwEncode(""), std::string("\0\0\0\0\x04\x00\x01\x06\x04\x00", 10));
}

TEST(LzwRoundTrip, SmallSizesAroundTheWidthAndTableLimits) {
    for (std::size_t size : {0, 1, 2, 3, 254, 255, 256, 257, 510, 511, 512, 513, 1000, 4095, 4096,
                             4097, 6000, 10000}) {
        ExpectRoundTrip(RandomBytes(size, static_cast<unsigned>(size)));
        ExpectRoundTrip(LessonLikeText(size, static_cast<unsigned>(size)));
    }
}

TEST(LzwRoundTrip, EveryPrefixOfAShortText) {
    const std::string text = LessonLikeText(600, 3);
    for (std::size_t size = 0; size <= text.size(); ++size) {
        ExpectRoundTrip(text.substr(0, size));
    }
}

TEST(LzwRoundTrip, RandomDataFillsTheTableAndClearsManyTimes) {
    ExpectRoundTrip(RandomBytes(1 << 20, 4));
}

TEST(LzwRoundTrip, LessonLikeTextOfSeveralMegabytes) {
    const std::string text = LessonLikeText(3 << 20, 5);
    const std::string file = LzwEncode(text);
    EXPECT_LT(file.size(), text.size() * 3 / 4);
    ASSERT_TRUE(Expand(file) == text);
}

TEST(LzwRoundTrip, LongRunsBuildTheLongestStrings) {
    ExpectRoundTrip(std::string(5 << 20, 'a'));
    std::string runs;
    std::mt19937 random(6);
    while (runs.size() < (1 << 20)) {
        runs.append(random() % 5000, static_cast<char>(random() % 3));
    }
    ExpectRoundTrip(runs);
}

TEST(LzwRoundTrip, RepetitiveTextCompressesWell) {
    const std::string text(1 << 20, 'a');
    EXPECT_LT(LzwEncode(text).size(), text.size() / 100);
}

TEST(LzwRoundTrip, RandomSizesAndMixtures) {
    std::mt19937 random(7);
    for (int i = 0; i < 40; ++i) {
        const std::size_t size = random() % 70000;
        std::string text = LessonLikeText(size, static_cast<unsigned>(i));
        // Splice random bytes and runs into the text so table contents and clears vary.
        for (std::size_t at = 0; at + 300 < text.size(); at += 1 + random() % 20000) {
            if (random() % 2) {
                text.replace(at, 300, RandomBytes(300, static_cast<unsigned>(at)));
            } else {
                text.replace(at, 300, 300, static_cast<char>(random()));
            }
        }
        ExpectRoundTrip(text);
    }
}

}  // namespace
