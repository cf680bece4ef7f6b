// Feeds arbitrary bytes to CLzwDecoder: it must stay inside the input and its output, finish, and
// never declare more output than the input can expand to. Small inputs also go through the encoder
// and back, which must restore them exactly.

#include "content/lzw_decoder.h"
#include "content/lzw_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CLzwDecoder decoder;
    decoder.Decode(data, size);
    const std::uint64_t bound =
        size < 10 ? size : static_cast<std::uint64_t>(size - 4) * 8 / 9 * 4096;
    if (decoder.Length() > bound || decoder.Output()[decoder.Length()] != 0) {
        std::abort();
    }
    // Reading every byte through memcpy lets AddressSanitizer check the whole buffer at once.
    static std::vector<unsigned char> copy;
    copy.resize(std::max<std::size_t>(copy.size(), std::size_t{decoder.Length()} + 1));
    std::memcpy(copy.data(), decoder.Output(), std::size_t{decoder.Length()} + 1);
    if (size < 10 && std::count(copy.begin(), copy.begin() + size, 0) != static_cast<long>(size)) {
        std::abort();
    }

    if (size <= 4096) {
        const std::string file = LzwEncode(std::string(reinterpret_cast<const char*>(data), size));
        CLzwDecoder back;
        back.Decode(reinterpret_cast<const unsigned char*>(file.data()), file.size());
        if (back.Length() != size || (size > 0 && std::memcmp(back.Output(), data, size) != 0)) {
            std::abort();
        }
    }
    return 0;
}
