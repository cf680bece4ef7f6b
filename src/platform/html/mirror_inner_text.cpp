#include "platform/html/mirror_inner_text.h"

#include <gumbo.h>

#include <string_view>
#include <utility>
#include <vector>

#include "platform/html/mirror_ascii.h"
#include "platform/html/mirror_node.h"

namespace page_mirror_detail {

namespace {

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
        if (text.empty()) {
            return;
        }
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
        if (lineBreak_ && !out_.empty() && out_.back() != '\n') {
            out_ += '\n';
        }
        lineBreak_ = false;
    }

    void Flush() {
        FlushBreak();
        if (space_ && !AtLineStart()) {
            out_ += ' ';
        }
        space_ = false;
    }

    std::string out_;
    bool space_ = false;      // collapsed white space, written only before more text on the line
    bool lineBreak_ = false;  // a block edge, written only before more text
};

}  // namespace

std::string InnerTextOf(const Node& element) {
    int verbatim = 0;
    for (const Node* node = &element; node->kind == NodeKind::kElement; node = node->parent) {
        if (IsHiddenFromText(*node)) {
            return {};
        }
        if (KeepsWhiteSpace(*node)) {
            ++verbatim;
        }
    }
    TextBuilder text;
    std::vector<bool> rowHasCell{false};  // per table row being walked, innermost last
    Walk(
        element,
        [&](const Node& node) {
            if (node.kind == NodeKind::kText) {
                if (verbatim > 0) {
                    text.Verbatim(node.data);
                } else {
                    text.Collapsible(node.data);
                }
                return false;
            }
            if (node.kind != NodeKind::kElement || IsHiddenFromText(node)) {
                return false;
            }
            if (node.tag == GUMBO_TAG_BR) {
                text.LineBreak();
                return false;
            }
            if (IsBlock(node)) {
                text.BlockEdge();
            }
            if (IsCell(node)) {
                if (rowHasCell.back()) {
                    text.CellSeparator();
                }
                rowHasCell.back() = true;
            }
            if (node.tag == GUMBO_TAG_TR) {
                rowHasCell.push_back(false);
            }
            if (KeepsWhiteSpace(node)) {
                ++verbatim;
            }
            return true;
        },
        [&](const Node& node) {
            if (KeepsWhiteSpace(node)) {
                --verbatim;
            }
            if (node.tag == GUMBO_TAG_TR) {
                rowHasCell.pop_back();
            }
            if (IsCell(node)) {
                text.CellEnd();
            }
            if (IsBlock(node)) {
                text.BlockEdge();
            }
        });
    return std::move(text).Finish();
}

}  // namespace page_mirror_detail
