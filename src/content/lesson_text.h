#pragma once

#include <string>

// In-place clean-ups of lesson lines (CP936 HTML fragments).

// Removes every byte of value 0x80 or above: a CP936 line loses its Chinese characters.
void StripNonAscii(std::string& text);

// Removes the stress marks "'" and "`", then the sound tags "<u>", "</u>", "<i>" and "</i>", each
// kind in one left-to-right pass over the whole text before the next kind.
void StripPhoneticMarks(std::string& text);

// Inside a phonetic spelling "[...]" whose "</u>" is followed by at least one more byte before
// the "]", and not directly by a blank, inserts a blank before the "]": "[<u>b</u>uk]" becomes
// "[<u>b</u>uk ]". The "</u>" is the first one at or after the "[", even if it lies beyond the
// "]"; each "[" is searched from the previous "]".
void SpaceBeforeBracket(std::string& text);

// Turns every "</u>]" into "</u> ]": "[bu<u>k</u>]" becomes "[bu<u>k</u> ]".
void SpaceBetweenUnderlineAndBracket(std::string& text);
