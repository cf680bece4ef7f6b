#pragma once

#include <optional>
#include <string_view>

// Mouth shapes for the engines' phones, in the engine numbering 0..21:
//   0 silence; 1 ae ax ah; 2 aa; 3 ao; 4 ey eh uh; 5 er; 6 y iy ih ix; 7 w uw; 8 ow; 9 aw;
//   10 oy; 11 ay; 12 h; 13 r; 14 l; 15 s z; 16 sh ch jh zh; 17 th dh; 18 f v; 19 d t n;
//   20 k g ng; 21 p b m.
// Each lookup is empty for a name that is not a sound of its own (a language switch such as
// "(en)", or a name the table does not know), so the mouth keeps its previous shape.

// A phone of flite's US English phone set ("pau", "hh", "ae", ...).
std::optional<int> EnglishPhoneShape(std::string_view phone);

// A phoneme of espeak-ng's English voices, by its mnemonic ("@", "aI", "tS", ...).
std::optional<int> EspeakEnglishShape(std::string_view mnemonic);

// A phoneme of espeak-ng's Mandarin voice, by its mnemonic ("ts.h", "iou", "y&", ...). Mandarin
// sounds take the shape of the English sound made with the same lips and tongue: retroflex and
// alveolo-palatal consonants as "sh", dental affricates as "s", rounded front vowels as "uw",
// and a diphthong by its main vowel.
std::optional<int> MandarinPhonemeShape(std::string_view mnemonic);
