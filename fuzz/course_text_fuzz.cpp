// Reads arbitrary bytes as a course index and as a decoded lesson (header line, markup, sections),
// through every page builder the tutor runs on them. Beyond memory safety it checks the promises
// the tutor relies on: index entries are trimmed and never empty, a click on any entry's raw name
// finds an entry with that name, and a lesson page never holds more lines than its limit.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "content/course_index.h"
#include "content/page_text.h"
#include "content/section_selector.h"
#include "content/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> entries = ParseCourseIndex(text);
    for (const std::string& entry : entries) {
        if (entry.empty() || TrimLine(entry) != entry) {
            std::abort();
        }
        const std::string name(SplitCourseEntry(entry).name);
        const int found =
            FindCourseEntry(entries, name, [](std::string_view n) { return std::string(n); });
        if (found < 0 || SplitCourseEntry(entries[found]).name != name) {
            std::abort();
        }
    }
    BuildContentsPageText("/course", entries);

    for (const int section : {1, 2, 10}) {
        std::string header = text.substr(0, text.find('\n'));
        BuildSectionSelector(header, section);
        for (const bool chinese : {true, false}) {
            const LessonPageText page = BuildLessonPageText(
                &text, {"/c#ourse?", "les.son.dat", section, chinese, !chinese});
            if (page.lineCount && *page.lineCount > kMaxPageLines) {
                std::abort();
            }
        }
    }
    return 0;
}
