#include "speech/spoken_runs.h"

#include <string_view>

namespace {

constexpr std::string_view kFullWidthOpen = "\xA3\xA8";     // "（"
constexpr std::string_view kFullWidthClose = "\xA3\xA9";    // "）"
constexpr std::string_view kEnumerationComma = "\xA1\xA2";  // "、"
constexpr std::string_view kFullWidthComma = "\xA3\xAC";    // "，"
constexpr std::size_t kPrefixColonLimit = 10;

bool IsHigh(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Both clean-ups in one pass over whole characters. Removing or replacing whole characters keeps
// every other boundary where it was, so one pass gives what one pass per step would. A high byte
// that is no character of its own (a lead byte without its trail, or 0xFF) becomes "?", as the
// round trip through wide text would make it: left alone, a later deletion could join it to the
// next character and tear that one apart.
void CleanCharacters(std::string& text, bool wholeSentence) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Cp936CharLength(text, at);
        const std::string_view ch(text.data() + at, length);
        at += length;
        if (length == 2) {
            if (ch == kFullWidthOpen || ch == kFullWidthClose) {
                continue;
            }
            out.append(wholeSentence && ch == kEnumerationComma ? kFullWidthComma : ch);
            continue;
        }
        const unsigned char byte = static_cast<unsigned char>(ch[0]);
        if (byte > 0x80) {
            out.push_back('?');
            continue;
        }
        switch (ch[0]) {
            case '"':  // becomes "'", which goes too
            case '\'':
            case '`':
            case ':':
            case '(':
            case ')':
                break;
            case '\\':
                out.push_back(' ');
                break;
            case '.':
                if (!wholeSentence) {
                    out.push_back('.');
                }
                break;
            default:
                out.push_back(ch[0]);
                break;
        }
    }
    std::size_t digits = 0;
    while (digits < out.size() && IsDigit(out[digits])) {
        ++digits;
    }
    out.erase(0, digits);
    text = std::move(out);
}

}  // namespace

int SplitFirstRun(std::string& text, std::string& run) {
    run.clear();
    if (text.empty()) {
        return RUN_ENGLISH;
    }
    const bool chinese = IsHigh(text[0]);
    int kind = chinese ? RUN_CHINESE : RUN_ENGLISH;
    std::size_t end = Cp936CharLength(text, 0);
    while (end < text.size()) {
        const char c = text[end];
        if (chinese) {
            if (!IsDigit(c) && c != ' ' && !IsHigh(c)) {
                break;
            }
        } else if (IsHigh(c) || c == '[') {
            break;
        } else if (c == ']') {
            if (text[0] == '[') {
                ++end;
                kind = RUN_PHONETIC;
            }
            break;
        }
        end += Cp936CharLength(text, end);
    }
    run.assign(text, 0, end);
    text.erase(0, end);
    return kind;
}

void StripSpeakerPrefix(std::string& text) {
    for (std::size_t at = 0; at < text.size() && at < kPrefixColonLimit;
         at += Cp936CharLength(text, at)) {
        if (text[at] == ':') {
            text.erase(0, at + 1);
            return;
        }
    }
}

void CleanSentence(std::string& text) {
    CleanCharacters(text, true);
}

void CleanQueue(std::string& text) {
    CleanCharacters(text, false);
    if (text.starts_with(kEnumerationComma)) {
        text.erase(0, kEnumerationComma.size());
    }
}
