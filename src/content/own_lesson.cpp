#include "content/own_lesson.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <span>

#include "content/course_index.h"
#include "content/text_lines.h"
#include "platform/codepage.h"

namespace {

constexpr std::string_view kBlanks = " \t\r\n\v\f";

class OwnLessonCategoryImpl : public std::error_category {
  public:
    const char* name() const noexcept override { return "quorvan-own-lesson"; }
    // Told to the learner as they stand.
    std::string message(int value) const override {
        switch (static_cast<OwnLessonError>(value)) {
            case OwnLessonError::kEmptyTitle:
                return "请给课文起一个标题。";
            case OwnLessonError::kTitleTooLong:
                return "标题太长了：最多 40 个字。";
            case OwnLessonError::kEmptyText:
                return "课文是空的：请输入或粘贴课文。";
            case OwnLessonError::kTextTooLong:
                return "课文太长了：最多 200 KB。";
            case OwnLessonError::kTitleTaken:
                return "已经有一课叫这个标题了，请换一个。";
        }
        return "课文无法添加。";
    }
};

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

bool HasAsciiLetter(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

bool HasNonAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// The length of a closing quote or bracket at `at`, 0 when there is none.
std::size_t ClosingMarkAt(std::string_view text, std::size_t at) {
    static constexpr std::array<std::string_view, 9> kClosing{
        "\"",           "'",           ")", "]", "\xE2\x80\x9D", "\xE2\x80\x99", "\xEF\xBC\x89",
        "\xE3\x80\x8D", "\xE3\x80\x8F"};  // ” ’ ） 」 』
    for (const std::string_view mark : kClosing) {
        if (text.substr(at).starts_with(mark)) {
            return mark.size();
        }
    }
    return 0;
}

// The length of a Chinese sentence end (。！？) at `at`, 0 when there is none.
std::size_t ChineseEndAt(std::string_view text, std::size_t at) {
    for (const std::string_view mark : {"\xE3\x80\x82", "\xEF\xBC\x81", "\xEF\xBC\x9F"}) {
        if (text.substr(at).starts_with(mark)) {
            return mark.size();
        }
    }
    return 0;
}

// Whether the full stop at `dot` ends the word before it without ending a sentence.
bool IsAbbreviationDot(std::string_view text, std::size_t dot) {
    std::size_t start = dot;
    while (start > 0 && kBlanks.find(text[start - 1]) == std::string_view::npos) {
        --start;
    }
    std::string word(text.substr(start, dot - start));
    while (!word.empty() && (word.front() == '"' || word.front() == '(' || word.front() == '\'')) {
        word.erase(0, 1);
    }
    if (word.size() == 1 && word[0] >= 'A' && word[0] <= 'Z') {
        return true;  // an initial
    }
    if (word.find('.') != std::string::npos) {
        return true;  // "U.S.", "e.g.", "a.m."
    }
    std::transform(word.begin(), word.end(), word.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    static constexpr std::array<std::string_view, 12> kAbbreviations{
        "mr", "mrs", "ms", "dr", "prof", "st", "jr", "sr", "vs", "mt", "no", "fig"};
    return std::find(kAbbreviations.begin(), kAbbreviations.end(), word) != kAbbreviations.end();
}

void AddTrimmed(std::vector<std::string>& sentences, std::string_view text) {
    if (const std::string_view trimmed = TrimLine(text); !trimmed.empty()) {
        sentences.emplace_back(trimmed);
    }
}

struct Replacement {
    char from;
    std::string_view to;
};

// "<", ">" and "&" as entities, so that the page shows what was typed; "#" would end the section.
constexpr std::array<Replacement, 4> kLineReplacements{
    {{'<', "&lt;"}, {'>', "&gt;"}, {'&', "&amp;"}, {'#', "\xEF\xBC\x83"}}};  // ＃
// The characters the index and the header line reserve, and those the contents page would read
// as markup, in their full-width forms: ＃ ＠ ＝ ＜ ＞ ＆.
constexpr std::array<Replacement, 6> kTitleReplacements{{{'#', "\xEF\xBC\x83"},
                                                         {'@', "\xEF\xBC\xA0"},
                                                         {'=', "\xEF\xBC\x9D"},
                                                         {'<', "\xEF\xBC\x9C"},
                                                         {'>', "\xEF\xBC\x9E"},
                                                         {'&', "\xEF\xBC\x86"}}};

// `text` with each character of `replacements` replaced and control characters made blanks.
std::string Replaced(std::string_view text, std::span<const Replacement> replacements) {
    std::string out;
    for (const char c : text) {
        const auto found = std::find_if(replacements.begin(), replacements.end(),
                                        [c](const Replacement& r) { return r.from == c; });
        if (found != replacements.end()) {
            out += found->to;
        } else {
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out;
}

// A line of Chinese alone, which belongs to the English line before it.
bool IsChineseOnly(std::string_view line) {
    return !HasAsciiLetter(line) && HasNonAscii(line);
}

std::size_t CountCharacters(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < utf8.size(); ++count) {
        NextUtf8(utf8, at);
    }
    return count;
}

// The lines of one paragraph as the lesson shows them.
std::vector<std::string> ParagraphLines(const std::vector<std::string_view>& input) {
    std::vector<std::string> lines;
    bool afterEnglish = false;
    for (std::size_t i = 0; i < input.size(); ++i) {
        const std::string_view line = input[i];
        const bool chinese = IsChineseOnly(line);
        if (chinese) {
            if (afterEnglish) {
                lines.back() += " " + std::string(line);
            } else {
                lines.emplace_back(line);
            }
            afterEnglish = false;
            continue;
        }
        if (HasNonAscii(line)) {
            // English and Chinese already side by side: a Chinese line after it is one of its own.
            lines.emplace_back(line);
            afterEnglish = false;
            continue;
        }
        afterEnglish = true;
        std::vector<std::string> english = SplitSentences(line);
        const bool translated = i + 1 < input.size() && IsChineseOnly(input[i + 1]);
        if (translated) {
            const std::vector<std::string> chinese = SplitSentences(input[i + 1]);
            if (chinese.size() == english.size()) {
                for (std::size_t s = 0; s < english.size(); ++s) {
                    lines.push_back(english[s] + " " + chinese[s]);
                }
                ++i;
                afterEnglish = false;
                continue;
            }
            if (english.size() > 1) {
                english = {std::string(line)};  // unpaired: the translation stays with its line
            }
        }
        lines.insert(lines.end(), english.begin(), english.end());
    }
    return lines;
}

std::string_view LineEndOf(std::string_view index) {
    const std::size_t lf = index.find('\n');
    return lf != std::string_view::npos && (lf == 0 || index[lf - 1] != '\r') ? "\n" : "\r\n";
}

}  // namespace

const std::error_category& OwnLessonCategory() {
    static const OwnLessonCategoryImpl kCategory;
    return kCategory;
}

std::error_code make_error_code(OwnLessonError error) {
    return {static_cast<int>(error), OwnLessonCategory()};
}

std::vector<std::string> SplitSentences(std::string_view utf8Line) {
    std::vector<std::string> sentences;
    std::size_t start = 0;
    std::size_t at = 0;
    while (at < utf8Line.size()) {
        const char c = utf8Line[at];
        std::size_t end = 0;
        bool needsBlank = true;
        if (c == '.' || c == '!' || c == '?') {
            end = at + 1;
        } else if (const std::size_t length = ChineseEndAt(utf8Line, at); length > 0) {
            end = at + length;
            needsBlank = false;
        }
        if (end == 0) {
            ++at;
            continue;
        }
        while (end < utf8Line.size()) {
            // "?!" and "..." stay with their sentence, as do the quotes that close it.
            if (const std::size_t length = ClosingMarkAt(utf8Line, end); length > 0) {
                end += length;
            } else if (utf8Line[end] == '.' || utf8Line[end] == '!' || utf8Line[end] == '?') {
                ++end;
            } else if (const std::size_t chinese = ChineseEndAt(utf8Line, end); chinese > 0) {
                end += chinese;
            } else {
                break;
            }
        }
        const bool atBlank = end == utf8Line.size() || kBlanks.find(utf8Line[end]) != kBlanks.npos;
        if ((!needsBlank || atBlank) && !(c == '.' && IsAbbreviationDot(utf8Line, at))) {
            AddTrimmed(sentences, utf8Line.substr(start, end - start));
            start = end;
        }
        at = end;
    }
    AddTrimmed(sentences, utf8Line.substr(start));
    return sentences;
}

std::error_code MakeOwnLesson(std::string_view utf8Title, std::string_view utf8Text,
                              const std::vector<std::string>& entries, OwnLesson& lesson) {
    lesson = {};
    const std::string title(TrimLine(Replaced(utf8Title, kTitleReplacements)));
    if (title.empty()) {
        return OwnLessonError::kEmptyTitle;
    }
    if (CountCharacters(title) > kMaxOwnTitleChars) {
        return OwnLessonError::kTitleTooLong;
    }
    if (utf8Text.size() > kMaxOwnLessonText) {
        return OwnLessonError::kTextTooLong;
    }
    // Paragraphs, each cut into sections of at most kMaxOwnSectionLines lines.
    std::vector<std::vector<std::string>> sections;
    std::vector<std::string_view> paragraph;
    const auto endParagraph = [&] {
        std::vector<std::string> lines = ParagraphLines(paragraph);
        paragraph.clear();
        for (std::size_t first = 0; first < lines.size(); first += kMaxOwnSectionLines) {
            const auto from = lines.begin() + static_cast<std::ptrdiff_t>(first);
            sections.emplace_back(from, from + static_cast<std::ptrdiff_t>(std::min(
                                                   kMaxOwnSectionLines, lines.size() - first)));
        }
    };
    for (const std::string_view line : SplitTextLines(utf8Text)) {
        const std::string_view trimmed = TrimLine(line);
        if (trimmed.empty()) {
            endParagraph();
        } else {
            paragraph.push_back(trimmed);
        }
    }
    endParagraph();
    if (sections.empty()) {
        return OwnLessonError::kEmptyText;
    }

    std::string header;
    std::string body;
    int skip = 1;
    for (std::size_t n = 1; n <= sections.size(); ++n) {
        // The blank keeps a title that begins with a digit from reading as a section number.
        std::string sectionTitle = " " + title;
        if (sections.size() > 1) {
            sectionTitle += " (" + std::to_string(n) + ")";
        }
        header += "#" + std::to_string(n) + sectionTitle + "@" + std::to_string(skip);
        body += "#" + std::to_string(n) + sectionTitle + "\n";
        for (const std::string& line : sections[n - 1]) {
            body += Replaced(line, kLineReplacements) + "\n";
        }
        skip += static_cast<int>(sections[n - 1].size()) + 1;
        lesson.lines += static_cast<int>(sections[n - 1].size());
    }
    const std::string text = header + "#\n" + body;
    lesson.title = Utf8ToCp936(title);
    lesson.text = Utf8ToCp936(text);
    lesson.sections = static_cast<int>(sections.size());
    lesson.replaced = CountUnholdable(text) + CountUnholdable(title);
    for (const std::string& entry : entries) {
        if (SplitCourseEntry(entry).name == lesson.title) {
            lesson = {};
            return OwnLessonError::kTitleTaken;
        }
    }
    return {};
}

int CountUnholdable(std::string_view utf8) {
    // Each becomes one "?", and a "?" stays one.
    const std::string stored = Utf8ToCp936(utf8);
    return static_cast<int>(std::count(stored.begin(), stored.end(), '?') -
                            std::count(utf8.begin(), utf8.end(), '?'));
}

bool IsOwnLessonFile(std::string_view file) {
    constexpr std::string_view kPrefix = "own";
    constexpr std::string_view kSuffix = ".dat";
    if (!file.starts_with(kPrefix) || !file.ends_with(kSuffix)) {
        return false;
    }
    const std::string_view number =
        file.substr(kPrefix.size(), file.size() - kPrefix.size() - kSuffix.size());
    return number.size() == 4 &&
           std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string NewOwnLessonFile(const std::vector<std::string>& entries,
                             const std::function<bool(const std::string&)>& taken) {
    for (int n = 1; n <= 9999; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "own%04d.dat", n);
        const bool listed = std::any_of(entries.begin(), entries.end(), [&](const std::string& e) {
            return SplitCourseEntry(e).file == name;
        });
        if (!listed && !taken(name)) {
            return name;
        }
    }
    return {};
}

std::string AppendIndexEntry(std::string_view index, std::string_view entry) {
    const std::string_view end = LineEndOf(index);
    std::string appended(index);
    if (!appended.empty() && !IsLineEnd(appended.back())) {
        appended += end;
    }
    appended += entry;
    appended += end;
    return appended;
}

std::string RemoveIndexEntry(std::string_view index, std::string_view entry) {
    std::string kept;
    std::size_t at = 0;
    while (at < index.size()) {
        std::size_t end = at;
        while (end < index.size() && !IsLineEnd(index[end])) {
            ++end;
        }
        // The line with its end, as ParseCourseIndex reads lines: LF, CR LF or a bare CR.
        std::size_t next = end;
        if (next < index.size()) {
            next +=
                index[next] == '\r' && next + 1 < index.size() && index[next + 1] == '\n' ? 2 : 1;
        }
        if (TrimLine(index.substr(at, end - at)) != entry) {
            kept += index.substr(at, next - at);
        }
        at = next;
    }
    return kept;
}
