// Character frames are untrusted: any bytes are either cleaned or refused with a reason, cleaning
// never crashes or runs away, and what it gives is clean: cleaning it again gives it back, and no
// instruction, declaration or reference outside the document is left in it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "character/svg_sanitizer.h"

namespace {

// Every reference in a start tag points into the document or is a picture written anew. (Text
// and attribute values hold no '<' or '>' once cleaned, so tags are found by those.)
bool ReferencesStayInside(std::string_view text) {
    for (std::size_t open = text.find('<'); open != std::string_view::npos;
         open = text.find('<', open + 1)) {
        const std::string_view tag = text.substr(open, text.find('>', open) - open);
        for (std::size_t at = tag.find("href=\""); at != std::string_view::npos;
             at = tag.find("href=\"", at + 1)) {
            if (tag[at - 1] != ' ' && tag[at - 1] != ':') {
                continue;  // another attribute whose name ends so
            }
            const std::string_view value = tag.substr(at + 6);
            if (!value.starts_with('#') && !value.starts_with("data:image/png;base64,") &&
                !value.starts_with("data:image/jpeg;base64,") &&
                !value.starts_with("data:image/svg+xml;base64,")) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view source(reinterpret_cast<const char*>(data), size);
    std::string reason;
    const std::optional<CleanSvg> clean = CleanSvgDocument(source, 160 * 200, reason);
    if (!clean) {
        if (reason.empty()) {
            std::abort();  // a refusal always says why
        }
        return 0;
    }
    const std::string_view text = clean->text;
    if (text.find("<?") != text.npos || text.find("<!") != text.npos ||
        !ReferencesStayInside(text)) {
        std::abort();
    }
    const std::optional<CleanSvg> again = CleanSvgDocument(text, 160 * 200, reason);
    if (!again || again->text != text || again->drawnPixels != clean->drawnPixels) {
        std::abort();
    }
    return 0;
}
