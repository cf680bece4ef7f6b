#include "practice/slips.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

const Slip* Find(const std::vector<Slip>& slips, const std::string& phones) {
    const auto found = std::find_if(slips.begin(), slips.end(),
                                    [&](const Slip& slip) { return slip.phones == phones; });
    return found == slips.end() ? nullptr : &*found;
}

}  // namespace

TEST(Slips, OffersTheMinimalPairsChineseSpeakersConfuse) {
    const std::vector<Slip> ship = SlipsOf("SH IH P");
    const Slip* sheep = Find(ship, "SH IY P");
    ASSERT_NE(sheep, nullptr);
    EXPECT_EQ(sheep->expected, "IH");
    EXPECT_EQ(sheep->heard, "IY");
    EXPECT_NE(Find(SlipsOf("TH IH NG K"), "S IH NG K"), nullptr);
    EXPECT_NE(Find(SlipsOf("V EH R IY"), "B EH R IY"), nullptr);
    EXPECT_NE(Find(SlipsOf("R AY T"), "L AY T"), nullptr);

    const std::vector<Slip> thirteen = SlipsOf("TH ER T IY N");
    const Slip* thirty = Find(thirteen, "TH ER T IY");
    ASSERT_NE(thirty, nullptr);
    EXPECT_EQ(thirty->expected, "N");
    EXPECT_EQ(thirty->heard, "");
}

TEST(Slips, KeepsOneWaySlipsOneWayAndEndingsAtTheEnd) {
    // s is not said as th, nor a voiceless consonant voiced.
    EXPECT_EQ(Find(SlipsOf("S IH NG K"), "TH IH NG K"), nullptr);
    EXPECT_EQ(Find(SlipsOf("B AE K"), "B AE G"), nullptr);
    // Devoicing and n for ng only at the end of a word.
    EXPECT_NE(Find(SlipsOf("B AE G"), "B AE K"), nullptr);
    EXPECT_EQ(Find(SlipsOf("B AE G"), "P AE G"), nullptr);
    EXPECT_NE(Find(SlipsOf("TH IH NG"), "TH IH N"), nullptr);
    EXPECT_EQ(Find(SlipsOf("TH AE NG K"), "TH AE N K"), nullptr);
    // Nor a vowel before ng, which drifts in anyone's speech.
    EXPECT_EQ(Find(SlipsOf("TH AE NG K"), "TH EH NG K"), nullptr);
}

TEST(Slips, NeverRepeatsNorReturnsTheWordItself) {
    for (const std::string word : {"DH IH S", "IH T", "S T R IY T", "SH IH P"}) {
        std::set<std::string> seen;
        for (const Slip& slip : SlipsOf(word)) {
            EXPECT_NE(slip.phones, word);
            EXPECT_TRUE(seen.insert(slip.phones).second) << word << ": " << slip.phones;
        }
    }
    // Spaces around and between the sounds are no sounds.
    EXPECT_EQ(Find(SlipsOf("  SH  IH P "), "SH IH P"), nullptr);
    EXPECT_NE(Find(SlipsOf("  SH  IH P "), "SH IY P"), nullptr);
    EXPECT_TRUE(SlipsOf("").empty());
    // A lone sound has no slip of its own here, and dropping it would leave nothing.
    EXPECT_TRUE(SlipsOf("AH").empty());
}

TEST(Slips, SpellsSoundsAsTheCourseDoes) {
    EXPECT_EQ(CourseSpelling("IY"), "ii");
    EXPECT_EQ(CourseSpelling("IH"), "i");
    EXPECT_EQ(CourseSpelling("TH"), "th");
    EXPECT_EQ(CourseSpelling("V"), "v");
}
