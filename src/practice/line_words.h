#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The English words of a lesson line as the page shows it (UTF-8, the text of the line's
// element): what the learner is asked to say. The line is cut into runs as the tutor cuts it for
// speech (the speaker's name goes, Chinese runs and bracketed phonetic spellings are no words);
// a word is a run of ASCII letters, with apostrophes inside it ("don't"). Numbers and marks are
// no words: the voice reads "12" aloud, but nothing on the page says how the learner should.
struct LineWord {
    std::string text;    // as on the page ("Lily")
    std::string key;     // lower case, as the dictionary has it ("lily")
    std::size_t offset;  // byte offset of the word in the line given
    std::size_t length;  // bytes, the same as text.size()
};

std::vector<LineWord> ExtractLineWords(std::string_view utf8Line);
