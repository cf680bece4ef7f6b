#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// The voices an engine offers, described by attributes, and the choice among them.

struct VoiceAttribute {
    std::string name;   // "Gender", "Language", "VendorPreferred", ...
    std::string value;  // "Male"; a language list such as "809;409"; empty for a bare flag
};

struct VoiceToken {
    std::string name;    // unique among all engines and safe in a file name: "cmu_us_rms"
    std::string engine;  // "flite", "espeak-ng"
    std::string id;      // the engine's own name of the voice
    std::vector<VoiceAttribute> attributes;
};

// Whether the token has every attribute of `query`: conditions separated by ';', each either
// "Name=Value" or a bare "Name". Names and values compare without regard to case; a Language
// condition holds when its value is one of the token's languages.
bool MatchesAttributes(const VoiceToken& token, std::string_view query);

// The best voice for a request: among the tokens that have every `required` attribute, the one
// with the most `optional` attributes; on a tie, the first in `tokens`. Null when none qualifies.
const VoiceToken* FindBestToken(std::span<const VoiceToken> tokens, std::string_view required,
                                std::string_view optional);

// The requests of the two voices of a role.
inline constexpr std::string_view kEnglishVoiceAttributes = "Gender=Male;Language=409";
inline constexpr std::string_view kChineseVoiceAttributes = "Gender=Male;Language=804";
inline constexpr std::string_view kPreferredVoiceAttributes = "VendorPreferred";
