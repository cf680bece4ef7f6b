#pragma once

#include <string>
#include <string_view>
#include <vector>

// Mispronunciations the scorer listens for: a word said with one sound swapped for one that
// Chinese speakers often put in its place (ship as sheep, think as sink, right as light, very as
// berry), or with its final consonant dropped (thirteen as thirty). Phones are the recogniser's
// ("SH IH P").
struct Slip {
    std::string phones;    // the word as the learner may say it
    std::string expected;  // the sound the word has: "IH"
    std::string heard;     // the sound said instead: "IY"; empty when it was dropped
};

// Each slip of a pronunciation once, none equal to the pronunciation itself.
std::vector<Slip> SlipsOf(std::string_view phones);

// A sound as the course's phonetic spellings write it ("IY" is "ii", "TH" is "th").
std::string CourseSpelling(std::string_view phone);
