// Writing the mirror's tree as HTML that parses back to the same tree, each element carrying its
// handle, for the renderer.

#include <gumbo.h>

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/html/mirror_node.h"
#include "platform/html/page_mirror.h"

namespace {

using page_mirror_detail::Attribute;
using page_mirror_detail::IsVoidElement;
using page_mirror_detail::Node;
using page_mirror_detail::NodeKind;
using page_mirror_detail::Walk;

// Elements whose text the tokenizer reads raw, so it is written back unescaped.
bool HoldsRawText(const Node& node) {
    if (node.kind != NodeKind::kElement || node.ns != GUMBO_NAMESPACE_HTML) {
        return false;
    }
    switch (node.tag) {
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_PLAINTEXT:
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_XMP:
            return true;
        default:
            return false;
    }
}

// The parser drops a line feed right after these start tags.
bool DropsLeadingNewline(const Node& node) {
    return node.IsHtml(GUMBO_TAG_PRE) || node.IsHtml(GUMBO_TAG_TEXTAREA) ||
           node.IsHtml(GUMBO_TAG_LISTING);
}

void AppendEscaped(std::string& out, std::string_view text, bool inAttribute) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += inAttribute ? "&quot;" : "\"";
                break;
            case '\xC2':  // U+00A0 is C2 A0
                if (i + 1 < text.size() && text[i + 1] == '\xA0') {
                    out += "&nbsp;";
                    ++i;
                } else {
                    out += c;
                }
                break;
            default:
                out += c;
        }
    }
}

void AppendStartTag(std::string& out, const Node& element) {
    out += '<';
    out += element.name;
    for (const Attribute& attribute : element.attributes) {
        out += ' ';
        out += attribute.name;
        out += "=\"";
        AppendEscaped(out, attribute.value, true);
        out += '"';
    }
    out += ' ';
    out += PageMirror::kHandleAttribute;
    out += "=\"";
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, element.handle);
    out.append(digits, written.ptr);
    out += "\">";
}

void AppendChildrenHtml(std::string& out, const Node& parent) {
    // Nothing closes <plaintext>: the parser reads all that follows as its text, so whatever the
    // tree holds after it can't be written (a parsed tree holds nothing there).
    bool inPlaintext = false;
    Walk(
        parent,
        [&](const Node& node) {
            if (inPlaintext) {
                return false;
            }
            switch (node.kind) {
                case NodeKind::kText:
                    if (HoldsRawText(*node.parent)) {
                        out += node.data;
                    } else {
                        AppendEscaped(out, node.data, false);
                    }
                    return false;
                case NodeKind::kComment:
                    out += "<!--";
                    out += node.data;
                    out += "-->";
                    return false;
                case NodeKind::kElement:
                    break;
                case NodeKind::kDocument:
                    return false;
            }
            AppendStartTag(out, node);
            if (IsVoidElement(node)) {
                return false;
            }
            if (DropsLeadingNewline(node) && !node.children.empty() &&
                node.children.front()->kind == NodeKind::kText &&
                node.children.front()->data.starts_with('\n')) {
                out += '\n';
            }
            return true;
        },
        [&](const Node& node) {
            inPlaintext = inPlaintext || node.IsHtml(GUMBO_TAG_PLAINTEXT);
            if (inPlaintext) {
                return;
            }
            out += "</";
            out += node.name;
            out += '>';
        });
}

}  // namespace

std::string PageMirror::Serialize() const {
    std::string out = doctype_;
    AppendChildrenHtml(out, *document_);
    return out;
}

std::string PageMirror::SerializeChildren(Handle element) const {
    std::string out;
    if (const Node* node = Find(element)) {
        AppendChildrenHtml(out, *node);
    }
    return out;
}
