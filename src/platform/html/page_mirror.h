#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

struct GumboInternalNode;
namespace page_mirror_detail {
struct Node;
}

// The program's own copy of the page: a document tree that answers every read at once and takes
// every write first. The renderer only ever receives this tree's own serialization, in which each
// element carries its handle in the attribute kHandleAttribute, so both hold the same tree.
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
//
// Handles: every element gets a handle when it enters the tree, in document order; a handle is
// never given out twice by one mirror. An element keeps its handle until it leaves the tree
// (SetInnerHtml on an ancestor, or Load), after which Contains() is false for it. Handle 0 is
// "no element"; every read on an unknown handle gives the empty answer, every write is ignored.
// The handle attribute is reserved: parsed markup that carries it loses it, so course data can
// never impersonate another element; Attribute() and HasAttribute() don't report it.
//
// Inner text, the text the program reads and speaks:
// - tags are dropped and character references decoded; comments give nothing;
// - in text, each run of white space (space, tab, LF, CR, FF) becomes one space, also across inline
//   tags ("a <b> b</b>" gives "a b"); U+00A0 is a character, not white space;
// - <br> gives a line break;
// - block elements (address, article, aside, blockquote, body, caption, center, dd, details, dir,
//   div, dl, dt, fieldset, figcaption, figure, footer, form, h1-h6, header, hgroup, hr, html,
//   legend, li, listing, main, menu, nav, ol, optgroup, option, p, plaintext, pre, section,
//   summary, table, tbody, tfoot, thead, tr, ul, xmp) start and end lines; several block edges in a
//   row give one line break, and none where the text already ends a line;
// - cells (td, th) of one row are separated by one tab, kept even around an empty cell;
// - the content of pre, listing, plaintext and xmp is kept verbatim;
// - nothing of head, iframe, noembed, noframes, noscript, script, style, template, textarea and
//   title counts, even when asked for that element itself;
// - outside that verbatim content, white space is dropped at the start and end of each line and
//   of each cell; the result is trimmed of white space (tabs and line breaks too) at both ends;
// - styles are not consulted: a line hidden with "visibility: hidden" (dictation) still gives
//   its text.
// So '<span>Tom: Hello, <u>Jim</u>!</span>' gives "Tom: Hello, Jim!" and
// "<table><tr><td>a</td><td> b </td></tr><tr><td>c</td></tr></table>" gives "a\tb\nc".
//
// FindById keeps an index from id to the first element with it in document order. The index is
// built by one walk over the tree on the first lookup after the tree changed shape (Load,
// SetInnerHtml) and then answers in constant time; style and selection writes keep it. A lesson
// page thus pays one walk per build, not one per line lookup.
//
// Not thread-safe: one mirror lives on the GUI thread.
class PageMirror {
  public:
    using Handle = std::uint32_t;
    static constexpr std::string_view kHandleAttribute = "data-qv";

    PageMirror();
    ~PageMirror();
    // One mirror per page view; the tree is linked by address.
    PageMirror(const PageMirror&) = delete;
    PageMirror& operator=(const PageMirror&) = delete;

    // Replaces the whole document; all earlier handles become invalid.
    void Load(std::string_view html);

    // The whole document with handles. The doctype is written back as parsed (so the renderer
    // lays the page out in the mode it asks for), or as one that keeps quirks mode where a
    // malformed doctype forced it; a document parsed without one is written without one.
    // Parsing the result gives the same tree. Empty before the first Load.
    std::string Serialize() const;
    // The inner HTML of an element, with handles: what the renderer sets as that element's inner
    // HTML to get the mirror's children.
    std::string SerializeChildren(Handle element) const;

    Handle Body() const;
    // The first element in document order with this id; 0 when none (or when id is empty).
    Handle FindById(std::string_view id) const;
    bool Contains(Handle element) const;
    // The parent element; 0 for the root element.
    Handle Parent(Handle element) const;
    // Lower case for HTML elements; SVG names keep their case ("foreignObject").
    std::string TagName(Handle element) const;
    // Attribute names compare without regard to ASCII case.
    std::string Attribute(Handle element, std::string_view name) const;
    bool HasAttribute(Handle element, std::string_view name) const;
    // The rule above.
    std::string InnerText(Handle element) const;

    // Replaces the element's children by the fragment, parsed in the context of the element as a
    // browser's innerHTML does; the new elements get new handles. Void elements (img, br, ...)
    // can hold no content, and the call leaves them alone.
    void SetInnerHtml(Handle element, std::string_view fragment);

    // The value of the last declaration of `property` (any ASCII case) in the inline style
    // attribute, trimmed; "" when there is none.
    std::string Style(Handle element, std::string_view property) const;
    // Sets `property` in the inline style attribute to `value`, stored as given. An existing
    // declaration keeps its place (later duplicates go); a new one is appended; an empty value
    // removes the property. The other declarations are kept; text that is not a declaration
    // ("name: value") is dropped when the attribute is rewritten.
    void SetStyle(Handle element, std::string_view property, std::string_view value);

    // The 0-based position of the selected option among the SELECT's options (its option
    // children and the option children of its optgroup children), -1 when `select` is not a
    // SELECT or has no options. As a browser: the last option with the selected attribute; in a
    // single-line select without one, the first option that is not disabled; in a multiple or
    // multi-row select without one, -1.
    int SelectedIndex(Handle select) const;
    // Moves the selected attribute to option `index`. Ignored when `select` is not a SELECT or
    // the index is not an option's (-1 included).
    void SetSelectedIndex(Handle select, int index);

  private:
    using Node = page_mirror_detail::Node;

    Node* Find(Handle element) const;
    // Appends copies of the children of a gumbo document or element node, giving handles.
    // Returns whether the parse was irregular: then the renderer, parsing the mirror's
    // serialization, may build another tree, and the content is parsed once more from there.
    bool AppendParsed(Node& parent, const GumboInternalNode& gumboParent);
    // Drops the handles of everything below `node` before it goes.
    void ForgetDescendants(const Node& node);

    struct IdHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view id) const {
            return std::hash<std::string_view>{}(id);
        }
    };

    std::unique_ptr<Node> document_;
    std::string doctype_;
    std::unordered_map<Handle, Node*> elements_;
    Handle lastHandle_ = 0;
    mutable std::unordered_map<std::string, Handle, IdHash, std::equal_to<>> idIndex_;
    mutable bool idIndexValid_ = false;
};
