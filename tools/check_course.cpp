// quorvan-check-course COURSE_DIR [--fix]: checks a course, either its sources before they are
// built or a built course folder as learners receive it.
//
// Sources: COURSE_DIR holds cntindex.idx (UTF-8, one NAME=FILE line per lesson), the lesson texts
// lessons/BASE.txt for every FILE "BASE.dat", and the picture folders BASE/. Everything must
// survive conversion to CP936. A built course (a folder without lessons/) holds the index in CP936
// and each lesson as the packed file FILE, which is read and expanded as the tutor opens it.
//
// Every lesson's header line must point each section at its first body line, because the tutor
// trusts the header blindly: a wrong line count shows the wrong lines or an empty page. The lesson
// texts are read with the tutor's own line, index, section and number parsers, and their lines are
// cut into runs as the tutor speaks them, so the checker sees what the tutor will see. A bracketed
// piece needs a recorded sound in phonetic/phonetic.idx unless it spells the word before it, as
// in a word list; without one the English voice reads the letters.
//
// --fix rewrites each header's line counts so that section n starts at the n-th block of body
// lines (blocks are separated by lines containing "#"); the rest of the file stays byte for byte.
// It mends sources only.
//
// --new-words also warns of every English word a dialogue line uses before a word list entry of
// its lesson or an earlier one introduces it (see new_words.h), once per word, so that a course
// can be written for learners who start from nothing.
//
// Exit status 0 when there are no errors; warnings do not fail the check.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "new_words.h"

#include "content/course_index.h"
#include "content/leading_number.h"
#include "content/lzw_decoder.h"
#include "content/page_text.h"
#include "content/section_selector.h"
#include "content/text_lines.h"
#include "platform/codepage.h"
#include "platform/files/files.h"
#include "speech/spoken_runs.h"
#include "speech/viseme_table.h"

namespace fs = std::filesystem;

namespace {

class Report {
  public:
    void Error(const std::string& where, const std::string& text) {
        ++errors_;
        std::printf("%s: error: %s\n", where.c_str(), text.c_str());
    }
    void Warn(const std::string& where, const std::string& text) {
        ++warnings_;
        std::printf("%s: warning: %s\n", where.c_str(), text.c_str());
    }
    int Errors() const { return errors_; }
    int Warnings() const { return warnings_; }

  private:
    int errors_ = 0;
    int warnings_ = 0;
};

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::size_t Count(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

// One character of UTF-8 text, or a maximal ill-formed run of bytes.
struct Character {
    char32_t value = 0;
    std::string_view bytes;
    bool valid = false;
};

// Decoded as the tutor's code page conversion decodes UTF-8.
std::vector<Character> Characters(std::string_view text) {
    std::vector<Character> characters;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t start = pos;
        const char32_t value = NextUtf8(text, pos);
        const std::string_view bytes = text.substr(start, pos - start);
        characters.push_back({value, bytes, value != U'\uFFFD' || bytes == "\xEF\xBF\xBD"});
    }
    return characters;
}

// Characters that would be invisible or garbled in a message: controls, blanks other than the
// space, format marks and private-use characters.
bool ShownAsIs(char32_t c) {
    return !(c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || (c >= 0x2000 && c <= 0x200F) ||
             (c >= 0x2028 && c <= 0x202F) || (c >= 0x205F && c <= 0x206F) || c == 0x3000 ||
             (c >= 0xE000 && c <= 0xF8FF) || c == 0xFEFF);
}

std::string Escape(char32_t c) {
    char code[16];
    if (c < 0x100) {
        std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned>(c));
    } else if (c < 0x10000) {
        std::snprintf(code, sizeof code, "\\u%04x", static_cast<unsigned>(c));
    } else {
        std::snprintf(code, sizeof code, "\\U%08x", static_cast<unsigned>(c));
    }
    return code;
}

