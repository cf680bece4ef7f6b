#pragma once

#include <string>
#include <string_view>
#include <vector>

// The course index "cntindex.idx": one lesson per line, "NAME=FILE", in the system code page.

// The entries of an index file's bytes in file order: every line (ended by LF or CR LF; a last
// line without an end counts) trimmed, and skipped when nothing is left.
std::vector<std::string> ParseCourseIndex(std::string_view bytes);

// An entry split at its first "=". Neither part is trimmed again; an entry without "=" is both its
// own name and its own file.
struct CourseEntry {
    std::string_view name;
    std::string_view file;
};
CourseEntry SplitCourseEntry(std::string_view entry);
