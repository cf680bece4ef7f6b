#include "platform/html/page_mirror.h"

#include <gumbo.h>

#include <algorithm>
#include <charconv>
#include <system_error>
#include <vector>

namespace page_mirror_detail {

enum class NodeKind : std::uint8_t { Document, Element, Text, Comment };

struct Attribute {
    std::string name;
    std::string value;
};

struct Node {
    NodeKind kind = NodeKind::Document;
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

    bool IsHtml(GumboTag t) const {
        return kind == NodeKind::Element && ns == GUMBO_NAMESPACE_HTML && tag == t;
    }
};

// Tears the subtree down without recursion: course data may nest elements very deeply.
Node::~Node() {
    std::vector<std::unique_ptr<Node>> doomed = std::move(children);
    while (!doomed.empty()) {
        std::unique_ptr<Node> last = std::move(doomed.back());
        doomed.pop_back();
        for (auto& child : last->children)
            doomed.push_back(std::move(child));
        last->children.clear();
    }
}

}  // namespace page_mirror_detail

namespace {

using page_mirror_detail::Attribute;
using page_mirror_detail::Node;
using page_mirror_detail::NodeKind;
using Handle = PageMirror::Handle;

// Visits the descendants of `root` in document order without recursion: enter(node) before a
// node's children, leave(node) after them. When enter returns false, the node's children and its
// leave are skipped.
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
            if (stack.size() > 1)
                leave(*top.node);
            stack.pop_back();
            continue;
        }
        const Node& child = *top.node->children[top.next++];
        if (enter(child))
            stack.push_back({&child, 0});
    }
}

bool IsAsciiWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

