#pragma once

#include <string>
#include <string_view>

// The inline style attribute, read and rewritten as a list of "name: value" declarations. They are
// split at semicolons outside quotes and parentheses (url(a;b), "a;b"; a backslash escapes the next
// character); names and values are trimmed of white space, and text without a colon or without a
// name before it is no declaration.
namespace page_mirror_detail {

// The value of the last declaration of `property` (any ASCII case) in `style`; "" when there is
// none.
std::string StyleValue(std::string_view style, std::string_view property);

// `style` with `property` set to `value`, stored as given: an existing declaration keeps its place
// (later duplicates go), a new one is appended, an empty value removes the property. The other
// declarations are kept, written "name: value" and joined by "; "; text that is not a declaration
// is dropped.
std::string WithStyleValue(std::string_view style, std::string_view property,
                           std::string_view value);

}  // namespace page_mirror_detail
