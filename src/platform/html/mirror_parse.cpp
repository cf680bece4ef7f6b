// Reading gumbo's tree into the mirror: Load, SetInnerHtml and the doctype.
//
// All strings are UTF-8. HTML is parsed by gumbo (0.10) with the HTML5 rules, so malformed markup
// gives the tree a browser would build, with these known differences:
// - scripting is disabled: the content of <noscript> becomes elements (never shown as text),
//   where the renderer, with scripting on, holds it as raw text; markup around a <noscript> may
//   also nest differently (it stops the implied closing of an open <li>, for one);
// - quirks mode: fragments are always parsed in no-quirks mode, and for whole documents gumbo
//   applies only the exact-match doctype rules, not the prefix ones (an HTML 4.0 Transitional page
//   is parsed in no-quirks mode). The only parsing difference is that a <table> start tag closes
//   an open <p> in no-quirks mode. The renderer parses the mirror's serialization, which closes
//   that <p> explicitly, so both still hold the same tree;
// - in fragments, HTML tags inside inline SVG or MathML stay inside it (the older rule), where a
//   current browser would close the SVG first. The renderer then nests them differently, though
//   every element keeps its handle, tag and attributes;
// - a <form> in content set inside a form: a browser drops its start tag, gumbo keeps the form.
//
// Some parses give trees that no serialization parses back to: foster parenting (content moved out
// of a table), misnested formatting elements, forms nested through a stray </form>. The mirror
// notices them (nodes out of source order, a form in a form) and then parses its own serialization
// once more, keeping the tree that the renderer will build from it. A regular page parses once.
// Two contrived cases stay, as in browsers: a <script> whose text opens "<!--" and then "<script"
// without closing them (it ran to the end of the input, and its end tag would read as more of its
// text), and table cells directly in a <template> inside an open <a> or other formatting element
// (a later <a> nests in the first, which the written end tags then prevent).

#include <gumbo.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/html/mirror_ascii.h"
#include "platform/html/mirror_node.h"
#include "platform/html/page_mirror.h"

namespace {

using page_mirror_detail::AsciiLower;
using page_mirror_detail::IsVoidElement;
using page_mirror_detail::Node;
using page_mirror_detail::NodeKind;

// Written for a malformed doctype whose quirks mode its fields don't show: gumbo and browsers alike
// read the first as quirks mode, the second as no-quirks (limited quirks parses as no-quirks).
constexpr std::string_view kQuirksDoctype =
    R"(<!DOCTYPE html PUBLIC "-//W3O//DTD W3 HTML Strict 3.0//EN//">)";
constexpr std::string_view kNoQuirksDoctype = "<!DOCTYPE html>";

// What the tokenizer makes of a NUL in a tag name: U+FFFD.
constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

class ParsedHtml {
  public:
    ParsedHtml(const GumboOptions& options, std::string_view html)
        : options_(options),
          output_(
              gumbo_parse_with_options(&options_, html.empty() ? "" : html.data(), html.size())) {}
    ~ParsedHtml() { gumbo_destroy_output(&options_, output_); }
    ParsedHtml(const ParsedHtml&) = delete;
    ParsedHtml& operator=(const ParsedHtml&) = delete;

    const GumboNode& Document() const { return *output_->document; }
    const GumboNode& Root() const { return *output_->root; }

