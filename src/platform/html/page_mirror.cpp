// The mirror's handles, its id index and the reads that need nothing more; parsing, writing, the
// inner text, inline style and selection have files of their own (see page_mirror.h).

#include "platform/html/page_mirror.h"

#include <gumbo.h>

#include "platform/html/mirror_ascii.h"
#include "platform/html/mirror_inner_text.h"
#include "platform/html/mirror_node.h"
#include "platform/html/mirror_style.h"

using page_mirror_detail::FindAttribute;
using page_mirror_detail::NodeKind;

PageMirror::PageMirror() : document_(std::make_unique<Node>()) {}
PageMirror::~PageMirror() = default;

PageMirror::Node* PageMirror::Find(Handle element) const {
    const auto found = elements_.find(element);
    return found == elements_.end() ? nullptr : found->second;
}

void PageMirror::ForgetDescendants(const Node& node) {
    page_mirror_detail::Walk(
        node,
        [&](const Node& descendant) {
            if (descendant.kind != NodeKind::kElement) {
                return false;
            }
            elements_.erase(descendant.handle);
            return true;
        },
        [](const Node&) {});
}

PageMirror::Handle PageMirror::Body() const {
    for (const auto& top : document_->children) {
        if (!top->IsHtml(GUMBO_TAG_HTML)) {
            continue;
        }
        for (const auto& child : top->children) {
            if (child->IsHtml(GUMBO_TAG_BODY)) {
                return child->handle;
            }
        }
    }
    return 0;
}

// The index from id to the first element with it is built by one walk over the tree on the first
// lookup after the tree changed shape (Load, SetInnerHtml) and then answers in constant time; style
// and selection writes keep it. A lesson page thus pays one walk per build, not one per line
// lookup.
PageMirror::Handle PageMirror::FindById(std::string_view id) const {
    if (id.empty()) {
        return 0;
    }
    if (!idIndexValid_) {
        idIndex_.clear();
        page_mirror_detail::Walk(
            *document_,
            [&](const Node& node) {
                if (node.kind != NodeKind::kElement) {
                    return false;
                }
                const std::string* value = FindAttribute(node, "id");
                if (value != nullptr && !value->empty()) {
                    idIndex_.try_emplace(*value, node.handle);
                }
                return true;
            },
            [](const Node&) {});
        idIndexValid_ = true;
    }
    const auto found = idIndex_.find(id);
    return found == idIndex_.end() ? 0 : found->second;
}

std::vector<PageMirror::Handle> PageMirror::FindByClass(Handle root,
                                                        std::string_view className) const {
    std::vector<Handle> found;
    const Node* node = Find(root);
    if (node == nullptr) {
        return found;
    }
    page_mirror_detail::Walk(
        *node,
        [&](const Node& child) {
            if (child.kind != NodeKind::kElement) {
                return false;
            }
            const std::string* value = FindAttribute(child, "class");
            if (value != nullptr && *value == className) {
                found.push_back(child.handle);
            }
            return true;
        },
        [](const Node&) {});
    return found;
}

bool PageMirror::Contains(Handle element) const {
    return Find(element) != nullptr;
}

PageMirror::Handle PageMirror::Parent(Handle element) const {
    const Node* node = Find(element);
    return node != nullptr ? node->parent->handle : 0;
}

std::string PageMirror::TagName(Handle element) const {
    const Node* node = Find(element);
    return node != nullptr ? node->name : std::string();
}

std::string PageMirror::Attribute(Handle element, std::string_view name) const {
    const Node* node = Find(element);
    const std::string* value = node != nullptr ? FindAttribute(*node, name) : nullptr;
    return value != nullptr ? *value : std::string();
}

bool PageMirror::HasAttribute(Handle element, std::string_view name) const {
    const Node* node = Find(element);
    return node != nullptr && FindAttribute(*node, name) != nullptr;
}

std::string PageMirror::InnerText(Handle element) const {
    const Node* node = Find(element);
    return node != nullptr ? page_mirror_detail::InnerTextOf(*node) : std::string();
}

std::string PageMirror::Style(Handle element, std::string_view property) const {
    const Node* node = Find(element);
    const std::string* style = node != nullptr ? FindAttribute(*node, "style") : nullptr;
    return style != nullptr ? page_mirror_detail::StyleValue(*style, property) : std::string();
}

void PageMirror::SetStyle(Handle element, std::string_view property, std::string_view value) {
    Node* node = Find(element);
    if (node == nullptr || page_mirror_detail::TrimWhiteSpace(property).empty()) {
        return;
    }
    const std::string* style = FindAttribute(*node, "style");
    if (style == nullptr && value.empty()) {
        return;
    }
    page_mirror_detail::SetAttribute(
        *node, "style",
        page_mirror_detail::WithStyleValue(style != nullptr ? std::string_view(*style) : "",
                                           property, value));
}
