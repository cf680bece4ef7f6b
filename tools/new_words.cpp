#include "new_words.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace {

constexpr std::string_view kCurlyApostrophe = "\xE2\x80\x99";  // U+2019, as word processors type it
constexpr std::size_t kPrefixColonLimit = 10;                  // the tutor's, in bytes of CP936

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsVowel(char c) {
    return std::string_view("aeiouy").find(c) != std::string_view::npos;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// The length of an apostrophe at `at`, or 0.
std::size_t ApostropheAt(std::string_view text, std::size_t at) {
    if (text[at] == '\'') {
        return 1;
    }
    return text.substr(at).starts_with(kCurlyApostrophe) ? kCurlyApostrophe.size() : 0;
}

// The English words of `text`: letters, joined by an apostrophe inside a word (written "'").
// Digits, hyphens and everything else part them.
std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t at = 0; at < text.size();) {
        if (IsLetter(text[at])) {
            word += text[at++];
            continue;
        }
        const std::size_t apostrophe = ApostropheAt(text, at);
        if (apostrophe > 0 && !word.empty() && at + apostrophe < text.size() &&
            IsLetter(text[at + apostrophe])) {
            word += '\'';
            at += apostrophe;
            continue;
        }
        if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
        ++at;
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    return words;
}

// The speaker's name of a dialogue line, found as the tutor finds it: a colon within the first
// ten bytes of the line in CP936, where a character beyond ASCII takes two.
std::optional<std::string_view> Speaker(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t at = 0; at < text.size() && width < kPrefixColonLimit; ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (text[at] == ':') {
            const std::string_view name = text.substr(0, at);
            if (name.find_first_not_of(" \t") == std::string_view::npos) {
                return std::nullopt;
            }
            return name;
        }
        width += byte < 0x80 ? 1 : (byte >= 0xC0 ? 2 : 0);
    }
    return std::nullopt;
}

// The words an entry introduces, or none when the line is no entry: English from its first
// character up to its first "[", with no other character than blanks and the marks between
// words and forms.
std::optional<std::vector<std::string>> EntryWords(std::string_view text) {
    const std::size_t bracket = text.find('[');
    if (bracket == std::string_view::npos || text.empty() || !IsLetter(text[0])) {
        return std::nullopt;
    }
    const std::string_view head = text.substr(0, bracket);
    for (std::size_t at = 0; at < head.size();) {
        if (IsLetter(head[at]) ||
            std::string_view(" '-.,()/").find(head[at]) != std::string::npos) {
            ++at;
        } else if (head.substr(at).starts_with(kCurlyApostrophe)) {
            at += kCurlyApostrophe.size();
        } else {
            return std::nullopt;
        }
    }
    std::vector<std::string> words = Words(head);
    for (std::string& word : words) {
        word = Lower(word);
    }
    return words;
}

// The words a written word stands for, each as its possible spellings in full: "I'd" is "I" and
// "would" or "had", "Tom's" is "Tom". The first part keeps the case it was written in.
std::vector<std::vector<std::string>> Parts(const std::string& written) {
    static const std::array<std::pair<std::string_view, std::array<std::string_view, 2>>, 4>
        kWhole = {{{"can't", {"can", "not"}},
                   {"won't", {"will", "not"}},
                   {"shan't", {"shall", "not"}},
                   {"let's", {"let", "us"}}}};
    static const std::array<std::pair<std::string_view, std::vector<std::string>>, 7> kEndings = {
        {{"n't", {"not"}},
         {"'m", {"am"}},
         {"'re", {"are"}},
         {"'ve", {"have"}},
         {"'ll", {"will"}},
         {"'d", {"would", "had"}},
         {"'s", {}}}};
    const std::string lower = Lower(written);
    for (const auto& [word, parts] : kWhole) {
        if (lower == word) {
            return {{std::string(parts[0])}, {std::string(parts[1])}};
        }
    }
    for (const auto& [ending, spellings] : kEndings) {
        if (lower.size() > ending.size() && lower.ends_with(ending)) {
            std::vector<std::vector<std::string>> parts{
                {written.substr(0, lower.size() - ending.size())}};
            if (!spellings.empty()) {
                parts.push_back(spellings);
            }
            return parts;
        }
    }
    return {{written}};
}

}  // namespace

