#include "speech/speakable_text.h"

#include <utility>

#include "platform/codepage.h"
#include "platform/log/log.h"
#include "speech/spoken_runs.h"

namespace {

enum class Kind {
    kSpace,
    kMark,
    kWord,
};

// How strongly a mark ends what comes before it; the strongest of a run is kept.
enum Strength {
    kPlainMark = 0,
    kClauseMark = 1,
    kSentenceMark = 2,
};

struct Character {
    std::size_t length = 1;  // bytes
    Kind kind = Kind::kWord;
    Strength strength = kPlainMark;
};

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point of the well-formed UTF-8 character at `at` and its length; a byte that starts
// none gives length 1 and code point -1.
std::pair<long, std::size_t> Decode(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t length = 0;
    long low = 0;  // the smallest code point of that length: shorter forms are ill-formed
    long point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        low = 0x80;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = 0x800;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = 0x10000;
        point = lead & 0x07;
    } else {
        return {-1, 1};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(byte(i))) {
            return {-1, 1};
        }
        point = (point << 6) | (byte(i) & 0x3F);
    }
    if (point < low || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return {-1, 1};
    }
    return {point, length};
}

// ASCII, Latin-1, general punctuation and Chinese (CJK punctuation, ideographs, full-width
// forms): what the voices speak. Of any other script espeak-ng loads that language's dictionary
// in the middle of the text and may go on reading the one it freed, as 310 code points of the
// Greek, Indic, Georgian and Hangul blocks (U+0BFE, U+0D66, U+11A8...) showed; flite reads ASCII
// alone anyway.
bool IsReadable(long point) {
    return point < 0x100 || (point >= 0x2000 && point <= 0x206F) ||
           (point >= 0x3000 && point <= 0x303F) || (point >= 0x3400 && point <= 0x4DBF) ||
           (point >= 0x4E00 && point <= 0x9FFF) || (point >= 0xF900 && point <= 0xFAFF) ||
           (point >= 0xFF00 && point <= 0xFFEF);
}

bool IsSpace(long point) {
    return point < 0x21 || (point >= 0x7F && point <= 0xA0) ||
           (point >= 0x2000 && point <= 0x200F) || (point >= 0x2028 && point <= 0x202F) ||
           (point >= 0x205F && point <= 0x206F) || point == 0x3000;
}

bool IsMark(long point) {
    if (point < 0x80) {
        return (point >= 0x21 && point <= 0x2F) || (point >= 0x3A && point <= 0x40) ||
               (point >= 0x5B && point <= 0x60) || (point >= 0x7B && point <= 0x7E);
    }
    // General punctuation; CJK commas, stops and brackets; the full-width ASCII marks.
    return (point >= 0x2010 && point <= 0x2027) || (point >= 0x2030 && point <= 0x205E) ||
           (point >= 0x3001 && point <= 0x3003) || (point >= 0x3008 && point <= 0x3011) ||
           (point >= 0x3014 && point <= 0x301F) || point == 0x3030 ||
           (point >= 0xFF01 && point <= 0xFF0F) || (point >= 0xFF1A && point <= 0xFF20) ||
           (point >= 0xFF3B && point <= 0xFF40) || (point >= 0xFF5B && point <= 0xFF65);
}

Strength StrengthOf(long point) {
    switch (point) {
        case '.':
        case '!':
        case '?':
        case 0x3002:  // "。"
        case 0xFF01:  // "！"
        case 0xFF1F:  // "？"
            return kSentenceMark;
        case ',':
        case ';':
        case ':':
        case 0x3001:  // "、"
        case 0xFF0C:  // "，"
        case 0xFF1A:  // "："
        case 0xFF1B:  // "；"
            return kClauseMark;
        default:
            return kPlainMark;
    }
}

Character Classify(std::string_view text, std::size_t at) {
    const auto [point, length] = Decode(text, at);
    Character character;
    character.length = length;
    if (point < 0 || !IsReadable(point) || IsSpace(point)) {
        character.kind = Kind::kSpace;
    } else if (IsMark(point)) {
        character.kind = Kind::kMark;
        character.strength = StrengthOf(point);
    } else {
        character.kind = Kind::kWord;
    }
    return character;
}

bool SaysSomething(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const Character character = Classify(text, at);
        if (character.kind == Kind::kWord) {
            return true;
        }
        at += character.length;
    }
    return false;
}

bool IsLoneMark(std::string_view token) {
    return Classify(token, 0).kind == Kind::kMark && Classify(token, 0).length == token.size();
}

