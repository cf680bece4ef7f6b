#include "content/lesson_text.h"

#include <algorithm>
#include <string_view>

namespace {

// One left-to-right pass; text produced by a replacement is not searched again.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t pos = text.find(from); pos != std::string::npos;
         pos = text.find(from, pos + to.size())) {
        text.replace(pos, from.size(), to);
    }
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
    for (std::size_t open = text.find('['); open != std::string::npos;) {
        const std::size_t close = text.find(']', open);
        if (close == std::string::npos) {
            return;
        }
        const std::size_t tag = text.find(kUnderlineEnd, open);
        const std::size_t afterTag = tag + kUnderlineEnd.size();
        if (tag != std::string::npos && afterTag < close && text[afterTag] != ' ') {
            text.insert(close, 1, ' ');
        }
        open = text.find('[', close);
    }
}

void SpaceBetweenUnderlineAndBracket(std::string& text) {
    ReplaceAll(text, "</u>]", "</u> ]");
}
