#pragma once

#include <gumbo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/html/page_mirror.h"

// The mirror's document tree, shared by the files that build, write and read it; only the page
// mirror's own files include this.
namespace page_mirror_detail {

enum class NodeKind : std::uint8_t { kDocument, kElement, kText, kComment };

struct Attribute {
    std::string name;
    std::string value;
};

struct Node {
    NodeKind kind = NodeKind::kDocument;
    GumboNamespaceEnum ns = GUMBO_NAMESPACE_HTML;
    GumboTag tag = GUMBO_TAG_UNKNOWN;  // also set for foreign elements whose name gumbo knows
    PageMirror::Handle handle = 0;
    std::string name;  // elements: the tag name as serialized
    std::string data;  // text and comments: the characters
    std::vector<Attribute> attributes;
    Node* parent = nullptr;
    std::vector<std::unique_ptr<Node>> children;

    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    ~Node();

    bool IsHtml(GumboTag htmlTag) const {
        return kind == NodeKind::kElement && ns == GUMBO_NAMESPACE_HTML && tag == htmlTag;
    }
};

// Visits the descendants of `root` in document order without recursion, since course data may
// nest elements very deeply: enter(node) before a node's children, leave(node) after them. When
// enter returns false, the node's children and its leave are skipped.
template <typename Enter, typename Leave>
void Walk(const Node& root, Enter&& enter, Leave&& leave) {
    struct Frame {
        const Node* node;
        std::size_t next;
    };
    std::vector<Frame> stack{{&root, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.node->children.size()) {
            if (stack.size() > 1) {
                leave(*top.node);
            }
            stack.pop_back();
            continue;
        }
        const Node& child = *top.node->children[top.next++];
        if (enter(child)) {
            stack.push_back({&child, 0});
        }
    }
}

// Attribute names compare without regard to ASCII case.
const std::string* FindAttribute(const Node& node, std::string_view name);
void SetAttribute(Node& node, std::string_view name, std::string value);
void RemoveAttribute(Node& node, std::string_view name);

// An HTML element that can hold no content (img, br, ...).
bool IsVoidElement(const Node& node);

}  // namespace page_mirror_detail