// `text` in quotes, with quotes, backslashes and unseen characters escaped.
std::string Quoted(std::string_view text) {
    const char quote = Contains(text, "'") && !Contains(text, "\"") ? '"' : '\'';
    std::string quoted(1, quote);
    for (const Character& c : Characters(text)) {
        if (!c.valid) {
            for (const char byte : c.bytes) {
                quoted += Escape(static_cast<unsigned char>(byte));
            }
        } else if (c.value == '\\' || c.value == static_cast<char32_t>(quote)) {
            quoted += '\\';
            quoted += c.bytes;
        } else if (c.value == '\t' || c.value == '\n' || c.value == '\r') {
            quoted += c.value == '\t' ? "\\t" : c.value == '\n' ? "\\n" : "\\r";
        } else if (!ShownAsIs(c.value)) {
            quoted += Escape(c.value);
        } else {
            quoted += c.bytes;
        }
    }
    quoted += quote;
    return quoted;
}

// Bytes in quotes after a "b": printable ASCII as it is, anything else escaped.
std::string QuotedBytes(std::string_view bytes) {
    const char quote = Contains(bytes, "'") && !Contains(bytes, "\"") ? '"' : '\'';
    std::string quoted = {'b', quote};
    for (const char byte : bytes) {
        if (byte == '\\' || byte == quote) {
            quoted += '\\';
            quoted += byte;
        } else if (byte >= 0x20 && byte < 0x7F) {
            quoted += byte;
        } else {
            quoted += Escape(static_cast<unsigned char>(byte));
        }
    }
    quoted += quote;
    return quoted;
}

