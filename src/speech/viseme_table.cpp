#include "speech/viseme_table.h"

#include <array>

#include "content/leading_number.h"
#include "content/text_lines.h"

namespace {

// Every occurrence of the engine's name prefix "SP_VISEME_" counts as a 0 digit.
std::string WithoutEnginePrefix(std::string_view key) {
    static constexpr std::string_view kPrefix = "SP_VISEME_";
    std::string plain;
    while (!key.empty()) {
        if (key.starts_with(kPrefix)) {
            plain += '0';
            key.remove_prefix(kPrefix.size());
        } else {
            plain += key.front();
            key.remove_prefix(1);
        }
    }
    return plain;
}

// The built-in picture of each mouth shape; seven pictures serve the 22 shapes.
constexpr std::array<int, kMouthShapeCount> kDefaultBitmaps{
    136, 142, 142, 142, 141, 137, 141, 138, 138, 141, 137,
    142, 141, 137, 140, 139, 140, 139, 139, 140, 140, 139,
};

}  // namespace

std::vector<VisemeLine> ParseVisemeTable(std::string_view text) {
    std::vector<VisemeLine> lines;
    for (const std::string_view raw : SplitTextLines(text)) {
        const std::string_view line = TrimLine(raw);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string_view key = TrimLine(line.substr(0, equals));
        const std::string_view file = TrimLine(line.substr(equals + 1));
        if (!key.empty() && !file.empty()) {
            lines.push_back({LeadingNumber(WithoutEnginePrefix(key)), std::string(file)});
        }
    }
    return lines;
}

std::optional<int> VisemeSlot(int number) {
    if (number >= 1 && number < kMouthShapeCount) {
        return number;
    }
    if (number == kMouthShapeCount) {
        return 0;
    }
    return std::nullopt;
}

int DefaultVisemeBitmap(int shape) {
    if (shape < 0 || shape >= kMouthShapeCount) {
        return kDefaultBitmaps[0];
    }
    return kDefaultBitmaps[shape];
}

std::vector<std::string> ParsePhoneticTable(std::string_view text) {
    std::vector<std::string> kept;
    for (const std::string_view raw : SplitTextLines(text)) {
        const std::string_view line = TrimLine(raw);
        if (line.starts_with('[') && line.find('=') != std::string_view::npos &&
            line.find(']') != std::string_view::npos) {
            kept.emplace_back(line);
        }
    }
    return kept;
}

PhoneticEntry SplitPhoneticLine(std::string_view line) {
    PhoneticEntry entry{std::string(), std::string(), 0};
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) {
        return entry;
    }
    entry.key = TrimLine(line.substr(0, equals));
    std::string_view sound = line.substr(equals + 1);
    if (const size_t at = sound.find('@'); at != std::string_view::npos) {
        entry.picture = LeadingNumber(TrimLine(sound.substr(at + 1)));
        sound = sound.substr(0, at);
    }
    entry.file = TrimLine(sound);
    return entry;
}
