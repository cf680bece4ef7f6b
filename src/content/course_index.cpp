#include "content/course_index.h"

#include "content/text_lines.h"

std::vector<std::string> ParseCourseIndex(std::string_view bytes) {
    std::vector<std::string> entries;
    for (const std::string_view line : SplitTextLines(bytes)) {
        if (const std::string_view entry = TrimLine(line); !entry.empty())
            entries.emplace_back(entry);
    }
    return entries;
}

CourseEntry SplitCourseEntry(std::string_view entry) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
        return {entry, entry};
    }
    return {entry.substr(0, equals), entry.substr(equals + 1)};
}