// Every character must exist in CP936 and must not carry an ASCII byte there: characters outside
// GB2312 may end in a byte such as "@", "[", "\" or "`", which the tutor's byte-wise searches
// would take for markup.
void CheckEncoding(Report& report, const std::string& where, std::string_view text) {
    std::map<char32_t, std::string_view> distinct;
    bool wellFormed = true;
    for (const Character& c : Characters(text)) {
        wellFormed = wellFormed && c.valid;
        if (c.valid && c.value >= 0x80) {
            distinct.emplace(c.value, c.bytes);
        }
    }
    if (!wellFormed) {
        report.Error(where, "the text is not valid UTF-8");
    }
    for (const auto& [value, utf8] : distinct) {
        const std::string cp936 = Utf8ToCp936(utf8);
        if (Cp936ToUtf8(cp936) != utf8) {
            report.Error(where, Quoted(utf8) + " cannot be written in CP936");
            continue;
        }
        std::string ascii;
        std::copy_if(cp936.begin(), cp936.end(), std::back_inserter(ascii),
                     [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
        if (!ascii.empty()) {
            report.Error(where,
                         Quoted(utf8) + " has the ASCII byte " + QuotedBytes(ascii) + " in CP936");
        }
    }
}

// Whether the tutor, speaking the line's row, drops digits at its start. The tutor's own rules
// decide: its speaker prefix, then its clean-up, which drops only digits it finds at the front,
// so a letter put before them keeps them.
bool LeadingDigitsUnspoken(std::string_view line) {
    std::string spoken = Utf8ToCp936(WithoutTags(line));
    StripSpeakerPrefix(spoken);
    std::string guarded = "x" + spoken;
    CleanSentence(spoken);
    CleanSentence(guarded);
    return guarded.substr(1) != spoken;
}

void CheckPhonetics(Report& report, const std::string& where, std::string_view line) {
    const std::string text = WithoutTags(line);
    for (std::size_t open = text.find('['); open != std::string::npos;) {
        const std::size_t close = text.find(']', open);
        if (close == std::string::npos) {
            break;
        }
        const std::string_view piece = std::string_view(text).substr(open + 1, close - open - 1);
        std::map<char32_t, std::string_view> odd;
        for (const Character& c : Characters(piece)) {
            const bool letter =
                (c.value >= 'a' && c.value <= 'z') || (c.value >= 'A' && c.value <= 'Z');
            if (!letter && !(c.valid && c.value < 0x80 && Contains(" '`-", c.bytes))) {
                odd.emplace(c.value, c.bytes);
            }
        }
        if (!odd.empty()) {
            std::string listed;
            for (const auto& [value, bytes] : odd) {
                listed += (listed.empty() ? "" : " ") + std::string(bytes);
            }
            report.Warn(where, "phonetic [" + std::string(piece) + "] holds " + listed +
                                   ", which speaking drops or splits");
        }
        open = text.find('[', close + 1);
    }
}

// Where a lesson's lines are checked against: its picture folder, and the phonetic pieces that
// the course's table has a sound for (CP936, brackets included).
struct LessonPlace {
    fs::path pictureFolder;
    const std::set<std::string, std::less<>>& sounds;
};

// The bracketed pieces the tutor plays from its phonetic table when it speaks the line, each in
// CP936 with whether English comes right before it, as a word list's spelling follows its word.
std::vector<std::pair<std::string, bool>> SpokenPhonetics(std::string_view line) {
    std::string spoken = Utf8ToCp936(WithoutTags(line));
    StripSpeakerPrefix(spoken);
    CleanSentence(spoken);
    std::vector<std::pair<std::string, bool>> pieces;
    bool afterWord = false;
    while (!spoken.empty()) {
        std::string run;
        const int kind = SplitFirstRun(spoken, run);
        if (kind == RUN_PHONETIC) {
            pieces.emplace_back(run, afterWord);
        }
        afterWord = kind == RUN_ENGLISH && std::any_of(run.begin(), run.end(), [](char c) {
                        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                    });
    }
    return pieces;
}

void CheckSounds(Report& report, const std::string& where, std::string_view line,
                 const LessonPlace& place) {
    for (const auto& [piece, spellsWord] : SpokenPhonetics(line)) {
        if (!spellsWord && !place.sounds.contains(piece)) {
            report.Warn(where, "phonetic " + Quoted(Cp936ToUtf8(piece)) +
                                   " has no recorded sound in phonetic/phonetic.idx, so the "
                                   "English voice reads its letters");
        }
    }
}

void CheckLine(Report& report, const std::string& where, std::string_view line,
               const LessonPlace& place) {
    for (const std::string tag : {"u", "i"}) {
        if (Count(line, "<" + tag + ">") != Count(line, "</" + tag + ">")) {
            report.Error(where, "unbalanced <" + tag + "> marks");
        }
    }
    if ((Contains(line, "<IMG") || Contains(line, "<img")) && Contains(line, "=")) {
        const std::string name = PictureFileName(line);
        std::error_code error;
        if (!fs::is_regular_file(place.pictureFolder / name, error)) {
            report.Error(where,
                         "picture " + name + " is missing from " + place.pictureFolder.string());
        }
        return;
    }
    CheckPhonetics(report, where, line);
    CheckSounds(report, where, line, place);
    if (LeadingDigitsUnspoken(line)) {
        report.Warn(where, "the line starts with a digit, which is not spoken");
    }
}

struct Section {
    std::string title;
    std::optional<std::string> skip;  // the text after "@", none without an "@"
};

// The sections as the tutor lists them in its section drop-down, each with the line count the
// lesson page reads for it.
std::vector<Section> ParseHeader(std::string_view header) {
    std::string selector(header);
    BuildSectionSelector(selector, 0);
    std::vector<Section> sections;
    std::string_view rows = selector;
    rows.remove_prefix(rows.find('\n') + 1);
    for (int n = 1;; ++n) {
        const std::string option = "<OPTION value = \"" + std::to_string(n) + "\">";
        if (!rows.starts_with(option)) {
            break;
        }
        const std::size_t end = rows.find('\n');
        Section section{std::string(rows.substr(option.size(), end - option.size())), {}};
        rows.remove_prefix(end + 1);

        if (const std::optional<std::string_view> skip = SectionSkipText(header, n)) {
            section.skip = std::string(*skip);
        }
        sections.push_back(std::move(section));
    }
    return sections;
}

// Where each run of body lines free of "#" starts, as an offset after the header.
std::vector<int> BlockStarts(const std::vector<std::string_view>& body) {
    std::vector<int> starts;
    const int lines = static_cast<int>(body.size());
    for (int i = 0; i < lines;) {
        if (Contains(body[i], "#")) {
            ++i;
            continue;
        }
        starts.push_back(i);
        while (i < lines && !Contains(body[i], "#")) {
            ++i;
        }
    }
    return starts;
}

bool IsPlainNumber(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Rewrites the header's line counts; true when the file changed.
bool MendHeader(Report& report, const fs::path& path, std::string& text,
                const std::vector<Section>& sections, const std::vector<int>& blocks) {
    std::string header;
    for (std::size_t n = 0; n < sections.size(); ++n) {
        header += "#" + std::to_string(n + 1) + sections[n].title + "@" +
                  std::to_string(n < blocks.size() ? blocks[n] : 0);
    }
    header += "#";
    const std::string_view old = SplitTextLines(text).front();
    if (header == old) {
        return false;
    }
    std::string mended = header + text.substr(old.size());
    if (const std::error_code error = ReplaceFile(path.string(), mended)) {
        report.Error(path.string(), "cannot write: " + error.message());
        return false;
    }
    std::printf("%s: header rewritten\n", path.c_str());
    text = std::move(mended);
    return true;
}

void CheckSection(Report& report, const fs::path& path, const LessonPlace& place, int n,
                  const Section& section, const std::vector<std::string_view>& body,
                  const std::vector<int>& blocks) {
    const std::string where = path.string() + " section " + std::to_string(n);
    if (!section.skip) {
        report.Error(where, "no \"@\" and line count after the title");
        return;
    }
    if (!IsPlainNumber(*section.skip)) {
        report.Error(where, "line count " + Quoted(*section.skip) + " is not a plain number");
    }
    if (TrimLine(section.title).empty()) {
        report.Warn(where, "empty title");
    }
    const int start = LeadingNumber(*section.skip);
    if (n - 1 < static_cast<int>(blocks.size()) && start != blocks[n - 1]) {
        report.Error(where, "starts at body line " + std::to_string(start) +
                                ", but its block starts at " + std::to_string(blocks[n - 1]));
    }
    const int lines = static_cast<int>(body.size());
    if (start >= lines) {
        report.Error(where,
                     "line count " + std::to_string(start) + " runs past the end of the file");
        return;
    }
    // The tutor skips no lines for a negative count.
    const int first = std::max(start, 0);
    int end = first;
    while (end < lines && !Contains(body[end], "#")) {
        ++end;
    }
    if (end == first) {
        report.Error(where, "the section is empty");
    }
    bool inTable = false;
    for (int i = first; i < end; ++i) {
        const std::string_view line = body[i];
        const std::string lineWhere = path.string() + ":" + std::to_string(i + 2);
        if (line.empty()) {
            report.Warn(lineWhere, "empty line: shown as an empty numbered row");
        }
        const bool opens = Contains(line, "<table") || Contains(line, "<TABLE");
        const bool closes = Contains(line, "</table") || Contains(line, "</TABLE");
        if (!inTable && opens) {
            inTable = true;
            if (closes) {
                report.Error(lineWhere, "a table must not open and close on one line");
            }
        } else if (inTable && closes) {
            inTable = false;
        }
        CheckLine(report, lineWhere, line, place);
    }
    if (inTable) {
        report.Error(where, "a table is still open at the end of the section");
    }
}

// The text of a built lesson file, expanded and converted to UTF-8 as the tutor would show it;
// none when it cannot be opened.
std::optional<std::string> ReadBuiltLesson(Report& report, const fs::path& path) {
    std::string packed;
    if (const std::error_code error = ReadWholeFile(path.string(), packed, kMaxLessonFileSize)) {
        report.Error(path.string(), "cannot read: " + error.message());
        return std::nullopt;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(packed.data());
    if (DeclaredLessonLength(data, packed.size()) > kMaxLessonTextLength) {
        report.Error(path.string(), "declares more text than the tutor opens");
        return std::nullopt;
    }
    CLzwDecoder decoder;
    decoder.Decode(data, packed.size());
    const std::string cp936(reinterpret_cast<const char*>(decoder.Output()), decoder.Length());
    std::string text = Cp936ToUtf8(cp936);
    if (Utf8ToCp936(text) != cp936) {
        report.Error(path.string(), "the expanded text is not CP936");
    }
    return text;
}

void CheckNewWords(Report& report, const fs::path& path, const std::vector<std::string_view>& lines,
                   NewWordCheck& newWords) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (const NewWord& use : newWords.ReadLesson(lines)) {
        // "don't" names the word it lacks, "not", and where it found it.
        const bool asWritten =
            std::equal(use.written.begin(), use.written.end(), use.word.begin(), use.word.end(),
                       [&](char a, char b) { return lower(a) == b; });
        const std::string written = asWritten ? "" : " (in " + Quoted(use.written) + ")";
        report.Warn(path.string() + ":" + std::to_string(use.line + 1),
                    "new word " + Quoted(use.word) + written + " before a word list introduces it");
    }
}

// `path` names the lesson in messages; --fix rewrites it, so it is the source file when fixing.
// `newWords` reads the lessons in the index's order when the new words are checked.
void CheckLesson(Report& report, const fs::path& path, std::string text, const LessonPlace& place,
                 bool fix, NewWordCheck* newWords) {
    std::vector<std::string_view> lines = SplitTextLines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string where = path.string() + ":" + std::to_string(i + 1);
        CheckEncoding(report, where, lines[i]);
        if (Contains(lines[i], "\r")) {
            report.Warn(where, "carriage return inside the line");
        }
    }
    if (lines.empty()) {
        report.Error(path.string(), "empty lesson");
        return;
    }
    std::vector<Section> sections = ParseHeader(lines[0]);
    if (sections.empty()) {
        report.Error(path.string() + ":1", "the header has no section 1 ending with \"#\"");
        return;
    }
    std::vector<std::string_view> body(lines.begin() + 1, lines.end());
    const std::vector<int> blocks = BlockStarts(body);
    if (fix && MendHeader(report, path, text, sections, blocks)) {
        lines = SplitTextLines(text);
        body.assign(lines.begin() + 1, lines.end());
        sections = ParseHeader(lines[0]);
    }
    if (sections.size() != blocks.size()) {
        report.Error(path.string() + ":1",
                     std::to_string(sections.size()) + " sections in the header but " +
                         std::to_string(blocks.size()) + " blocks of body lines");
    }
    for (std::size_t n = 0; n < sections.size(); ++n) {
        CheckSection(report, path, place, static_cast<int>(n + 1), sections[n], body, blocks);
    }
    if (newWords != nullptr) {
        CheckNewWords(report, path, lines, *newWords);
    }
}

// The phonetic pieces of the course's table whose sound file is there, as the tutor reads the
// table: its first lines only, each split at "=" and "@".
std::set<std::string, std::less<>> RecordedSounds(Report& report, const fs::path& course) {
    std::set<std::string, std::less<>> sounds;
    const fs::path folder = course / "phonetic";
    std::string table;
    if (ReadWholeFile((folder / "phonetic.idx").string(), table)) {
        return sounds;
    }
    for (const std::string& line : ParsePhoneticTable(table)) {
        const PhoneticEntry entry = SplitPhoneticLine(line);
        std::error_code error;
        if (!fs::is_regular_file(folder / entry.file, error)) {
            report.Error((folder / "phonetic.idx").string(),
                         "sound " + Quoted(Cp936ToUtf8(entry.file)) + " of " +
                             Quoted(Cp936ToUtf8(entry.key)) + " is missing");
            continue;
        }
        sounds.insert(entry.key);
    }
    return sounds;
}

void CheckCourse(Report& report, const fs::path& course, bool fix, NewWordCheck* newWords) {
    // The build leaves the lesson sources behind: a course without them is one that was built.
    std::error_code noSources;
    const bool built = !fs::is_directory(course / "lessons", noSources);
    if (built && fix) {
        report.Error(course.string(), "--fix mends a course's sources; this is a built course");
        return;
    }
    const fs::path index = course / "cntindex.idx";
    std::string bytes;
    if (const std::error_code error = ReadWholeFile(index.string(), bytes)) {
        report.Error(index.string(), error.message());
        return;
    }
    const std::set<std::string, std::less<>> sounds = RecordedSounds(report, course);
    std::set<std::string, std::less<>> names;
    const std::vector<std::string_view> lines = SplitTextLines(bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string where = index.string() + ":" + std::to_string(i + 1);
        std::string line(lines[i]);
        if (built) {
            line = Cp936ToUtf8(lines[i]);
            if (Utf8ToCp936(line) != lines[i]) {
                report.Error(where, "the line is not CP936 text");
            }
        }
        // A line may still hold several entries the tutor tells apart (a bare CR ends one too).
        for (const std::string& entry : ParseCourseIndex(line)) {
            CheckEncoding(report, where, entry);
            if (!Contains(entry, "=")) {
                report.Error(where, "no \"=\" between lesson name and file");
                continue;
            }
            const auto [name, file] = SplitCourseEntry(entry);
            if (TrimLine(name) != name || name.empty() || Contains(name, "  ")) {
                report.Error(where, "lesson name must not be empty, padded or hold double blanks");
            }
            if (name.find_first_of("&<>") != std::string_view::npos) {
                report.Error(where, "lesson name must be plain text (no & < >)");
            }
            if (!names.emplace(name).second) {
                report.Error(where, "lesson name " + Quoted(name) + " is used twice");
            }
            const std::size_t dot = file.rfind('.');
            if (dot == std::string_view::npos) {
                report.Error(where, "file " + Quoted(file) + " has no extension");
                continue;
            }
            const std::string_view base = file.substr(0, dot);
            // The built course holds its lesson files side by side in the course folder; a name
            // with a folder part would also let --fix write outside the course.
            if (base.empty() || base.find_first_of("/\\") != std::string_view::npos) {
                report.Error(where, "file " + Quoted(file) + " must be a plain file name");
                continue;
            }
            const LessonPlace place{course / base, sounds};
            const fs::path source =
                built ? course / file : course / "lessons" / (std::string(base) + ".txt");
            std::error_code error;
            if (!fs::is_regular_file(source, error)) {
                report.Error(where,
                             (built ? "no lesson file " : "no lesson source ") + source.string());
                continue;
            }
            std::optional<std::string> text;
            if (built) {
                text = ReadBuiltLesson(report, source);
            } else if (const std::error_code failed =
                           ReadWholeFile(source.string(), text.emplace())) {
                report.Error(source.string(), "cannot read: " + failed.message());
                text.reset();
            }
            if (text) {
                CheckLesson(report, source, std::move(*text), place, fix, newWords);
            }
        }
    }
    if (names.empty()) {
        report.Error(index.string(), "no lessons");
    }
}

constexpr const char* kUsage = "usage: quorvan-check-course COURSE_DIR [--fix] [--new-words]\n";

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::string> course;
    bool fix = false;
    bool newWords = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--fix") {
            fix = true;
        } else if (argument == "--new-words") {
            newWords = true;
        } else if (argument == "-h" || argument == "--help") {
            std::printf(
                "%sChecks the sources of a course, or a built course folder (one without\n"
                "lessons/); --fix rewrites the sources' header line counts.\n"
                "--new-words also warns of each English word that a dialogue line (one with\n"
                "\"Name:\") uses before a word list entry (\"word [spelling] meaning\") of its\n"
                "lesson or an earlier one introduces it. Regular forms (-s, -es, -ies, -ed, -d,\n"
                "-ied, -ing), possessives and contractions count as their headword; an entry\n"
                "names irregular forms in parentheses: \"go (went, gone) [gou] ...\".\n",
                kUsage);
            return 0;
        } else if (argument.starts_with("-") || course) {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        } else {
            course = std::string(argument);
        }
    }
    if (!course) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    Report report;
    NewWordCheck newWordCheck;
    CheckCourse(report, *course, fix, newWords ? &newWordCheck : nullptr);
    std::printf("%d error(s), %d warning(s)\n", report.Errors(), report.Warnings());
    return report.Errors() > 0 ? 1 : 0;
}
