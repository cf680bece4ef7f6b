#include "speech/voice_tokens.h"

#include <gtest/gtest.h>

namespace {

VoiceToken Token(std::string name, std::vector<VoiceAttribute> attributes) {
    return VoiceToken{name, "test", name, std::move(attributes)};
}

const std::vector<VoiceToken> kVoices{
    Token("female", {{"Gender", "Female"}, {"Language", "409"}, {"VendorPreferred", ""}}),
    Token("first", {{"Gender", "Male"}, {"Language", "409"}}),
    Token("scottish", {{"Gender", "Male"}, {"Language", "809;409"}, {"VendorPreferred", ""}}),
    Token("chinese", {{"gender", "male"}, {"Language", "804"}}),
};

std::string Best(std::string_view required, std::string_view optional) {
    const VoiceToken* token = FindBestToken(kVoices, required, optional);
    return token != nullptr ? token->name : "(none)";
}

TEST(VoiceTokens, RequiredAttributesMustAllHold) {
    EXPECT_EQ(Best("Gender=Male;Language=804", ""), "chinese");
    EXPECT_EQ(Best("Gender=Male;Language=412", ""), "(none)");
    // One language of a list is enough.
    EXPECT_EQ(Best("Language=809", ""), "scottish");
    EXPECT_TRUE(MatchesAttributes(kVoices[2], "gender=MALE;language=409"));
    EXPECT_FALSE(MatchesAttributes(kVoices[1], "Gender=Male;VendorPreferred"));
}

TEST(VoiceTokens, OptionalAttributesRankAndOrderBreaksTies) {
    EXPECT_EQ(Best("Gender=Male;Language=409", ""), "first");
    EXPECT_EQ(Best("Gender=Male;Language=409", "VendorPreferred"), "scottish");
    // The preferred female voice never wins a request for a male one.
    EXPECT_EQ(Best("Gender=Male;Language=409", "VendorPreferred;Gender=Female"), "scottish");
}

}  // namespace