  private:
    GumboOptions options_;
    GumboOutput* output_;
};

GumboOptions ParseOptions() {
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;  // the mirror reports no parse errors; don't collect them
    return options;
}

// Whether a form encloses `node` below `top`, the element that receives the parsed content.
bool HasFormBelow(const Node& node, const Node& top) {
    for (const Node* ancestor = &node; ancestor != &top; ancestor = ancestor->parent) {
        if (ancestor->IsHtml(GUMBO_TAG_FORM)) {
            return true;
        }
    }
    return false;
}

const GumboVector& ChildrenOf(const GumboNode& node) {
    return node.type == GUMBO_NODE_DOCUMENT ? node.v.document.children : node.v.element.children;
}

// The tag name as the start tag wrote it, the way the tokenizer normalizes names.
std::string SourceTagName(const GumboElement& element) {
    GumboStringPiece piece = element.original_tag;
    gumbo_tag_from_original_text(&piece);
    std::string name;
    for (std::size_t i = 0; i < piece.length; ++i) {
        const char c = piece.data[i];
        if (c == '\0') {
            name += kReplacementCharacter;
        } else {
            name += AsciiLower(c);
        }
    }
    return name;
}

std::string ElementName(const GumboElement& element) {
    if (element.tag_namespace == GUMBO_NAMESPACE_SVG && element.original_tag.length > 0) {
        GumboStringPiece piece = element.original_tag;
        gumbo_tag_from_original_text(&piece);
        if (const char* adjusted = gumbo_normalize_svg_tagname(&piece)) {
            return adjusted;
        }
    }
    if (element.tag != GUMBO_TAG_UNKNOWN) {
        return gumbo_normalized_tagname(element.tag);
    }
    return SourceTagName(element);
}

std::string AttributeName(const GumboAttribute& attribute) {
    switch (attribute.attr_namespace) {
        case GUMBO_ATTR_NAMESPACE_XLINK:
            return std::string("xlink:") + attribute.name;
        case GUMBO_ATTR_NAMESPACE_XML:
            return std::string("xml:") + attribute.name;
        case GUMBO_ATTR_NAMESPACE_XMLNS:
            return std::string_view(attribute.name) == "xmlns"
                       ? std::string("xmlns")
                       : std::string("xmlns:") + attribute.name;
        case GUMBO_ATTR_NAMESPACE_NONE:
            break;
    }
    return attribute.name;
}

std::unique_ptr<Node> MakeElement(const GumboElement& source) {
    auto element = std::make_unique<Node>();
    element->kind = NodeKind::kElement;
    element->ns = source.tag_namespace;
    element->tag = source.tag;
    element->name = ElementName(source);
    for (unsigned i = 0; i < source.attributes.length; ++i) {
        const auto& attribute = *static_cast<const GumboAttribute*>(source.attributes.data[i]);
        std::string name = AttributeName(attribute);
        // Reserved, so that course data can never impersonate another element.
        if (name == PageMirror::kHandleAttribute) {
            continue;
        }
        element->attributes.push_back({std::move(name), attribute.value});
    }
    return element;
}

Node& AppendChild(Node& parent, std::unique_ptr<Node> child) {
    child->parent = &parent;
    parent.children.push_back(std::move(child));
    return *parent.children.back();
}

// Adjacent text is one node, as in a browser's tree after parsing.
void AppendText(Node& parent, std::string_view text) {
    if (!parent.children.empty() && parent.children.back()->kind == NodeKind::kText) {
        parent.children.back()->data += text;
        return;
    }
    auto node = std::make_unique<Node>();
    node->kind = NodeKind::kText;
    node->data = text;
    AppendChild(parent, std::move(node));
}

// ---- Doctype -------------------------------------------------------------------------------

GumboQuirksModeEnum RenderingModeOf(std::string_view html) {
    const ParsedHtml parsed(ParseOptions(), html);
    return parsed.Document().v.document.doc_type_quirks_mode;
}

void AppendQuotedIdentifier(std::string& out, std::string_view identifier) {
    // A parsed identifier holds at most one kind of quote: the other one delimited it.
    const char quote = identifier.find('"') == std::string_view::npos ? '"' : '\'';
    out += ' ';
    out += quote;
    out += identifier;
    out += quote;
}

// The doctype as parsed, so that the renderer lays the page out in the mode it asks for.
std::string DoctypeText(const GumboDocument& document) {
    if (!document.has_doctype) {
        return {};
    }
    std::string text = "<!DOCTYPE";
    const std::string_view name = document.name;
    const std::string_view publicId = document.public_identifier;
    const std::string_view systemId = document.system_identifier;
    if (!name.empty()) {
        text += ' ';
        text += name;
    }
    if (!publicId.empty()) {
        text += " PUBLIC";
        AppendQuotedIdentifier(text, publicId);
        if (!systemId.empty()) {
            AppendQuotedIdentifier(text, systemId);
        }
    } else if (!systemId.empty()) {
        text += " SYSTEM";
        AppendQuotedIdentifier(text, systemId);
    }
    text += '>';
    if (RenderingModeOf(text) == document.doc_type_quirks_mode) {
        return text;
    }
    return std::string(document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS ? kQuirksDoctype
                                                                             : kNoQuirksDoctype);
}

}  // namespace

