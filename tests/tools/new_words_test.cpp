#include "new_words.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A word and the headword it is, or is not, a form of.
using WordPairs = std::vector<std::pair<std::string, std::string>>;

// "LINE:word" for each new word of `lesson` (lines apart by "\n", the header first), read after
// what `check` has read before.
std::vector<std::string> NewWords(NewWordCheck& check, std::string_view lesson) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0;;) {
        const std::size_t end = lesson.find('\n', start);
        lines.push_back(lesson.substr(start, end - start));
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    std::vector<std::string> found;
    for (const NewWord& use : check.ReadLesson(lines)) {
        found.push_back(std::to_string(use.line + 1) + ":" + use.word);
    }
    return found;
}

bool FoldsOnto(std::string_view form, std::string_view headword) {
    const std::vector<std::string> headwords = HeadwordsOf(form);
    return std::find(headwords.begin(), headwords.end(), headword) != headwords.end();
}

TEST(NewWords, RegularFormsFoldOntoTheirHeadword) {
    for (const auto& [form, headword] : WordPairs{{"Books", "book"},
                                                  {"boxes", "box"},
                                                  {"watches", "watch"},
                                                  {"goes", "go"},
                                                  {"cities", "city"},
                                                  {"played", "play"},
                                                  {"liked", "like"},
                                                  {"tried", "try"},
                                                  {"stopped", "stop"},
                                                  {"making", "make"},
                                                  {"running", "run"},
                                                  {"being", "be"}}) {
        EXPECT_TRUE(FoldsOnto(form, headword)) << form << " " << headword;
    }
}

// Short words that end like a form are words of their own.
TEST(NewWords, ShortWordsAreNoFormsOfWhatTheyEndLike) {
    for (const auto& [word, other] : WordPairs{{"is", "i"},
                                               {"his", "hi"},
                                               {"uses", "us"},
                                               {"notes", "not"},
                                               {"bed", "be"},
                                               {"thing", "th"}}) {
        EXPECT_FALSE(FoldsOnto(word, other)) << word << " " << other;
    }
}

TEST(NewWords, ADialogueLineWarnsOfWordsNoEntryAboveIntroduced) {
    NewWordCheck check;
    EXPECT_EQ(NewWords(check,
                       "#1A@0#\n"
                       "<b>New words</b>\n"
                       "h<u>e</u>llo [huh'lou] \xE4\xBD\xA0\xE5\xA5\xBD\n"
                       "Tom: Hello, Lucy! Hello, Bob. 2 cats.\n"
                       "Lucy: Hi!\n"
                       "cat [kaet] \xE7\x8C\xAB\n"
                       "Tom: Hi, cats!\n"
                       "#2 B\n"
                       "A tip, not a dialogue: nothing here counts.\n"
                       "<tr><td>Good morning!</td></tr>"),
              (std::vector<std::string>{"4:bob", "4:cats", "5:hi"}));
    // What an earlier lesson introduced, and its speakers, are known in the next.
    EXPECT_EQ(NewWords(check, "#1A@0#\nMary: Hello, Lucy and Tom, my cats!"),
              (std::vector<std::string>{"2:and", "2:my"}));
}

TEST(NewWords, ContractionsNeedEachWordTheyJoin) {
    NewWordCheck check;
    EXPECT_EQ(NewWords(check,
                       "#1A@0#\n"
                       "I [ai]\nwe [wii]\ndo [duu]\ncan [kaen]\nhad [haed]\nam [aem]\n"
                       "Tom: I'm here. We don't know. I can't. I'd go. Tom's cat.\n"
                       "Tom: We'll go, I won\xE2\x80\x99t."),
              (std::vector<std::string>{"8:here", "8:not", "8:know", "8:go", "8:cat", "9:will"}));
}

// A role's name is exempt where it names the speaker, not as a word of a sentence.
TEST(NewWords, ASpeakersNameIsExemptOnlyAsWritten) {
    NewWordCheck check;
    EXPECT_EQ(NewWords(check, "#1A@0#\nDoctor: Hi, Doctor.\nTom: The doctor."),
              (std::vector<std::string>{"2:hi", "3:the", "3:doctor"}));
}

TEST(NewWords, AnEntryIntroducesTheFormsItNames) {
    NewWordCheck check;
    EXPECT_EQ(NewWords(check,
                       "#1A@0#\n"
                       "go (went, gone) [gou] \xE5\x8E\xBB\n"
                       "o'clock [uh'klok] \xE7\x82\xB9\xE9\x92\x9F\n"
                       "ice-cream [ais kriim] \xE5\x86\xB0\n"
                       "Tom: Went, gone, going at six o'clock; ice-cream."),
              (std::vector<std::string>{"5:at", "5:six"}));
}

TEST(NewWords, AnyBytesAreReadWithoutFailing) {
    std::mt19937 random(7);
    const std::string alphabet = "Tom: ['](),-#<>\xE2\x80\x99\xE4\xBD\xA0\n aAzZ";
    NewWordCheck check;
    for (int lesson = 0; lesson < 200; ++lesson) {
        std::string text;
        for (int i = 0; i < 300; ++i) {
            text += random() % 4 == 0 ? static_cast<char>(random())
                                      : alphabet[random() % alphabet.size()];
        }
        NewWords(check, text);
    }
}

}  // namespace