// The tokens of `text` (between spaces), each run of marks in them down to its strongest mark.
// `trailingSpace` tells whether the text ends with a space.
std::vector<std::string> MarkedTokens(std::string_view text, bool& trailingSpace) {
    std::vector<std::string> tokens(1);
    std::string_view mark;
    Strength strength = kPlainMark;
    const auto endMarks = [&] {
        tokens.back().append(mark);
        mark = std::string_view();
    };
    for (std::size_t at = 0; at < text.size();) {
        const Character character = Classify(text, at);
        const std::string_view bytes = text.substr(at, character.length);
        at += character.length;
        trailingSpace = character.kind == Kind::kSpace;
        if (character.kind == Kind::kSpace) {
            endMarks();
            if (!tokens.back().empty()) {
                tokens.emplace_back();
            }
        } else if (character.kind == Kind::kMark) {
            if (mark.empty() || character.strength > strength) {
                mark = bytes;
                strength = character.strength;
            }
        } else {
            endMarks();
            tokens.back().append(bytes);
        }
    }
    endMarks();
    if (tokens.back().empty()) {
        tokens.pop_back();
    }
    return tokens;
}

// `token` in pieces of at most kMaxTokenBytes, cut between characters.
void CutToken(std::string_view token, std::vector<std::string>& pieces) {
    std::size_t from = 0;
    std::size_t at = 0;
    while (at < token.size()) {
        const std::size_t length = Classify(token, at).length;
        if (at + length - from > kMaxTokenBytes) {
            pieces.emplace_back(token.substr(from, at - from));
            from = at;
        }
        at += length;
    }
    pieces.emplace_back(token.substr(from));
}

}  // namespace

std::string SpeakableText(std::string_view text) {
    if (!SaysSomething(text)) {
        return std::string();
    }
    bool trailingSpace = false;
    std::vector<std::string> pieces;
    for (const std::string& token : MarkedTokens(text, trailingSpace)) {
        CutToken(token, pieces);
    }
    // A space at either end stays, as one: the runs of a line are spoken with theirs.
    std::string out = Classify(text, 0).kind == Kind::kSpace ? " " : "";
    // Tokens of one mark each in a row say as much as their strongest mark.
    for (std::size_t i = 0; i < pieces.size();) {
        std::size_t kept = i;
        std::size_t next = i + 1;
        if (IsLoneMark(pieces[i])) {
            for (; next < pieces.size() && IsLoneMark(pieces[next]); ++next) {
                if (Classify(pieces[next], 0).strength > Classify(pieces[kept], 0).strength) {
                    kept = next;
                }
            }
        }
        out += (i == 0 ? "" : " ") + pieces[kept];
        i = next;
    }
    if (trailingSpace) {
        out.push_back(' ');
    }
    return out;
}

std::vector<std::string> SplitUtterances(std::string_view speakable) {
    std::vector<std::string> utterances;
    std::size_t from = 0;
    while (from < speakable.size()) {
        // The best cut inside the window, by strength; a space is the weakest.
        std::size_t cuts[3] = {0, 0, 0};
        std::size_t at = from;
        while (at < speakable.size()) {
            const Character character = Classify(speakable, at);
            if (at + character.length - from > kMaxUtteranceBytes) {
                break;
            }
            at += character.length;
            if (character.kind == Kind::kSpace) {
                cuts[kPlainMark] = at;
            } else if (character.strength != kPlainMark) {
                // An ASCII mark ends a sentence or clause only before a space: "3.14", "10:30".
                const bool ascii = character.length == 1;
                if (!ascii || at == speakable.size() || speakable[at] == ' ') {
                    cuts[character.strength] = at;
                }
            }
        }
        std::size_t end = at;
        if (at < speakable.size()) {
            for (const std::size_t cut :
                 {cuts[kSentenceMark], cuts[kClauseMark], cuts[kPlainMark]}) {
                if (cut > from) {
                    end = cut;
                    break;
                }
            }
        }
        // The space at a cut goes; those at the ends of the text stay.
        std::string_view utterance = speakable.substr(from, end - from);
        if (from > 0 && utterance.starts_with(' ')) {
            utterance.remove_prefix(1);
        }
        if (end < speakable.size() && utterance.ends_with(' ')) {
            utterance.remove_suffix(1);
        }
        if (SaysSomething(utterance)) {
            utterances.emplace_back(utterance);
        }
        from = end;
    }
    return utterances;
}

bool PrepareSpokenLine(std::string& line) {
    std::string rest = std::move(line);
    std::string run;
    std::size_t pieces = 0;
    std::size_t spoken = 0;
    line.clear();
    while (!rest.empty()) {
        const int kind = SplitFirstRun(rest, run);
        const std::string_view said =
            kind == RUN_PHONETIC ? std::string_view(run).substr(1, run.size() - 2) : run;
        const std::size_t size = SpeakableText(Cp936ToUtf8(said)).size();
        if (size == 0) {
            line.push_back(' ');
            continue;
        }
        pieces += kind == RUN_PHONETIC ? 1 : 0;
        spoken += size;
        line += run;
    }
    std::string refusal;
    if (pieces > kMaxPhoneticPieces) {
        refusal = "it would play " + std::to_string(pieces) + " recorded sounds, more than " +
                  std::to_string(kMaxPhoneticPieces);
    } else if (spoken > kMaxSpokenBytes) {
        refusal = "it would say " + std::to_string(spoken) + " bytes, more than " +
                  std::to_string(kMaxSpokenBytes);
    }
    if (!refusal.empty()) {
        LogLine("speech: a line is not spoken: " + refusal);
    }
    return refusal.empty();
}
