#include "practice/line_words.h"

#include <cctype>

#include "platform/codepage.h"
#include "speech/spoken_runs.h"

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// For each byte offset of the line in CP936, the offset of the same character in UTF-8; the
// runs are cut on the CP936 text, and the page colours the UTF-8 one.
std::vector<std::size_t> Utf8Offsets(std::string_view utf8) {
    std::vector<std::size_t> offsets;
    offsets.reserve(utf8.size() + 1);
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t from = at;
        NextUtf8(utf8, at);
        const std::size_t length = Utf8ToCp936(utf8.substr(from, at - from)).size();
        offsets.insert(offsets.end(), length, from);
    }
    offsets.push_back(utf8.size());
    return offsets;
}

void AddWords(std::string_view run, std::size_t runAt, const std::vector<std::size_t>& offsets,
              std::vector<LineWord>& words) {
    for (std::size_t at = 0; at < run.size();) {
        if (!IsLetter(run[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < run.size() &&
               (IsLetter(run[end]) ||
                (run[end] == '\'' && end + 1 < run.size() && IsLetter(run[end + 1])))) {
            ++end;
        }
        LineWord word;
        word.text = std::string(run.substr(at, end - at));
        for (const char c : word.text) {
            word.key.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
        }
        word.offset = offsets[runAt + at];
        word.length = word.text.size();
        words.push_back(std::move(word));
        at = end;
    }
}

}  // namespace

std::vector<LineWord> ExtractLineWords(std::string_view utf8Line) {
    const std::vector<std::size_t> offsets = Utf8Offsets(utf8Line);
    std::string rest = Utf8ToCp936(utf8Line);
    const std::size_t whole = rest.size();
    StripSpeakerPrefix(rest);
    std::vector<LineWord> words;
    std::string run;
    while (!rest.empty()) {
        const std::size_t runAt = whole - rest.size();
        if (SplitFirstRun(rest, run) == RUN_ENGLISH) {
            AddWords(run, runAt, offsets, words);
        }
    }
    return words;
}
