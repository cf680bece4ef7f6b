#include "platform/html/mirror_node.h"

#include <utility>

#include "platform/html/mirror_ascii.h"

namespace page_mirror_detail {

// Tears the subtree down without recursion: course data may nest elements very deeply.
Node::~Node() {
    std::vector<std::unique_ptr<Node>> doomed = std::move(children);
    while (!doomed.empty()) {
        std::unique_ptr<Node> last = std::move(doomed.back());
        doomed.pop_back();
        for (auto& child : last->children) {
            doomed.push_back(std::move(child));
        }
        last->children.clear();
    }
}

const std::string* FindAttribute(const Node& node, std::string_view name) {
    for (const Attribute& attribute : node.attributes) {
        if (EqualsIgnoringAsciiCase(attribute.name, name)) {
            return &attribute.value;
        }
    }
    return nullptr;
}

void SetAttribute(Node& node, std::string_view name, std::string value) {
    for (Attribute& attribute : node.attributes) {
        if (EqualsIgnoringAsciiCase(attribute.name, name)) {
            attribute.value = std::move(value);
            return;
        }
    }
    node.attributes.push_back({std::string(name), std::move(value)});
}

void RemoveAttribute(Node& node, std::string_view name) {
    std::erase_if(node.attributes, [&](const Attribute& attribute) {
        return EqualsIgnoringAsciiCase(attribute.name, name);
    });
}

bool IsVoidElement(const Node& node) {
    if (node.kind != NodeKind::kElement || node.ns != GUMBO_NAMESPACE_HTML) {
        return false;
    }
    switch (node.tag) {
        case GUMBO_TAG_AREA:
        case GUMBO_TAG_BASE:
        case GUMBO_TAG_BASEFONT:
        case GUMBO_TAG_BGSOUND:
        case GUMBO_TAG_BR:
        case GUMBO_TAG_COL:
        case GUMBO_TAG_EMBED:
        case GUMBO_TAG_FRAME:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_IMG:
        case GUMBO_TAG_INPUT:
        case GUMBO_TAG_KEYGEN:
        case GUMBO_TAG_LINK:
        case GUMBO_TAG_META:
        case GUMBO_TAG_PARAM:
        case GUMBO_TAG_SOURCE:
        case GUMBO_TAG_TRACK:
        case GUMBO_TAG_WBR:
            return true;
        default:
            return false;
    }
}

}  // namespace page_mirror_detail
