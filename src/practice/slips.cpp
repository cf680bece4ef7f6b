#include "practice/slips.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

// Sounds a Chinese learner of English easily says one for the other, both ways round: long and
// short vowels, neighbouring vowels, v, w, b and f, l, n and r.
constexpr std::array<std::pair<std::string_view, std::string_view>, 16> kConfusable = {{
    {"IH", "IY"},
    {"UH", "UW"},
    {"AE", "EH"},
    {"AE", "AA"},
    {"AA", "OW"},
    {"AO", "OW"},
    {"EY", "AY"},
    {"EY", "EH"},
    {"IY", "AY"},
    {"AW", "UW"},
    {"V", "W"},
    {"V", "B"},
    {"V", "F"},
    {"L", "N"},
    {"L", "R"},
    {"SH", "CH"},
}};

// Sounds said for others one way only: th as s, t or f, the voiced th as d or z, sh as s.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kSaidFor = {{
    {"TH", "S"},
    {"TH", "T"},
    {"TH", "F"},
    {"DH", "D"},
    {"DH", "Z"},
    {"SH", "S"},
}};

// At the end of a word: a voiced consonant said voiceless (bag as back, bed as bet), and n and ng
// for each other (thin and thing). Inside a word ng before k is n's own sound there.
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kSaidForAtEnd = {{
    {"D", "T"},
    {"G", "K"},
    {"B", "P"},
    {"Z", "S"},
    {"N", "NG"},
    {"NG", "N"},
}};

constexpr std::array<std::string_view, 15> kVowels = {
    "AA", "AE", "AH", "AO", "AW", "AY", "EH", "ER", "EY", "IH", "IY", "OW", "OY", "UH", "UW"};

bool IsVowel(std::string_view phone) {
    return std::find(kVowels.begin(), kVowels.end(), phone) != kVowels.end();
}

std::vector<std::string_view> Split(std::string_view phones) {
    std::vector<std::string_view> out;
    while (!phones.empty()) {
        const std::size_t space = phones.find(' ');
        if (space != 0) {
            out.push_back(phones.substr(0, space));
        }
        if (space == std::string_view::npos) {
            break;
        }
        phones.remove_prefix(space + 1);
    }
    return out;
}

std::string Join(const std::vector<std::string_view>& phones) {
    std::string out;
    for (const std::string_view phone : phones) {
        if (!out.empty()) {
            out += ' ';
        }
        out += phone;
    }
    return out;
}

}  // namespace

std::vector<Slip> SlipsOf(std::string_view phones) {
    const std::vector<std::string_view> said = Split(phones);
    const std::string own = Join(said);
    std::vector<Slip> slips;
    const auto add = [&](std::vector<std::string_view> changed, std::string_view expected,
                         std::string_view heard) {
        std::string joined = Join(changed);
        if (joined.empty() || joined == own ||
            std::any_of(slips.begin(), slips.end(),
                        [&](const Slip& slip) { return slip.phones == joined; })) {
            return;
        }
        slips.push_back(Slip{std::move(joined), std::string(expected), std::string(heard)});
    };
    const auto swap = [&](std::size_t at, std::string_view heard) {
        std::vector<std::string_view> changed = said;
        changed[at] = heard;
        add(std::move(changed), said[at], heard);
    };
    for (std::size_t i = 0; i < said.size(); ++i) {
        // Before ng a vowel drifts in anyone's speech (thank, sing): no slip to tell there.
        const bool beforeNg = i + 1 < said.size() && said[i + 1] == "NG";
        for (const auto& [a, b] : kConfusable) {
            if ((said[i] == a || said[i] == b) && !(beforeNg && IsVowel(said[i]))) {
                swap(i, said[i] == a ? b : a);
            }
        }
        for (const auto& [sound, heard] : kSaidFor) {
            if (said[i] == sound) {
                swap(i, heard);
            }
        }
        for (const auto& [sound, heard] : kSaidForAtEnd) {
            if (i + 1 == said.size() && said[i] == sound) {
                swap(i, heard);
            }
        }
    }
    // A dropped final consonant changes a word of three sounds or more; in a shorter one it
    // leaves too little to tell apart.
    if (said.size() >= 3 && !IsVowel(said.back())) {
        add(std::vector<std::string_view>(said.begin(), said.end() - 1), said.back(), "");
    }
    return slips;
}

std::string CourseSpelling(std::string_view phone) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 20> kSpellings = {{
        {"AA", "o"},  {"AE", "ae"}, {"AH", "uh"}, {"AO", "oo"}, {"AW", "au"},
        {"AY", "ai"}, {"EH", "e"},  {"ER", "er"}, {"EY", "ei"}, {"IH", "i"},
        {"IY", "ii"}, {"OW", "ou"}, {"OY", "oi"}, {"UH", "u"},  {"UW", "uu"},
        {"HH", "h"},  {"JH", "j"},  {"Y", "y"},   {"CH", "ch"}, {"NG", "ng"},
    }};
    for (const auto& [arpabet, course] : kSpellings) {
        if (phone == arpabet) {
            return std::string(course);
        }
    }
    std::string lower(phone);
    for (char& c : lower) {
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return lower;
}
