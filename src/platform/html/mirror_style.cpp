#include "platform/html/mirror_style.h"

#include <cstddef>
#include <vector>

#include "platform/html/mirror_ascii.h"

namespace page_mirror_detail {

namespace {

struct Declaration {
    std::string_view name;
    std::string_view value;
};

std::vector<Declaration> ParseDeclarations(std::string_view style) {
    std::vector<Declaration> declarations;
    auto take = [&](std::string_view text) {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        const std::string_view name = TrimWhiteSpace(text.substr(0, colon));
        if (!name.empty()) {
            declarations.push_back({name, TrimWhiteSpace(text.substr(colon + 1))});
        }
    };
    char quote = 0;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < style.size(); ++i) {
        const char c = style[i];
        if (c == '\\') {
            ++i;
        } else if (quote != 0) {
            if (c == quote) {
                quote = 0;
            }
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0) {
                --depth;
            }
        } else if (c == ';' && depth == 0) {
            take(style.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < style.size()) {
        take(style.substr(start));
    }
    return declarations;
}

void AppendDeclaration(std::string& out, std::string_view name, std::string_view value) {
    if (!out.empty()) {
        out += "; ";
    }
    out += name;
    out += ": ";
    out += value;
}

}  // namespace

std::string StyleValue(std::string_view style, std::string_view property) {
    std::string_view value;
    for (const Declaration& declaration : ParseDeclarations(style)) {
        if (EqualsIgnoringAsciiCase(declaration.name, property)) {
            value = declaration.value;
        }
    }
    return std::string(value);
}

std::string WithStyleValue(std::string_view style, std::string_view property,
                           std::string_view value) {
    std::string rewritten;
    bool placed = false;
    for (const Declaration& declaration : ParseDeclarations(style)) {
        if (!EqualsIgnoringAsciiCase(declaration.name, property)) {
            AppendDeclaration(rewritten, declaration.name, declaration.value);
        } else if (!placed && !value.empty()) {
            AppendDeclaration(rewritten, declaration.name, value);
            placed = true;
        }
    }
    if (!placed && !value.empty()) {
        AppendDeclaration(rewritten, property, value);
    }
    return rewritten;
}

}  // namespace page_mirror_detail