bool PageMirror::AppendParsed(Node& parent, const GumboInternalNode& gumboParent) {
    bool irregular = false;
    std::size_t furthest = 0;
    struct Frame {
        const GumboVector* children;
        unsigned next;
        Node* target;
    };
    std::vector<Frame> stack{{&ChildrenOf(gumboParent), 0, &parent}};
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.children->length) {
            stack.pop_back();
            continue;
        }
        const auto& source = *static_cast<const GumboNode*>(frame.children->data[frame.next++]);
        Node& target = *frame.target;
        // In a regular parse, nodes come in the order of their source. Foster parenting, the
        // adoption agency and reconstructed formatting elements place nodes before others that
        // came earlier; such trees may have no serialization that parses back to them.
        const std::size_t offset =
            source.type == GUMBO_NODE_ELEMENT || source.type == GUMBO_NODE_TEMPLATE
                ? source.v.element.start_pos.offset
                : source.v.text.start_pos.offset;
        irregular = irregular || offset < furthest;
        furthest = std::max(furthest, offset);
        switch (source.type) {
            case GUMBO_NODE_ELEMENT:
            case GUMBO_NODE_TEMPLATE: {
                Node& element = AppendChild(target, MakeElement(source.v.element));
                // The form element pointer keeps a reparse from nesting forms.
                irregular =
                    irregular || (element.IsHtml(GUMBO_TAG_FORM) && HasFormBelow(target, parent));
                element.handle = ++lastHandle_;
                elements_.emplace(element.handle, &element);
                stack.push_back({&source.v.element.children, 0, &element});
                break;
            }
            case GUMBO_NODE_TEXT:
            case GUMBO_NODE_WHITESPACE:
            case GUMBO_NODE_CDATA:
                AppendText(target, source.v.text.text);
                break;
            case GUMBO_NODE_COMMENT: {
                auto comment = std::make_unique<Node>();
                comment->kind = NodeKind::kComment;
                comment->data = source.v.text.text;
                AppendChild(target, std::move(comment));
                break;
            }
            case GUMBO_NODE_DOCUMENT:
                break;
        }
    }
    return irregular;
}

void PageMirror::Load(std::string_view html) {
    std::string reparsed;
    for (int pass = 1;; ++pass) {
        const ParsedHtml parsed(ParseOptions(), html);
        elements_.clear();
        idIndexValid_ = false;
        document_ = std::make_unique<Node>();
        doctype_ = DoctypeText(parsed.Document().v.document);
        if (!AppendParsed(*document_, parsed.Document()) || pass == 2) {
            return;
        }
        reparsed = Serialize();
        html = reparsed;
    }
}

void PageMirror::SetInnerHtml(Handle element, std::string_view fragment) {
    Node* target = Find(element);
    if (target == nullptr || IsVoidElement(*target)) {
        return;
    }
    GumboOptions options = ParseOptions();
    options.fragment_context = target->tag;
    options.fragment_namespace = target->ns;
    std::string reparsed;
    for (int pass = 1;; ++pass) {
        const ParsedHtml parsed(options, fragment);
        ForgetDescendants(*target);
        target->children.clear();
        idIndexValid_ = false;
        if (!AppendParsed(*target, parsed.Root()) || pass == 2) {
            return;
        }
        reparsed = SerializeChildren(element);
        fragment = reparsed;
    }
}
