#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The course index "cntindex.idx": one lesson per line, "NAME=FILE", in the system code page.

// The entries of an index file's bytes in file order: every line (ended by LF, CR LF or a bare CR;
// a last line without an end counts) trimmed, and skipped when nothing is left.
std::vector<std::string> ParseCourseIndex(std::string_view bytes);

// An entry split at its first "=". Neither part is trimmed again; an entry without "=" is both its
// own name and its own file.
struct CourseEntry {
    std::string_view name;
    std::string_view file;
};
CourseEntry SplitCourseEntry(std::string_view entry);

// The entry a click on a contents-page row opens: the first whose NAME equals the clicked text
// byte for byte; failing that, the first whose NAME as the page shows it (`displayed`, which
// turns a NAME fragment into the text a click reports) equals it, so that a name with doubled
// blanks, a tab or markup can still be opened. -1 when none matches.
int FindCourseEntry(const std::vector<std::string>& entries, std::string_view clicked,
                    const std::function<std::string(std::string_view)>& displayed);