std::string_view TrimWhiteSpace(std::string_view s) {
    while (!s.empty() && IsAsciiWhiteSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsAsciiWhiteSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

const std::string* FindAttribute(const Node& node, std::string_view name) {
    for (const Attribute& attribute : node.attributes) {
        if (EqualsIgnoringAsciiCase(attribute.name, name))
            return &attribute.value;
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
    std::erase_if(node.attributes,
                  [&](const Attribute& a) { return EqualsIgnoringAsciiCase(a.name, name); });
}

// ---- Parsing -------------------------------------------------------------------------------

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
    for (const Node* n = &node; n != &top; n = n->parent) {
        if (n->IsHtml(GUMBO_TAG_FORM))
            return true;
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
            name += "\xEF\xBF\xBD";
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
        if (const char* adjusted = gumbo_normalize_svg_tagname(&piece))
            return adjusted;
    }
    if (element.tag != GUMBO_TAG_UNKNOWN)
        return gumbo_normalized_tagname(element.tag);
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
    element->kind = NodeKind::Element;
    element->ns = source.tag_namespace;
    element->tag = source.tag;
    element->name = ElementName(source);
    for (unsigned i = 0; i < source.attributes.length; ++i) {
        const auto& attribute = *static_cast<const GumboAttribute*>(source.attributes.data[i]);
        std::string name = AttributeName(attribute);
        if (name == PageMirror::kHandleAttribute)
            continue;
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
    if (!parent.children.empty() && parent.children.back()->kind == NodeKind::Text) {
        parent.children.back()->data += text;
        return;
    }
    auto node = std::make_unique<Node>();
    node->kind = NodeKind::Text;
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

std::string DoctypeText(const GumboDocument& document) {
    if (!document.has_doctype)
        return {};
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
        if (!systemId.empty())
            AppendQuotedIdentifier(text, systemId);
    } else if (!systemId.empty()) {
        text += " SYSTEM";
        AppendQuotedIdentifier(text, systemId);
    }
    text += '>';
    // A malformed doctype can force quirks mode in ways its fields don't show; then write one that
    // gumbo and browsers alike read as quirks (limited quirks parses as no-quirks).
    if (RenderingModeOf(text) == document.doc_type_quirks_mode)
        return text;
    return document.doc_type_quirks_mode == GUMBO_DOCTYPE_QUIRKS
               ? R"(<!DOCTYPE html PUBLIC "-//W3O//DTD W3 HTML Strict 3.0//EN//">)"
               : "<!DOCTYPE html>";
}

// ---- Serialization -------------------------------------------------------------------------

bool IsVoidElement(const Node& node) {
    if (node.kind != NodeKind::Element || node.ns != GUMBO_NAMESPACE_HTML)
        return false;
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

// Elements whose text the tokenizer reads raw, so it is written back unescaped.
bool HoldsRawText(const Node& node) {
    if (node.kind != NodeKind::Element || node.ns != GUMBO_NAMESPACE_HTML)
        return false;
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
            if (inPlaintext)
                return false;
            switch (node.kind) {
                case NodeKind::Text:
                    if (HoldsRawText(*node.parent)) {
                        out += node.data;
                    } else {
                        AppendEscaped(out, node.data, false);
                    }
                    return false;
                case NodeKind::Comment:
                    out += "<!--";
                    out += node.data;
                    out += "-->";
                    return false;
                case NodeKind::Element:
                    break;
                case NodeKind::Document:
                    return false;
            }
            AppendStartTag(out, node);
            if (IsVoidElement(node))
                return false;
            if (DropsLeadingNewline(node) && !node.children.empty() &&
                node.children.front()->kind == NodeKind::Text &&
                node.children.front()->data.starts_with('\n')) {
                out += '\n';
            }
            return true;
        },
        [&](const Node& node) {
            inPlaintext = inPlaintext || node.IsHtml(GUMBO_TAG_PLAINTEXT);
            if (inPlaintext)
                return;
            out += "</";
            out += node.name;
            out += '>';
        });
}

// ---- Inner text ----------------------------------------------------------------------------

bool IsBlock(const Node& node) {
    switch (node.tag) {
        case GUMBO_TAG_ADDRESS:
        case GUMBO_TAG_ARTICLE:
        case GUMBO_TAG_ASIDE:
        case GUMBO_TAG_BLOCKQUOTE:
        case GUMBO_TAG_BODY:
        case GUMBO_TAG_CAPTION:
        case GUMBO_TAG_CENTER:
        case GUMBO_TAG_DD:
        case GUMBO_TAG_DETAILS:
        case GUMBO_TAG_DIR:
        case GUMBO_TAG_DIV:
        case GUMBO_TAG_DL:
        case GUMBO_TAG_DT:
        case GUMBO_TAG_FIELDSET:
        case GUMBO_TAG_FIGCAPTION:
        case GUMBO_TAG_FIGURE:
        case GUMBO_TAG_FOOTER:
        case GUMBO_TAG_FORM:
        case GUMBO_TAG_H1:
        case GUMBO_TAG_H2:
        case GUMBO_TAG_H3:
        case GUMBO_TAG_H4:
        case GUMBO_TAG_H5:
        case GUMBO_TAG_H6:
        case GUMBO_TAG_HEADER:
        case GUMBO_TAG_HGROUP:
        case GUMBO_TAG_HR:
        case GUMBO_TAG_HTML:
        case GUMBO_TAG_LEGEND:
        case GUMBO_TAG_LI:
        case GUMBO_TAG_LISTING:
        case GUMBO_TAG_MAIN:
        case GUMBO_TAG_MENU:
        case GUMBO_TAG_NAV:
        case GUMBO_TAG_OL:
        case GUMBO_TAG_OPTGROUP:
        case GUMBO_TAG_OPTION:
        case GUMBO_TAG_P:
        case GUMBO_TAG_PLAINTEXT:
        case GUMBO_TAG_PRE:
        case GUMBO_TAG_SECTION:
        case GUMBO_TAG_SUMMARY:
        case GUMBO_TAG_TABLE:
        case GUMBO_TAG_TBODY:
        case GUMBO_TAG_TFOOT:
        case GUMBO_TAG_THEAD:
        case GUMBO_TAG_TR:
        case GUMBO_TAG_UL:
        case GUMBO_TAG_XMP:
            return true;
        default:
            return false;
    }
}

bool KeepsWhiteSpace(const Node& node) {
    switch (node.tag) {
        case GUMBO_TAG_LISTING:
        case GUMBO_TAG_PLAINTEXT:
        case GUMBO_TAG_PRE:
        case GUMBO_TAG_XMP:
            return true;
        default:
            return false;
    }
}

bool IsHiddenFromText(const Node& node) {
    switch (node.tag) {
        case GUMBO_TAG_HEAD:
        case GUMBO_TAG_IFRAME:
        case GUMBO_TAG_NOEMBED:
        case GUMBO_TAG_NOFRAMES:
        case GUMBO_TAG_NOSCRIPT:
        case GUMBO_TAG_SCRIPT:
        case GUMBO_TAG_STYLE:
        case GUMBO_TAG_TEMPLATE:
        case GUMBO_TAG_TEXTAREA:
        case GUMBO_TAG_TITLE:
            return true;
        default:
            return false;
    }
}

bool IsCell(const Node& node) {
    return node.tag == GUMBO_TAG_TD || node.tag == GUMBO_TAG_TH;
}

// Builds inner text: collapses white space and places line breaks and tabs so that no line or cell
// starts or ends with a collapsed space and block edges never give empty lines.
class TextBuilder {
  public:
    void Collapsible(std::string_view text) {
        for (const char c : text) {
            if (IsAsciiWhiteSpace(c)) {
                space_ = true;
            } else {
                Flush();
                out_ += c;
            }
        }
    }

    void Verbatim(std::string_view text) {
        if (text.empty())
            return;
        Flush();
        out_ += text;
    }

    void LineBreak() {
        space_ = false;
        FlushBreak();
        out_ += '\n';
    }

    void BlockEdge() {
        space_ = false;
        lineBreak_ = true;
    }

    // Cells of one row stay on one line, whatever blocks the previous cell held.
    void CellSeparator() {
        space_ = false;
        lineBreak_ = false;
        out_ += '\t';
    }

    void CellEnd() { space_ = false; }

    std::string Finish() && { return std::string(TrimWhiteSpace(out_)); }

  private:
    bool AtLineStart() const { return out_.empty() || out_.back() == '\n' || out_.back() == '\t'; }

    void FlushBreak() {
        if (lineBreak_ && !out_.empty() && out_.back() != '\n')
            out_ += '\n';
        lineBreak_ = false;
    }

    void Flush() {
        FlushBreak();
        if (space_ && !AtLineStart())
            out_ += ' ';
        space_ = false;
    }

    std::string out_;
    bool space_ = false;      // collapsed white space, written only before more text on the line
    bool lineBreak_ = false;  // a block edge, written only before more text
};

// ---- Inline style --------------------------------------------------------------------------

struct Declaration {
    std::string_view name;
    std::string_view value;
};

// Splits "name: value; ..." at semicolons outside quotes and parentheses (url(a;b), "a;b").
std::vector<Declaration> ParseDeclarations(std::string_view style) {
    std::vector<Declaration> declarations;
    auto take = [&](std::string_view text) {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos)
            return;
        const std::string_view name = TrimWhiteSpace(text.substr(0, colon));
        if (!name.empty())
            declarations.push_back({name, TrimWhiteSpace(text.substr(colon + 1))});
    };
    char quote = 0;
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < style.size(); ++i) {
        const char c = style[i];
        if (c == '\\') {
            ++i;
        } else if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth > 0)
                --depth;
        } else if (c == ';' && depth == 0) {
            take(style.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < style.size())
        take(style.substr(start));
    return declarations;
}

