#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct GumboInternalNode;
namespace page_mirror_detail {
struct Node;
}

// The program's own copy of the page: a document tree that answers every read at once and takes
// every write first. The renderer only ever receives this tree's own serialization, in which each
// element carries its handle in the attribute kHandleAttribute, so both hold the same tree.
//
// All strings are UTF-8. Markup is parsed with the HTML5 rules, so malformed markup gives the tree
// a browser would build; the known differences, and how a parse that no serialization reproduces
// is brought in step with the renderer, are described in mirror_parse.cpp.
//
// Handles: every element gets a handle when it enters the tree, in document order; a handle is
// never given out twice by one mirror. An element keeps its handle until it leaves the tree
// (SetInnerHtml on an ancestor, or Load), after which Contains() is false for it. Handle 0 is
// "no element"; every read on an unknown handle gives the empty answer, every write is ignored.
// The handle attribute is reserved: parsed markup that carries it loses it, so course data can
// never impersonate another element; Attribute() and HasAttribute() don't report it.
//
// The work is spread over files of one job each: page_mirror.cpp (handles, the id index, reads),
// mirror_node.h (the tree), mirror_parse.cpp (parsing, the doctype), mirror_serialize.cpp,
// mirror_inner_text.h (the inner-text rule), mirror_style.h (inline style), mirror_select.cpp.
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
    // Answered from an index (see page_mirror.cpp).
    Handle FindById(std::string_view id) const;
    // The elements below `root` whose class attribute is `className`, in document order.
    std::vector<Handle> FindByClass(Handle root, std::string_view className) const;
    bool Contains(Handle element) const;
    // The parent element; 0 for the root element.
    Handle Parent(Handle element) const;
    // Lower case for HTML elements; SVG names keep their case ("foreignObject").
    std::string TagName(Handle element) const;
    // Attribute names compare without regard to ASCII case.
    std::string Attribute(Handle element, std::string_view name) const;
    bool HasAttribute(Handle element, std::string_view name) const;
    // The text the program reads and speaks, by the rule in mirror_inner_text.h.
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
    // SELECT or has no options. As a browser: the last option with the selected attribute (the
    // first, in a multiple select); in a single-line select without one, the first option that is
    // not disabled; in a multiple or multi-row select without one, -1.
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
