#pragma once

// Which English words a course's dialogues use before a word list has introduced them. Plain C++
// on UTF-8 lesson lines, for quorvan-check-course --new-words.
//
// A dialogue line is one with a speaker's name before a colon, as the tutor finds it. A word list
// entry is any other line that starts with English and has a bracketed spelling after it:
// "m<u>or</u>ning ['mooning] 早上". It introduces the words before the bracket, and the forms it
// names in parentheses there: "go (went, gone) [gou] 去".

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// `line` without its markup: every "<" up to the next ">".
std::string WithoutTags(std::string_view line);

// `word` (in lower case) and every headword it may be a regular form of: -s, -es, -ies, -ed, -d,
// -ied and -ing, with a dropped "e" or a doubled consonant.
std::vector<std::string> HeadwordsOf(std::string_view word);

// A word of a dialogue line that no entry had introduced there.
struct NewWord {
    std::size_t line = 0;  // index into the lesson's lines
    std::string word;      // in lower case
    std::string written;   // as the line writes it, contraction and all
};

class NewWordCheck {
  public:
    // Reads one lesson's lines (its header line first) after the lessons read before it; returns
    // the words its dialogues use before an entry of this lesson or an earlier one introduces
    // them, each word once over the whole course, at its first use.
    std::vector<NewWord> ReadLesson(const std::vector<std::string_view>& lines);

  private:
    bool Known(const std::string& word) const;

    std::set<std::string, std::less<>> introduced_;
    std::set<std::string, std::less<>> speakers_;  // as written, case and all
};
