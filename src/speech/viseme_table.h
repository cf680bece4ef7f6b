#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The two picture tables of a course: "Viseme\viseme.idx" names one bitmap per mouth shape, and
// "phonetic\phonetic.idx" names one recorded sound (and a mouth picture) per bracketed phonetic
// symbol. Both are CP936 text; every line is trimmed, and lines that do not fit are skipped.

// The engine's mouth shapes are numbered 0 (closed, silent) to 21.
inline constexpr int kMouthShapeCount = 22;

// The lines of either table that are read. A table holds a line per mouth shape (22) or per
// phonetic symbol (about 50): a thousand is far more than any course has, and lines beyond would
// only cost time at every start.
inline constexpr std::size_t kMaxTableLines = 1000;

// One picture line of the mouth-shape table "viseme.idx": "KEY=FILE", where KEY is a mouth-shape
// number, written plain ("7", "07") or with the engine's prefix ("SP_VISEME_7").
struct VisemeLine {
    int number;
    std::string file;
};

// The table's picture lines in file order. Lines are trimmed; a line without "=" or with an
// empty key or file is skipped. Which numbers are used is up to the reader of the table.
std::vector<VisemeLine> ParseVisemeTable(std::string_view text);

// The picture slot a table number fills: 1..21 the mouth shape of that number, 22 the closed
// mouth (shape 0). Every other number, 0 included, fills none.
std::optional<int> VisemeSlot(int number);

// The built-in picture (bitmap resource 136..142) that stands in for a mouth shape when the
// course's table yields no picture at all.
int DefaultVisemeBitmap(int shape);

// The lines kept from "phonetic.idx", whole and trimmed, in file order: those that contain "=",
// begin with "[" and contain "]".
std::vector<std::string> ParsePhoneticTable(std::string_view text);

// One kept phonetic line taken apart: "[KEY]=FILE@PICTURE", the picture part optional.
struct PhoneticEntry {
    std::string key;   // brackets included, trimmed
    std::string file;  // relative to the "phonetic" folder, trimmed
    int picture;       // mouth shape to show while the sound plays; 0 without "@"
};
PhoneticEntry SplitPhoneticLine(std::string_view line);
