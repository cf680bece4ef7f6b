#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What an engine is given. A course's lines are untrusted, and neither engine is safe on every
// text: flite 2.2 writes past a buffer of its tokenizer when a token ends in more than 306 marks
// ("Hello " and "[]" 800 times); espeak-ng 1.51 writes past a word buffer when a word stacks 68 or
// more "'s" endings (136 bytes), and reads a freed dictionary after a character of some other
// scripts. Both also work out an utterance before its first sample, in time and memory in step
// with its length. So every text passes here on its way to an engine.

// The longest token (a run of bytes between spaces) an engine is given: under half of the
// shortest token that breaks either engine, and longer than any English word.
inline constexpr std::size_t kMaxTokenBytes = 64;
// The longest utterance. flite needs about 0.9 MB and 6 ms for each second of speech before its
// first sample, and the densest text ("W&W&", "7777 7777") makes 0.65 s of speech a byte: 100
// bytes of it take about 60 MB, and well under a second even with both cores of a small machine
// busy with other work.
inline constexpr std::size_t kMaxUtteranceBytes = 100;
// The most that one text or lesson line may say: flite makes the slowest text (long numbers,
// "W&W&") at 10 to 20 ms a byte, so this takes under 40 s to make, and lasts up to 20 minutes.
inline constexpr std::size_t kMaxSpokenBytes = 2000;
// The most recorded sounds ("[ai]") one line plays.
inline constexpr std::size_t kMaxPhoneticPieces = 64;

// `text` (UTF-8 meant, any bytes taken) as an engine may have it:
// - a byte that is no part of a UTF-8 character, a control character, any other space and a
//   character of a script other than Latin and Chinese become a space, and a run of spaces
//   becomes one;
// - a run of marks (ASCII punctuation and symbols, general, CJK and full-width punctuation) keeps
//   one mark: the first sentence end in it, else the first clause mark, else its first; so do
//   tokens in a row that are one mark each ("Hello [][][]" becomes "Hello [", "Wait?! ..."
//   "Wait?");
// - a token longer than kMaxTokenBytes is cut into tokens of at most that size, between characters;
// - a text of marks alone says nothing and becomes empty.
// Making it again changes nothing.
std::string SpeakableText(std::string_view text);

// A text as SpeakableText made it, cut into utterances of at most kMaxUtteranceBytes that are
// spoken one after the other: after the last sentence end that fits, else after the last clause
// mark, else at the last space, which goes. Each says something.
std::vector<std::string> SplitUtterances(std::string_view speakable);

// Makes a cleaned lesson line (CP936, as CleanSentence or CleanQueue left it) ready for the
// voices: each run (see SplitFirstRun) that says nothing becomes one space, so that a phonetic
// piece with nothing in its brackets plays no sound and a run of marks is no utterance. False,
// with one line on stderr saying why, when the line is not to be spoken at all: it would say
// more than kMaxSpokenBytes, or play more than kMaxPhoneticPieces recorded sounds.
bool PrepareSpokenLine(std::string& line);