void AppendDeclaration(std::string& out, std::string_view name, std::string_view value) {
    if (!out.empty())
        out += "; ";
    out += name;
    out += ": ";
    out += value;
}

// ---- Selection -----------------------------------------------------------------------------

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
                if (grandchild->IsHtml(GUMBO_TAG_OPTION))
                    options.push_back(grandchild.get());
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
    if (size == nullptr)
        return true;
    std::string_view digits = TrimWhiteSpace(*size);
    if (digits.starts_with('+'))
        digits.remove_prefix(1);
    unsigned rows = 0;
    const auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), rows);
    return parsed.ec != std::errc() || rows <= 1;
}

}  // namespace

// ---- PageMirror ------------------------------------------------------------------------------

PageMirror::PageMirror() : document_(std::make_unique<Node>()) {}
PageMirror::~PageMirror() = default;

PageMirror::Node* PageMirror::Find(Handle element) const {
    const auto found = elements_.find(element);
    return found == elements_.end() ? nullptr : found->second;
}

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
                comment->kind = NodeKind::Comment;
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

void PageMirror::ForgetDescendants(const Node& node) {
    Walk(
        node,
        [&](const Node& descendant) {
            if (descendant.kind != NodeKind::Element)
                return false;
            elements_.erase(descendant.handle);
            return true;
        },
        [](const Node&) {});
}

