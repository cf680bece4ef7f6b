#pragma once

#include <string_view>
#include <vector>

// `line` without leading and trailing space, tab, CR, LF, vertical tab and form feed.
std::string_view TrimLine(std::string_view line);

// The lines of a text read in text mode: a line ends at LF or CR LF, the end is not part of the
// line, and a last line without an end counts.
std::vector<std::string_view> SplitTextLines(std::string_view text);
