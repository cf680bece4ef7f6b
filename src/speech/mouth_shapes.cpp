#include "speech/mouth_shapes.h"

#include <algorithm>
#include <span>

namespace {

struct PhoneShape {
    std::string_view name;
    int shape;
};

std::optional<int> Lookup(std::span<const PhoneShape> table, std::string_view name) {
    const auto found = std::find_if(table.begin(), table.end(),
                                    [name](const PhoneShape& entry) { return entry.name == name; });
    if (found == table.end()) {
        return std::nullopt;
    }
    return found->shape;
}

constexpr PhoneShape kEnglishPhones[] = {
    {"pau", 0}, {"h#", 0},  {"brth", 0}, {"ae", 1},  {"ax", 1},  {"ah", 1},  {"aa", 2},  {"ao", 3},
    {"ey", 4},  {"eh", 4},  {"uh", 4},   {"er", 5},  {"axr", 5}, {"y", 6},   {"iy", 6},  {"ih", 6},
    {"ix", 6},  {"w", 7},   {"uw", 7},   {"ow", 8},  {"aw", 9},  {"oy", 10}, {"ay", 11}, {"hh", 12},
    {"hv", 12}, {"r", 13},  {"l", 14},   {"el", 14}, {"s", 15},  {"z", 15},  {"sh", 16}, {"ch", 16},
    {"jh", 16}, {"zh", 16}, {"th", 17},  {"dh", 17}, {"f", 18},  {"v", 18},  {"d", 19},  {"t", 19},
    {"n", 19},  {"dx", 19}, {"en", 19},  {"nx", 19}, {"k", 20},  {"g", 20},  {"ng", 20}, {"p", 21},
    {"b", 21},  {"m", 21},  {"em", 21},
};

constexpr PhoneShape kEspeakEnglish[] = {
    {"_", 0},   {"_:", 0},  {"_|", 0},  {"?", 0},   {"a", 1},    {"a#", 1},  {"@", 1},   {"@2", 1},
    {"V", 1},   {"0", 2},   {"A:", 2},  {"A@", 2},  {"O:", 3},   {"O2", 3},  {"O@", 3},  {"o@", 3},
    {"eI", 4},  {"E", 4},   {"e@", 4},  {"U", 4},   {"U@", 4},   {"3", 5},   {"3:", 5},  {"j", 6},
    {"i", 6},   {"i:", 6},  {"I", 6},   {"I2", 6},  {"i@", 6},   {"i@3", 6}, {"w", 7},   {"u:", 7},
    {"oU", 8},  {"aU", 9},  {"OI", 10}, {"aI", 11}, {"aI3", 11}, {"h", 12},  {"r", 13},  {"r-", 13},
    {"l", 14},  {"@L", 14}, {"s", 15},  {"z", 15},  {"S", 16},   {"Z", 16},  {"tS", 16}, {"dZ", 16},
    {"T", 17},  {"D", 17},  {"f", 18},  {"v", 18},  {"d", 19},   {"t", 19},  {"t#", 19}, {"n", 19},
    {"n-", 19}, {"k", 20},  {"g", 20},  {"N", 20},  {"p", 21},   {"b", 21},  {"m", 21},
};

constexpr PhoneShape kMandarin[] = {
    // Pauses.
    {"_", 0},
    {"_:", 0},
    {"_|", 0},
    // Initials.
    {"p", 21},
    {"ph", 21},
    {"m", 21},
    {"f", 18},
    {"t", 19},
    {"th", 19},
    {"n", 19},
    {"l", 14},
    {"k", 20},
    {"kh", 20},
    {"X", 12},
    {"tS;", 16},
    {"tS;h", 16},
    {"S;", 16},
    {"ts.", 16},
    {"ts.h", 16},
    {"s.", 16},
    {"z.", 13},
    {"ts", 15},
    {"tsh", 15},
    {"s", 15},
    {"j", 6},
    {";", 6},
    {"w", 7},
    // Finals.
    {"a", 1},
    {"@", 1},
    {"o-", 1},
    {"y&", 1},
    {"A", 2},
    {"iA", 2},
    {"ua", 2},
    {"ei", 4},
    {"iE", 4},
    {"uei", 4},
    {"yE", 4},
    {"@r", 5},
    {"i", 6},
    {"i.", 6},
    {"i[", 6},
    {"yi", 6},
    {"u", 7},
    {"u@", 7},
    {"v", 7},
    {"y", 7},
    {"y@", 7},
    {"yu", 7},
    {"o", 8},
    {"io", 8},
    {"iou", 8},
    {"ou", 8},
    {"uo", 8},
    {"ong", 8},
    {"Au", 9},
    {"ai", 11},
    {"uai", 11},
    {"N", 20},
};

}  // namespace

std::optional<int> EnglishPhoneShape(std::string_view phone) {
    return Lookup(kEnglishPhones, phone);
}

std::optional<int> EspeakEnglishShape(std::string_view mnemonic) {
    return Lookup(kEspeakEnglish, mnemonic);
}

std::optional<int> MandarinPhonemeShape(std::string_view mnemonic) {
    return Lookup(kMandarin, mnemonic);
}
