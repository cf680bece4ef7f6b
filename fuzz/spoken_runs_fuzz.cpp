// Reads arbitrary bytes as a lesson line and prepares it for speech both ways. Beyond memory
// safety it checks what the speakers rely on: every cut takes at least one byte and ends on a
// character boundary, the runs put together give the text back, and a cleaned line is clean.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "speech/spoken_runs.h"

namespace {

// Cuts `text` into runs as the speakers do; aborts on a cut that takes nothing, tears a character
// apart or loses bytes.
void SplitChecked(std::string text) {
    const std::string whole = text;
    std::string joined;
    std::string run;
    std::size_t boundary = 0;
    while (!text.empty()) {
        const std::size_t before = text.size();
        const int kind = SplitFirstRun(text, run);
        if (run.empty() || text.size() + run.size() != before ||
            (kind != RUN_CHINESE && kind != RUN_ENGLISH && kind != RUN_PHONETIC)) {
            std::abort();
        }
        if (kind == RUN_PHONETIC && (run.front() != '[' || run.back() != ']')) {
            std::abort();
        }
        // The cut must fall where a walk of whole characters over the full text lands.
        const std::size_t cut = joined.size() + run.size();
        while (boundary < cut) {
            boundary += Cp936CharLength(whole, boundary);
        }
        if (boundary != cut) {
            std::abort();
        }
        joined += run;
    }
    if (joined != whole) {
        std::abort();
    }
}

// True when every character of `text` is whole: no lead byte without its trail, no 0xFF.
bool WellFormed(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Cp936CharLength(text, at);
        if (length == 1 && static_cast<unsigned char>(text[at]) > 0x80) {
            return false;
        }
        at += length;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    SplitChecked(line);

    std::string text = line;
    StripSpeakerPrefix(text);
    if (text.size() > line.size() || line.compare(line.size() - text.size(), text.size(), text)) {
        std::abort();
    }
    for (const bool whole : {true, false}) {
        std::string cleaned = text;
        if (whole) {
            CleanSentence(cleaned);
        } else {
            CleanQueue(cleaned);
        }
        if (cleaned.size() > text.size() || !WellFormed(cleaned)) {
            std::abort();
        }
        // A line spoken whole is clean after one pass. (Not so through the queue, which drops
        // only one "、" left in front: "1、2" leaves "2".)
        if (whole) {
            std::string again = cleaned;
            CleanSentence(again);
            if (again != cleaned) {
                std::abort();
            }
        }
        SplitChecked(cleaned);
    }
    return 0;
}
