#include "content/leading_number.h"

#include <limits>

int LeadingNumber(std::string_view text) {
    std::size_t pos = text.find_first_not_of(" \t\r\n\v\f");
    if (pos == std::string_view::npos) {
        return 0;
    }
    const bool negative = text[pos] == '-';
    if (text[pos] == '-' || text[pos] == '+') {
        ++pos;
    }
    // Accumulated as a negative number, whose range includes INT_MIN.
    constexpr int kMin = std::numeric_limits<int>::min();
    int value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        const int digit = text[pos] - '0';
        if (value < (kMin + digit) / 10) {
            return negative ? kMin : std::numeric_limits<int>::max();
        }
        value = value * 10 - digit;
    }
    if (negative) {
        return value;
    }
    return value == kMin ? std::numeric_limits<int>::max() : -value;
}
