#include "content/course_index.h"

namespace {

constexpr std::string_view kIndexWhiteSpace = " \t\r\n\v\f";

}  // namespace

std::string_view TrimIndexLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(kIndexWhiteSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = line.find_last_not_of(kIndexWhiteSpace);
    return line.substr(first, last - first + 1);
}

std::vector<std::string> ParseCourseIndex(std::string_view bytes) {
    std::vector<std::string> entries;
    while (!bytes.empty()) {
        // A CR before the LF is white space and goes with the trimming.
        const std::size_t end = bytes.find('\n');
        const std::string_view entry = TrimIndexLine(bytes.substr(0, end));
        if (!entry.empty()) {
            entries.emplace_back(entry);
        }
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
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
