#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/codepage.h"

// Preparing a lesson line (CP936 bytes) for speech: the speaker prefix, the two clean-ups and the
// cut into runs of one language each. Every search and every cut works on whole characters, so a
// two-byte character is never torn apart, even where its second byte looks like ASCII ("\", "`",
// "[" and "]" are all valid second bytes in CP936).

// The kinds of run SplitFirstRun returns.
constexpr int RUN_CHINESE = 0;   // starts with a byte at or above 0x80
constexpr int RUN_ENGLISH = 1;   // starts with a byte below 0x80
constexpr int RUN_PHONETIC = 2;  // "[" up to and including the first "]"

// Moves the leading run of `text` into `run` and returns its kind. In a Chinese run digits and
// spaces stay in the run; an English run ends before a high byte and before "[" or "]", except
// that a text opening with "[" takes its first "]" along and is a phonetic run. A non-empty text
// always loses at least one whole character; an empty text gives an empty run and RUN_ENGLISH.
int SplitFirstRun(std::string& text, std::string& run);

// Removes a speaker's name: everything up to and including the first ":" when that ":" is at one
// of the bytes 0 to 9 ("Tom:Hello" becomes "Hello").
void StripSpeakerPrefix(std::string& text);

// The clean-up of a line spoken whole: quotes, backquotes, colons, ASCII and full-width
// parentheses and full stops go, backslashes become spaces, "、" becomes "，", and leading digits
// go last ("1. Good morning" becomes " Good morning").
void CleanSentence(std::string& text);

// The clean-up of a line spoken piece by piece: as CleanSentence, but full stops and "、" stay,
// except one "、" that the leading digits leave at the front ("1. Hi" becomes ". Hi").
void CleanQueue(std::string& text);
