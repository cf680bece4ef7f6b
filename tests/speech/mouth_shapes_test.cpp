#include "speech/mouth_shapes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every phone flite's US English voices produce, pauses included.
const std::vector<std::string> kFlitePhones{
    "pau", "aa", "ae", "ah", "ao", "aw", "ax", "axr", "ay", "b",  "ch", "d",
    "dh",  "dx", "eh", "el", "em", "en", "er", "ey",  "f",  "g",  "hh", "hv",
    "ih",  "iy", "jh", "k",  "l",  "m",  "n",  "nx",  "ng", "ow", "oy", "p",
    "r",   "s",  "sh", "t",  "th", "uh", "uw", "v",   "w",  "y",  "z",  "zh"};

// Every phoneme espeak-ng 1.51's Mandarin voice produces for all pinyin syllables and a few
// thousand common characters.
const std::vector<std::string> kMandarinPhonemes{
    ";",   "@",   "@r",   "A",  "Au", "N",   "S;",   "X",   "_",  "_:",  "_|", "a",
    "ai",  "ei",  "f",    "i",  "i.", "iA",  "iE",   "i[",  "io", "iou", "j",  "k",
    "kh",  "l",   "m",    "n",  "o",  "o-",  "ong",  "ou",  "p",  "ph",  "s",  "s.",
    "t",   "tS;", "tS;h", "th", "ts", "ts.", "ts.h", "tsh", "u",  "u@",  "ua", "uai",
    "uei", "uo",  "v",    "w",  "y",  "y&",  "y@",   "yE",  "yi", "yu",  "z."};

// A mouth that kept its previous shape for a sound the table lacks would be wrong for a whole
// phone, so every sound the engines make must have a shape.
TEST(MouthShapes, EveryPhoneOfTheEnginesHasAShape) {
    for (const std::string& phone : kFlitePhones) {
        EXPECT_TRUE(EnglishPhoneShape(phone).has_value()) << phone;
    }
    for (const std::string& phoneme : kMandarinPhonemes) {
        EXPECT_TRUE(MandarinPhonemeShape(phoneme).has_value()) << phoneme;
    }
    EXPECT_FALSE(MandarinPhonemeShape("(en)").has_value());
    EXPECT_FALSE(EnglishPhoneShape("").has_value());
}

// Mandarin sounds take the English shape made with the same lips and tongue.
TEST(MouthShapes, MandarinFollowsTheArticulationOfEnglish) {
    struct Pair {
        const char* mandarin;  // pinyin in the comment
        const char* english;
    };
    const Pair pairs[] = {
        {"p", "b"},    {"ph", "p"},    {"m", "m"},   {"f", "f"},    // b p m f
        {"t", "d"},    {"th", "t"},    {"n", "n"},   {"l", "l"},    // d t n l
        {"k", "g"},    {"kh", "k"},    {"X", "hh"},  {"N", "ng"},   // g k h -ng
        {"tS;", "jh"}, {"tS;h", "ch"}, {"S;", "sh"},                // j q x
        {"ts.", "jh"}, {"ts.h", "ch"}, {"s.", "sh"}, {"z.", "r"},   // zh ch sh r
        {"ts", "z"},   {"tsh", "s"},   {"s", "s"},                  // z c s
        {"A", "aa"},   {"@", "ax"},    {"i", "iy"},  {"u", "uw"},   // a e(n) i u
        {"v", "uw"},   {"@r", "er"},   {"ai", "ay"}, {"ei", "ey"},  // ü er ai ei
        {"Au", "aw"},  {"ou", "ow"},   {"_", "pau"},                // ao ou, pause
    };
    for (const Pair& pair : pairs) {
        EXPECT_EQ(MandarinPhonemeShape(pair.mandarin), EnglishPhoneShape(pair.english))
            << pair.mandarin;
    }
}

}  // namespace
