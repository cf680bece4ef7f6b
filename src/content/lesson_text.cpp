#include "content/lesson_text.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace {

// One left-to-right pass; text produced by a replacement is not searched again. Builds a new
// string, so that a line of many matches costs linear time, not one move of the rest per match.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t pos = text.find(from);
    if (pos == std::string::npos) {
        return;
    }
    std::string out;
    out.reserve(text.size());
    std::size_t done = 0;
    for (; pos != std::string::npos; pos = text.find(from, done)) {
        out.append(text, done, pos - done);
        out.append(to);
        done = pos + from.size();
    }
    out.append(text, done);
    text = std::move(out);
}

}  // namespace

void StripNonAscii(std::string& text) {
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

void StripPhoneticMarks(std::string& text) {
    for (std::string_view mark : {"'", "`", "<u>", "</u>", "<i>", "</i>"}) {
        ReplaceAll(text, mark, "");
    }
}

void SpaceBeforeBracket(std::string& text) {
    constexpr std::string_view kUnderlineEnd = "</u>";
    // Every decision depends only on text after the "[" at hand, which earlier blanks never move,
    // so they are all taken on the original text and the blanks put in by one copy at the end.
    std::vector<std::size_t> blanks;
    std::size_t tag = std::string::npos;
    bool tagKnown = false;
    for (std::size_t open = text.find('['); open != std::string::npos;) {
        const std::size_t close = text.find(']', open);
        if (close == std::string::npos) {
            break;
        }
        // The first "</u>" at or after this "[": the one found for an earlier "[" still is, unless
        // it lies before this one. Searching again only then keeps the whole walk linear.
        if (!tagKnown || (tag != std::string::npos && tag < open)) {
            tag = text.find(kUnderlineEnd, open);
            tagKnown = true;
        }
        const std::size_t afterTag = tag + kUnderlineEnd.size();
        if (tag != std::string::npos && afterTag < close && text[afterTag] != ' ') {
            blanks.push_back(close);
        }
        open = text.find('[', close);
    }
    if (blanks.empty()) {
        return;
    }
    std::string out;
    out.reserve(text.size() + blanks.size());
    std::size_t done = 0;
    for (const std::size_t close : blanks) {
        out.append(text, done, close - done);
        out.push_back(' ');
        done = close;
    }
    out.append(text, done);
    text = std::move(out);
}

void SpaceBetweenUnderlineAndBracket(std::string& text) {
    ReplaceAll(text, "</u>]", "</u> ]");
}
