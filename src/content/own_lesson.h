#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

// The characters of UTF-8 text that CP936 cannot hold: each is written as "?".
int CountUnholdable(std::string_view utf8);

// Lessons a learner makes from a text of their own (a textbook dialogue, a speech, a song): the
// text becomes a lesson file of the course like any other, listed last in the course index.

// The most text a lesson is made of, in UTF-8 bytes.
inline constexpr std::size_t kMaxOwnLessonText = 200 * 1024;
// The most lines a section holds; a longer paragraph goes on in the next section.
inline constexpr std::size_t kMaxOwnSectionLines = 30;
// The longest title, in characters.
inline constexpr std::size_t kMaxOwnTitleChars = 40;

// The sentences of one line of English text, in order, trimmed: a sentence ends after ".", "!" or
// "?" (and the closing quotes or brackets right after it) where a blank follows. A full stop ends
// nothing after a known abbreviation ("Mr.", "e.g."), a single capital ("J. K."), a dotted
// abbreviation ("U.S.") or inside a number ("3.5" is followed by no blank anyway).
std::vector<std::string> SplitSentences(std::string_view utf8Line);

enum class OwnLessonError {
    kEmptyTitle = 1,
    kTitleTooLong,
    kEmptyText,
    kTextTooLong,
    kTitleTaken,
};
const std::error_category& OwnLessonCategory();
std::error_code make_error_code(OwnLessonError error);
template <>
struct std::is_error_code_enum<OwnLessonError> : std::true_type {};

// A lesson made from the learner's text.
struct OwnLesson {
    std::string title;  // CP936, as the index and the contents page show it
    std::string text;   // CP936 lesson text: the header line, then each section's lines
    int sections = 0;
    int lines = 0;
    // Characters CP936 cannot hold, written as "?".
    int replaced = 0;
};

// Makes the lesson from a UTF-8 title and text. Lines of Chinese alone belong to the English line
// before them; an English line is cut into its sentences, and when a Chinese line follows with
// as many sentences, they are paired. Blank lines start a new section. Lines are escaped, so that
// nothing the learner typed becomes markup, and characters the lesson format reserves ("#", "@",
// and "=" in the title) become their full-width forms. `entries` are the course's index entries,
// whose names the title may not take.
std::error_code MakeOwnLesson(std::string_view utf8Title, std::string_view utf8Text,
                              const std::vector<std::string>& entries, OwnLesson& lesson);

// Whether `file`, an index entry's FILE, is a lesson the learner made (only those may be removed).
bool IsOwnLessonFile(std::string_view file);
// A file name for a new lesson of the learner's that no entry of `entries` uses and for which
// `taken` (whether a file of that name exists in the course folder) says false.
// Empty when all are used.
std::string NewOwnLessonFile(const std::vector<std::string>& entries,
                             const std::function<bool(const std::string&)>& taken);

// The index bytes with "NAME=FILE" added as a last line: every byte before stays as it was; the
// line ends like the index's own lines (CR LF unless it uses LF alone).
std::string AppendIndexEntry(std::string_view index, std::string_view entry);
// The index bytes without the lines that hold `entry` (trimmed, as the index reader sees it);
// every other byte stays as it was.
std::string RemoveIndexEntry(std::string_view index, std::string_view entry);
