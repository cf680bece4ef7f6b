#pragma once

#include <string_view>

// The number at the start of `text`, read the way the lesson tables and section headers expect:
// leading white space (space, tab, CR, LF, vertical tab, form feed) and one sign are allowed,
// reading stops at the first non-digit, and no digits give 0. A value beyond the int range gives
// INT_MAX or INT_MIN.
int LeadingNumber(std::string_view text);
