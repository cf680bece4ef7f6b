// The lesson code stream is GIF image data with minimum code size 8, so a GIF library must read
// what LzwEncode writes, and CLzwDecoder must read what a GIF library writes.

#include "content/lzw_decoder.h"
#include "content/lzw_encoder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include "support/gif_memory.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct Image {
    int width;
    int height;
    std::string pixels;
};

std::vector<Image> SampleImages() {
    std::mt19937 random(1);
    std::vector<Image> images;
    images.push_back({1, 1, "Q"});
    images.push_back({3, 1, "AAA"});
    std::string noise(1000 * 700, '\0');
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    images.push_back({1000, 700, noise});
    std::string text;
    while (text.size() < 4096 * 64) {
        text +=
            "Good morning, teacher. \xD4\xE7\xC9\xCF\xBA\xC3\xA3\xAC\xC0\xCF\xCA\xA6 "
            "[g\xCA\x8A"
            "d] " +
            std::to_string(random() % 1000) + "\r\n";
    }
    text.resize(4096 * 64);
    images.push_back({4096, 64, text});
    std::string runs;
    while (runs.size() < 2000 * 300) {
        runs.append(1 + random() % 3000, static_cast<char>(random() % 4));
    }
    runs.resize(2000 * 300);
    images.push_back({2000, 300, runs});
    return images;
}

using gif_memory::GifAround;
using gif_memory::MemoryInput;
using gif_memory::ReadFromMemory;

int WriteToMemory(GifFileType* gif, const GifByteType* buffer, int size) {
    static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(buffer), size);
    return size;
}

// The pixels giflib decodes from a whole GIF file, or a description of its failure.
std::string DecodeWithGiflib(const std::string& file) {
    MemoryInput input{file};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, ReadFromMemory, &error);
    if (gif == nullptr) {
        return std::string("DGifOpen: ") + GifErrorString(error);
    }
    std::string pixels;
    if (DGifSlurp(gif) != GIF_OK) {
        pixels = std::string("DGifSlurp: ") + GifErrorString(gif->Error);
    } else if (gif->ImageCount == 1) {
        const GifImageDesc& desc = gif->SavedImages[0].ImageDesc;
        pixels.assign(reinterpret_cast<const char*>(gif->SavedImages[0].RasterBits),
                      static_cast<std::size_t>(desc.Width) * desc.Height);
    }
    DGifCloseFile(gif, &error);
    return pixels;
}

std::string EncodeWithGiflib(const Image& image) {
    std::string file;
    int error = 0;
    GifFileType* gif = EGifOpen(&file, WriteToMemory, &error);
    EXPECT_NE(gif, nullptr);
    GifColorType colors[256];
    for (int i = 0; i < 256; ++i) {
        colors[i] = {static_cast<GifByteType>(i), static_cast<GifByteType>(i),
                     static_cast<GifByteType>(i)};
    }
    ColorMapObject* palette = GifMakeMapObject(256, colors);
    std::vector<GifPixelType> pixels(image.pixels.begin(), image.pixels.end());
    EXPECT_EQ(EGifPutScreenDesc(gif, image.width, image.height, 8, 0, palette), GIF_OK);
    EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr), GIF_OK);
    EXPECT_EQ(EGifPutLine(gif, pixels.data(), static_cast<int>(pixels.size())), GIF_OK);
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    GifFreeMapObject(palette);
    return file;
}

std::size_t SkipSubBlocks(const std::string& gif, std::size_t at) {
    while (at < gif.size() && gif[at] != '\0') {
        at += 1 + static_cast<unsigned char>(gif[at]);
    }
    return at + 1;
}

// The image data of the GIF's first image as a lesson file: the pixel count as the length field,
// then the sub-blocks after the code-size byte.
std::string LessonFileFromGif(const std::string& gif, std::uint32_t length) {
    std::size_t at = 13;
    const auto screenFlags = static_cast<unsigned char>(gif[10]);
    if (screenFlags & 0x80) {
        at += 3u << ((screenFlags & 7) + 1);
    }
    while (at < gif.size() && gif[at] == '!') {
        at = SkipSubBlocks(gif, at + 2);
    }
    EXPECT_EQ(gif.at(at), ',');
    const auto imageFlags = static_cast<unsigned char>(gif.at(at + 9));
    at += 10;
    if (imageFlags & 0x80) {
        at += 3u << ((imageFlags & 7) + 1);
    }
    EXPECT_EQ(gif.at(at), '\x08') << "minimum code size";
    ++at;
    std::string file;
    for (int shift = 0; shift < 32; shift += 8) {
        file.push_back(static_cast<char>(length >> shift));
    }
    file.append(gif, at, SkipSubBlocks(gif, at) - at);
    return file;
}

TEST(GifInterop, GiflibDecodesLessonFilesWrittenByTheEncoder) {
    for (const Image& image : SampleImages()) {
        const std::string gif = GifAround(LzwEncode(image.pixels), image.width, image.height);
        const std::string decoded = DecodeWithGiflib(gif);
        EXPECT_TRUE(decoded == image.pixels)
            << image.width << "x" << image.height << ": " << decoded.substr(0, 80);
    }
}

TEST(GifInterop, DecoderReadsImageDataWrittenByGiflib) {
    for (const Image& image : SampleImages()) {
        const std::string gif = EncodeWithGiflib(image);
        ASSERT_TRUE(DecodeWithGiflib(gif) == image.pixels) << "giflib's own round trip";
        const std::string file =
            LessonFileFromGif(gif, static_cast<std::uint32_t>(image.pixels.size()));
        CLzwDecoder decoder;
        decoder.Decode(reinterpret_cast<const unsigned char*>(file.data()), file.size());
        EXPECT_TRUE(std::string(reinterpret_cast<const char*>(decoder.Output()),
                                decoder.Length()) == image.pixels)
            << image.width << "x" << image.height;
    }
}

}  // namespace
