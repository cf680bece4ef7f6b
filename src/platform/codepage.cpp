#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>
#include <system_error>

namespace {

constexpr char32_t kReplacement = U'\uFFFD';

// iconv speaks glibc's own UCS-4 ("WCHAR_T") with us: a single conversion step each way, and an
// error always concerns exactly one code point on the Unicode side. (Going through UTF-32LE adds a
// second step that costs about 10 microseconds per unencodable character.)
static_assert(sizeof(wchar_t) == sizeof(char32_t), "glibc's wchar_t holds UCS-4 in host order");

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::system_error(errno, std::generic_category(), "iconv_open");
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Returns the descriptor in its initial state.
    iconv_t Reset() {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

  private:
    iconv_t cd_;
};

iconv_t FromCp936() {
    thread_local Converter converter("WCHAR_T", "CP936");
    return converter.Reset();
}

iconv_t ToCp936() {
    thread_local Converter converter("CP936", "WCHAR_T");
    return converter.Reset();
}

bool IsLeadByte(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}

bool IsTrailByte(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE);
}

// Length of the invalid sequence that starts at `in`, replaced as one character.
std::size_t InvalidCp936Length(const char* in, std::size_t left) {
    const auto lead = static_cast<unsigned char>(in[0]);
    if (left >= 2 && IsLeadByte(lead) && IsTrailByte(static_cast<unsigned char>(in[1]))) {
        return 2;
    }
    return 1;
}

std::u32string DecodeCp936(std::string_view cp936) {
    std::u32string out;
    out.reserve(cp936.size());
    iconv_t cd = FromCp936();
    char* in = const_cast<char*>(cp936.data());
    std::size_t inLeft = cp936.size();
    char32_t buffer[1024];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(buffer);
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, reinterpret_cast<char32_t*>(outPtr));
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        // EILSEQ, or EINVAL for a lead byte that ends the input.
        out.push_back(kReplacement);
        const std::size_t skip = InvalidCp936Length(in, inLeft);
        in += skip;
        inLeft -= skip;
    }
    return out;
}

std::string EncodeCp936(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    iconv_t cd = ToCp936();
    char* in = reinterpret_cast<char*>(const_cast<char32_t*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(char32_t);
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        out.append(buffer, outPtr);
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        out.push_back('?');
        in += sizeof(char32_t);
        inLeft -= sizeof(char32_t);
    }
    return out;
}

}  // namespace

char32_t NextUtf8(std::string_view utf8, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(utf8[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int trailCount;
    char32_t c;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailCount = 1;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailCount = 2;
        c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong forms
        high = lead == 0xED ? 0x9F : 0xBF;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailCount = 3;
        c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong forms
        high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    } else {
        return kReplacement;
    }
    for (int i = 0; i < trailCount; ++i) {
        if (pos >= utf8.size()) {
            return kReplacement;
        }
        const auto trail = static_cast<unsigned char>(utf8[pos]);
        if (trail < low || trail > high) {
            return kReplacement;
        }
        c = c << 6 | (trail & 0x3F);
        ++pos;
        low = 0x80;
        high = 0xBF;
    }
    return c;
}

namespace {

std::u32string DecodeUtf8(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        out.push_back(NextUtf8(utf8, pos));
    }
    return out;
}

std::string EncodeUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}

bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

std::u32string DecodeUtf16(std::u16string_view utf16) {
    std::u32string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        if (IsHighSurrogate(u) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
            out.push_back(0x10000 + ((u - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            out.push_back(kReplacement);
        } else {
            out.push_back(u);
        }
    }
    return out;
}

std::u16string EncodeUtf16(std::u32string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

}  // namespace

std::string Cp936ToUtf8(std::string_view cp936) {
    return EncodeUtf8(DecodeCp936(cp936));
}

std::string Utf8ToCp936(std::string_view utf8) {
    return EncodeCp936(DecodeUtf8(utf8));
}

std::u16string Cp936ToUtf16(std::string_view cp936) {
    return EncodeUtf16(DecodeCp936(cp936));
}

std::string Utf16ToCp936(std::u16string_view utf16) {
    return EncodeCp936(DecodeUtf16(utf16));
}

std::size_t Cp936CharLength(std::string_view text, std::size_t at) {
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x81 || lead > 0xFE || at + 1 >= text.size()) {
        return 1;
    }
    const unsigned char trail = static_cast<unsigned char>(text[at + 1]);
    const bool isTrail = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFE);
    return isTrail ? 2 : 1;
}
