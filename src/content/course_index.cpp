#include "content/course_index.h"

#include "content/text_lines.h"

std::vector<std::string> ParseCourseIndex(std::string_view bytes) {
    std::vector<std::string> entries;
    for (std::string_view line : SplitTextLines(bytes)) {
        // A bare CR (a file from an old Mac editor) ends a line too; otherwise every name after
        // the first would hide inside one entry that no click can ever match.
        for (std::size_t cr = line.find('\r'); !line.empty(); cr = line.find('\r')) {
            const std::string_view entry = TrimLine(line.substr(0, cr));
            if (!entry.empty()) {
                entries.emplace_back(entry);
            }
            line = cr == std::string_view::npos ? std::string_view() : line.substr(cr + 1);
        }
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

int FindCourseEntry(const std::vector<std::string>& entries, std::string_view clicked,
                    const std::function<std::string(std::string_view)>& displayed) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (SplitCourseEntry(entries[i]).name == clicked) {
            return static_cast<int>(i);
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (displayed(SplitCourseEntry(entries[i]).name) == clicked) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
