#pragma once

#include <string>

namespace page_mirror_detail {

struct Node;

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
std::string InnerTextOf(const Node& element);

}  // namespace page_mirror_detail
