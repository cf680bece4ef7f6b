// Decode throughput of CLzwDecoder against giflib's decoder on one and the same code stream: a
// 16 MiB lesson-like text packed by LzwEncode, handed to giflib as a 4096 x 4096 GIF in memory.

#include "content/lzw_decoder.h"
#include "content/lzw_encoder.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include "support/gif_memory.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>

namespace {

constexpr int kWidth = 4096;
constexpr int kHeight = 4096;

// English sentences, their GBK translations (random two-byte characters from the common range),
// bracketed phonetics and the page markup around them.
std::string LessonText(std::size_t size) {
    static const char* const kWords[] = {
        "I",     "you",     "we",   "they",    "the",  "a",     "is",     "are",     "was",
        "have",  "go",      "to",   "school",  "home", "every", "day",    "my",      "mother",
        "likes", "reading", "book", "morning", "good", "thank", "where",  "what",    "time",
        "it",    "please",  "open", "window",  "can",  "speak", "slowly", "english", "friend"};
    static const char* const kPhonetics[] = {"[\xC9\x99]", "[i:]", "[\xCA\x83]", "[\xC3\xA6]",
                                             "[\xCE\xB8]", "[ei]", "[\xC5\x8B]"};
    std::mt19937 random(2024);
    std::string text = "Lesson 12@Daily life\r\n";
    int line = 0;
    while (text.size() < size) {
        if (line % 40 == 0) {
            text += "[SECTION " + std::to_string(line / 40 + 1) + "]\r\n";
        }
        text += "<p class=line>";
        std::string sentence;
        for (unsigned n = 4 + random() % 9; n > 0; --n) {
            sentence += kWords[random() % std::size(kWords)];
            sentence += ' ';
        }
        sentence[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sentence[0])));
        sentence.back() = random() % 3 ? '.' : '?';
        text += sentence + " " + kPhonetics[random() % std::size(kPhonetics)] + "<br>";
        for (unsigned n = 5 + random() % 12; n > 0; --n) {
            text.push_back(static_cast<char>(0xB0 + random() % 24));
            text.push_back(static_cast<char>(0xA1 + random() % 94));
        }
        text += "\xA1\xA3</p>\r\n";
        ++line;
    }
    text.resize(size);
    return text;
}

struct Streams {
    std::string text;
    std::string lesson;  // length field + code stream
    std::string gif;     // the same code stream as the image data of a GIF
};

const Streams& SharedStreams() {
    static const Streams kStreams = [] {
        Streams s;
        s.text = LessonText(std::size_t{kWidth} * kHeight);
        s.lesson = LzwEncode(s.text);
        s.gif = gif_memory::GifAround(s.lesson, kWidth, kHeight);
        return s;
    }();
    return kStreams;
}

using gif_memory::MemoryInput;
using gif_memory::ReadFromMemory;

// Opens the GIF and decodes its one image whole into a freshly allocated buffer, as the decoder
// under test does; returns null on failure.
std::unique_ptr<GifPixelType[]> DecodeWithGiflib(const std::string& file) {
    MemoryInput input{file};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, ReadFromMemory, &error);
    if (gif == nullptr) {
        return nullptr;
    }
    std::unique_ptr<GifPixelType[]> pixels;
    GifRecordType record;
    while (DGifGetRecordType(gif, &record) == GIF_OK && record != TERMINATE_RECORD_TYPE) {
        if (record == IMAGE_DESC_RECORD_TYPE && DGifGetImageDesc(gif) == GIF_OK) {
            const int size = gif->Image.Width * gif->Image.Height;
            pixels = std::make_unique_for_overwrite<GifPixelType[]>(size);
            if (DGifGetLine(gif, pixels.get(), size) != GIF_OK) {
                pixels.reset();
            }
            break;
        }
    }
    DGifCloseFile(gif, &error);
    return pixels;
}

void CLzwDecoderThroughput(benchmark::State& state) {
    const Streams& streams = SharedStreams();
    const auto* data = reinterpret_cast<const unsigned char*>(streams.lesson.data());
    {
        CLzwDecoder check;
        check.Decode(data, streams.lesson.size());
        if (check.Length() != streams.text.size() ||
            std::memcmp(check.Output(), streams.text.data(), streams.text.size()) != 0) {
            state.SkipWithError("CLzwDecoder does not restore the text");
            return;
        }
    }
    for (auto _ : state) {
        CLzwDecoder decoder;
        decoder.Decode(data, streams.lesson.size());
        benchmark::DoNotOptimize(decoder.Output());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * streams.text.size());
    state.counters["packed_MiB"] = static_cast<double>(streams.lesson.size()) / (1 << 20);
}

void GiflibThroughput(benchmark::State& state) {
    const Streams& streams = SharedStreams();
    {
        const auto pixels = DecodeWithGiflib(streams.gif);
        if (!pixels || std::memcmp(pixels.get(), streams.text.data(), streams.text.size()) != 0) {
            state.SkipWithError("giflib does not restore the text");
            return;
        }
    }
    for (auto _ : state) {
        auto pixels = DecodeWithGiflib(streams.gif);
        benchmark::DoNotOptimize(pixels.get());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * streams.text.size());
}

BENCHMARK(CLzwDecoderThroughput)->Unit(benchmark::kMillisecond);
BENCHMARK(GiflibThroughput)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
