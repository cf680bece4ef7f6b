#include "speech/viseme_table.h"

#include "content/leading_number.h"
#include "content/text_lines.h"

namespace {

// Every occurrence of the engine's name prefix "SP_VISEME_" counts as a 0 digit.
std::string WithoutEnginePrefix(std::string_view key) {
    static constexpr std::string_view kPrefix = "SP_VISEME_";
    std::string plain;
    while (!key.empty()) {
        if (key.starts_with(kPrefix)) {
            plain += '0';
            key.remove_prefix(kPrefix.size());
        } else {
            plain += key.front();
            key.remove_prefix(1);
        }
    }
    return plain;
}

}  // namespace

std::vector<VisemeLine> ParseVisemeTable(std::string_view text) {
    std::vector<VisemeLine> lines;
    for (const std::string_view raw : SplitTextLines(text)) {
        const std::string_view line = TrimLine(raw);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        const std::string_view key = TrimLine(line.substr(0, equals));
        const std::string_view file = TrimLine(line.substr(equals + 1));
        if (!key.empty() && !file.empty())
            lines.push_back({LeadingNumber(WithoutEnginePrefix(key)), std::string(file)});
    }
    return lines;
}
