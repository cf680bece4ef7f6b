#pragma once

#include <string>
#include <string_view>

// A pronunciation for a word the recogniser's dictionary lacks (names, new words), from flite's
// lexicon and its letter-to-sound rules, in the recogniser's phone set ("HH AH L OW"). Empty when
// the word has no letters. Thread-safe.
std::string FlitePhones(std::string_view lowerCaseWord);