void PageMirror::Load(std::string_view html) {
    std::string reparsed;
    for (int pass = 1;; ++pass) {
        const ParsedHtml parsed(ParseOptions(), html);
        elements_.clear();
        idIndexValid_ = false;
        document_ = std::make_unique<Node>();
        doctype_ = DoctypeText(parsed.Document().v.document);
        if (!AppendParsed(*document_, parsed.Document()) || pass == 2)
            return;
        reparsed = Serialize();
        html = reparsed;
    }
}

std::string PageMirror::Serialize() const {
    std::string out = doctype_;
    AppendChildrenHtml(out, *document_);
    return out;
}

std::string PageMirror::SerializeChildren(Handle element) const {
    std::string out;
    if (const Node* node = Find(element))
        AppendChildrenHtml(out, *node);
    return out;
}

PageMirror::Handle PageMirror::Body() const {
    for (const auto& top : document_->children) {
        if (!top->IsHtml(GUMBO_TAG_HTML))
            continue;
        for (const auto& child : top->children) {
            if (child->IsHtml(GUMBO_TAG_BODY))
                return child->handle;
        }
    }
    return 0;
}

PageMirror::Handle PageMirror::FindById(std::string_view id) const {
    if (id.empty())
        return 0;
    if (!idIndexValid_) {
        idIndex_.clear();
        Walk(
            *document_,
            [&](const Node& node) {
                if (node.kind != NodeKind::Element)
                    return false;
                const std::string* value = FindAttribute(node, "id");
                if (value != nullptr && !value->empty())
                    idIndex_.try_emplace(*value, node.handle);
                return true;
            },
            [](const Node&) {});
        idIndexValid_ = true;
    }
    const auto found = idIndex_.find(id);
    return found == idIndex_.end() ? 0 : found->second;
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
    const Node* root = Find(element);
    if (root == nullptr)
        return {};
    int verbatim = 0;
    for (const Node* node = root; node->kind == NodeKind::Element; node = node->parent) {
        if (IsHiddenFromText(*node))
            return {};
        if (KeepsWhiteSpace(*node))
            ++verbatim;
    }
    TextBuilder text;
    std::vector<bool> rowHasCell{false};  // per table row being walked, innermost last
    Walk(
        *root,
        [&](const Node& node) {
            if (node.kind == NodeKind::Text) {
                if (verbatim > 0) {
                    text.Verbatim(node.data);
                } else {
                    text.Collapsible(node.data);
                }
                return false;
            }
            if (node.kind != NodeKind::Element || IsHiddenFromText(node))
                return false;
            if (node.tag == GUMBO_TAG_BR) {
                text.LineBreak();
                return false;
            }
            if (IsBlock(node))
                text.BlockEdge();
            if (IsCell(node)) {
                if (rowHasCell.back())
                    text.CellSeparator();
                rowHasCell.back() = true;
            }
            if (node.tag == GUMBO_TAG_TR)
                rowHasCell.push_back(false);
            if (KeepsWhiteSpace(node))
                ++verbatim;
            return true;
        },
        [&](const Node& node) {
            if (KeepsWhiteSpace(node))
                --verbatim;
            if (node.tag == GUMBO_TAG_TR)
                rowHasCell.pop_back();
            if (IsCell(node))
                text.CellEnd();
            if (IsBlock(node))
                text.BlockEdge();
        });
    return std::move(text).Finish();
}

