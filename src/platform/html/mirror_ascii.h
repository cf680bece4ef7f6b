#pragma once

#include <cstddef>
#include <string_view>

// ASCII rules of HTML, for the page mirror's own files: HTML white space is space, tab, LF, CR and
// FF (not VT), and names compare without regard to ASCII case only.
namespace page_mirror_detail {

inline bool IsAsciiWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

inline std::string_view TrimWhiteSpace(std::string_view s) {
    while (!s.empty() && IsAsciiWhiteSpace(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsAsciiWhiteSpace(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

inline char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace page_mirror_detail
