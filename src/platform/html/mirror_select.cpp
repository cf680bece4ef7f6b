// The selection of a SELECT, kept in its options' selected attributes as a browser reads them.

#include <gumbo.h>

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/html/mirror_ascii.h"
#include "platform/html/mirror_node.h"
#include "platform/html/page_mirror.h"

namespace {

using page_mirror_detail::FindAttribute;
using page_mirror_detail::Node;
using page_mirror_detail::RemoveAttribute;
using page_mirror_detail::SetAttribute;
using page_mirror_detail::TrimWhiteSpace;

bool IsSelect(const Node* node) {
    return node != nullptr && node->IsHtml(GUMBO_TAG_SELECT);
}

// A browser's list of options: option children and option children of optgroup children.
std::vector<Node*> OptionsOf(const Node& select) {
    std::vector<Node*> options;
    for (const auto& child : select.children) {
        if (child->IsHtml(GUMBO_TAG_OPTION)) {
            options.push_back(child.get());
        } else if (child->IsHtml(GUMBO_TAG_OPTGROUP)) {
            for (const auto& grandchild : child->children) {
                if (grandchild->IsHtml(GUMBO_TAG_OPTION)) {
                    options.push_back(grandchild.get());
                }
            }
        }
    }
    return options;
}

bool IsDisabledOption(const Node& option) {
    return FindAttribute(option, "disabled") != nullptr ||
           (option.parent->IsHtml(GUMBO_TAG_OPTGROUP) &&
            FindAttribute(*option.parent, "disabled") != nullptr);
}

// Whether a select without the multiple attribute shows one row: its size attribute, read as a
// non-negative integer, is absent, not a number, 0 or 1.
bool ShowsOneRow(const Node& select) {
    const std::string* size = FindAttribute(select, "size");
    if (size == nullptr) {
        return true;
    }
    std::string_view digits = TrimWhiteSpace(*size);
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
    }
    unsigned rows = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), rows);
    return parsed.ec != std::errc() || rows <= 1;
}

}  // namespace

int PageMirror::SelectedIndex(Handle select) const {
    const Node* node = Find(select);
    if (!IsSelect(node)) {
        return -1;
    }
    const std::vector<Node*> options = OptionsOf(*node);
    const bool multiple = FindAttribute(*node, "multiple") != nullptr;
    int selected = -1;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (FindAttribute(*options[i], "selected") == nullptr) {
            continue;
        }
        selected = static_cast<int>(i);
        if (multiple) {
            break;  // a multiple select reports its first selected option
        }
    }
    if (selected >= 0 || multiple || !ShowsOneRow(*node)) {
        return selected;
    }
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (!IsDisabledOption(*options[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void PageMirror::SetSelectedIndex(Handle select, int index) {
    Node* node = Find(select);
    if (!IsSelect(node)) {
        return;
    }
    const std::vector<Node*> options = OptionsOf(*node);
    if (index < 0 || static_cast<std::size_t>(index) >= options.size()) {
        return;
    }
    for (Node* option : options) {
        RemoveAttribute(*option, "selected");
    }
    SetAttribute(*options[static_cast<std::size_t>(index)], "selected", "");
}