void PageMirror::SetInnerHtml(Handle element, std::string_view fragment) {
    Node* target = Find(element);
    if (target == nullptr || IsVoidElement(*target))
        return;
    GumboOptions options = ParseOptions();
    options.fragment_context = target->tag;
    options.fragment_namespace = target->ns;
    std::string reparsed;
    for (int pass = 1;; ++pass) {
        const ParsedHtml parsed(options, fragment);
        ForgetDescendants(*target);
        target->children.clear();
        idIndexValid_ = false;
        if (!AppendParsed(*target, parsed.Root()) || pass == 2)
            return;
        reparsed = SerializeChildren(element);
        fragment = reparsed;
    }
}

std::string PageMirror::Style(Handle element, std::string_view property) const {
    const Node* node = Find(element);
    const std::string* style = node != nullptr ? FindAttribute(*node, "style") : nullptr;
    if (style == nullptr)
        return {};
    std::string_view value;
    for (const Declaration& declaration : ParseDeclarations(*style)) {
        if (EqualsIgnoringAsciiCase(declaration.name, property))
            value = declaration.value;
    }
    return std::string(value);
}

void PageMirror::SetStyle(Handle element, std::string_view property, std::string_view value) {
    Node* node = Find(element);
    if (node == nullptr || TrimWhiteSpace(property).empty())
        return;
    const std::string* style = FindAttribute(*node, "style");
    if (style == nullptr && value.empty())
        return;
    std::string rewritten;
    bool placed = false;
    if (style != nullptr) {
        for (const Declaration& declaration : ParseDeclarations(*style)) {
            if (!EqualsIgnoringAsciiCase(declaration.name, property)) {
                AppendDeclaration(rewritten, declaration.name, declaration.value);
            } else if (!placed && !value.empty()) {
                AppendDeclaration(rewritten, declaration.name, value);
                placed = true;
            }
        }
    }
    if (!placed && !value.empty())
        AppendDeclaration(rewritten, property, value);
    SetAttribute(*node, "style", std::move(rewritten));
}

int PageMirror::SelectedIndex(Handle select) const {
    const Node* node = Find(select);
    if (!IsSelect(node))
        return -1;
    const std::vector<Node*> options = OptionsOf(*node);
    const bool multiple = FindAttribute(*node, "multiple") != nullptr;
    int selected = -1;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (FindAttribute(*options[i], "selected") == nullptr)
            continue;
        selected = static_cast<int>(i);
        if (multiple)
            break;  // a multiple select reports its first selected option
    }
    if (selected >= 0 || multiple || !ShowsOneRow(*node))
        return selected;
    for (std::size_t i = 0; i < options.size(); ++i) {
        if (!IsDisabledOption(*options[i]))
            return static_cast<int>(i);
    }
    return -1;
}

void PageMirror::SetSelectedIndex(Handle select, int index) {
    Node* node = Find(select);
    if (!IsSelect(node))
        return;
    const std::vector<Node*> options = OptionsOf(*node);
    if (index < 0 || static_cast<std::size_t>(index) >= options.size())
        return;
    for (Node* option : options)
        RemoveAttribute(*option, "selected");
    SetAttribute(*options[static_cast<std::size_t>(index)], "selected", "");
}
