#pragma once

#include <string>
#include <string_view>
#include <vector>

// One picture line of the mouth-shape table "viseme.idx": "KEY=FILE", where KEY is a mouth-shape
// number, written plain ("7", "07") or with the engine's prefix ("SP_VISEME_7").
struct VisemeLine {
    int number;
    std::string file;
};

// The table's picture lines in file order. Lines are trimmed; a line without "=" or with an
// empty key or file is skipped. Which numbers are used is up to the reader of the table.
std::vector<VisemeLine> ParseVisemeTable(std::string_view text);
