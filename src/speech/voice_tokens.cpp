#include "speech/voice_tokens.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameText(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        const size_t end = text.find(separator);
        const std::string_view part = text.substr(0, end);
        if (!part.empty()) {
            parts.push_back(part);
        }
        if (end == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(end + 1);
    }
}

bool HoldsCondition(const VoiceToken& token, std::string_view condition) {
    const size_t equals = condition.find('=');
    const std::string_view name = condition.substr(0, equals);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : condition.substr(equals + 1);
    for (const VoiceAttribute& attribute : token.attributes) {
        if (!SameText(attribute.name, name)) {
            continue;
        }
        if (equals == std::string_view::npos) {
            return true;
        }
        if (SameText(name, "Language")) {
            for (const std::string_view language : Split(attribute.value, ';')) {
                if (SameText(language, value)) {
                    return true;
                }
            }
        } else if (SameText(attribute.value, value)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool MatchesAttributes(const VoiceToken& token, std::string_view query) {
    for (const std::string_view condition : Split(query, ';')) {
        if (!HoldsCondition(token, condition)) {
            return false;
        }
    }
    return true;
}

const VoiceToken* FindBestToken(std::span<const VoiceToken> tokens, std::string_view required,
                                std::string_view optional) {
    const VoiceToken* best = nullptr;
    int bestScore = -1;
    for (const VoiceToken& token : tokens) {
        if (!MatchesAttributes(token, required)) {
            continue;
        }
        int score = 0;
        for (const std::string_view condition : Split(optional, ';')) {
            if (HoldsCondition(token, condition)) {
                ++score;
            }
        }
        if (score > bestScore) {
            best = &token;
            bestScore = score;
        }
    }
    return best;
}