// `line` without its markup: every "<" up to the next ">".
std::string WithoutTags(std::string_view line) {
    std::string text;
    for (;;) {
        const std::size_t open = line.find('<');
        const std::size_t close = line.find('>', open);
        if (open == std::string_view::npos || close == std::string_view::npos) {
            break;
        }
        text += line.substr(0, open);
        line.remove_prefix(close + 1);
    }
    text += line;
    return text;
}

std::vector<std::string> HeadwordsOf(std::string_view written) {
    const std::string word = Lower(written);
    const std::size_t size = word.size();
    std::vector<std::string> headwords{word};
    // A stem that ends in a doubled consonant may have doubled it for its ending: "stopped".
    const auto addStem = [&](const std::string& stem) {
        headwords.push_back(stem);
        const std::size_t n = stem.size();
        if (n >= 3 && stem[n - 1] == stem[n - 2] && !IsVowel(stem[n - 1])) {
            headwords.push_back(stem.substr(0, n - 1));
        }
    };
    // The shortest stems are held back, so that "is" is no form of "I", "his" none of "hi" and
    // "bed" none of "be".
    if (size >= 3 && word.ends_with('s') &&
        std::string_view("siu'").find(word[size - 2]) == std::string_view::npos) {
        headwords.push_back(word.substr(0, size - 1));
    }
    // "-es" only where a plain "-s" could not follow: "boxes", "watches", "goes", not "notes".
    if (size >= 4 && word.ends_with("es")) {
        const std::string stem = word.substr(0, size - 2);
        if (stem.ends_with('o') ||
            (size >= 5 && (std::string_view("sxz").find(stem.back()) != std::string_view::npos ||
                           stem.ends_with("ch") || stem.ends_with("sh")))) {
            headwords.push_back(stem);
        }
    }
    if (size >= 5 && word.ends_with("ies")) {
        headwords.push_back(word.substr(0, size - 3) + "y");
    }
    if (size >= 4 && word.ends_with("ed")) {
        headwords.push_back(word.substr(0, size - 1));
        if (size >= 5) {
            addStem(word.substr(0, size - 2));
        }
        if (size >= 5 && word.ends_with("ied")) {
            headwords.push_back(word.substr(0, size - 3) + "y");
        }
    }
    if (size >= 5 && word.ends_with("ing")) {
        const std::string stem = word.substr(0, size - 3);
        if (std::any_of(stem.begin(), stem.end(), IsVowel)) {
            addStem(stem);
            headwords.push_back(stem + "e");
        }
    }
    return headwords;
}

bool NewWordCheck::Known(const std::string& word) const {
    const std::vector<std::string> headwords = HeadwordsOf(word);
    return std::any_of(headwords.begin(), headwords.end(), [this](const std::string& headword) {
        return introduced_.contains(headword);
    });
}

std::vector<NewWord> NewWordCheck::ReadLesson(const std::vector<std::string_view>& lines) {
    // Speakers are known to one another before they speak: "Lucy, this is Mary."
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string text = WithoutTags(lines[i]);
        if (const std::optional<std::string_view> speaker = Speaker(text)) {
            for (std::string& word : Words(*speaker)) {
                speakers_.insert(std::move(word));
            }
        }
    }
    std::vector<NewWord> found;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        // Lines with "#" part the sections; the tutor never shows them.
        if (lines[i].find('#') != std::string_view::npos) {
            continue;
        }
        const std::string text = WithoutTags(lines[i]);
        const std::optional<std::string_view> speaker = Speaker(text);
        if (!speaker) {
            for (std::string& word : EntryWords(text).value_or(std::vector<std::string>{})) {
                introduced_.insert(std::move(word));
            }
            continue;
        }
        for (const std::string& written :
             Words(std::string_view(text).substr(speaker->size() + 1))) {
            // A word list may list a contraction whole: "o'clock", "don't".
            if (introduced_.contains(Lower(written))) {
                continue;
            }
            for (const std::vector<std::string>& spellings : Parts(written)) {
                if (speakers_.contains(spellings.front()) ||
                    std::any_of(spellings.begin(), spellings.end(),
                                [this](const std::string& word) { return Known(word); })) {
                    continue;
                }
                const std::string word = Lower(spellings.front());
                found.push_back({i, word, written});
                // Once is enough: its forms are not reported again either.
                for (std::string& headword : HeadwordsOf(word)) {
                    introduced_.insert(std::move(headword));
                }
            }
        }
    }
    return found;
}
