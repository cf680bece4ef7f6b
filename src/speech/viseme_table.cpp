#include "speech/viseme_table.h"

#include "content/course_index.h"
#include "content/leading_number.h"

std::vector<VisemeLine> ParseVisemeTable(std::string_view text) {
    static constexpr std::string_view kPrefix = "SP_VISEME_";
    std::vector<VisemeLine> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = TrimIndexLine(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string key(TrimIndexLine(line.substr(0, equals)));
        const std::string_view file = TrimIndexLine(line.substr(equals + 1));
        if (key.empty() || file.empty())
            continue;
        for (size_t at = key.find(kPrefix); at != std::string::npos; at = key.find(kPrefix, at))
            key.replace(at, kPrefix.size(), "0");
        lines.push_back({LeadingNumber(key), std::string(file)});
    }
    return lines;
}
