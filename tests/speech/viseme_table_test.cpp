#include "speech/viseme_table.h"

#include <gtest/gtest.h>

namespace {

TEST(VisemeTable, KeysReadPlainOrWithTheEnginePrefix) {
    const std::vector<VisemeLine> lines = ParseVisemeTable(
        "SP_VISEME_7 = w.bmp\r\n07=w2.bmp\n  7\t=\tw3.bmp  \n22=rest.bmp\nSP_VISEME_0=zero.bmp\n"
        "+3=plus.bmp\nword=none.bmp");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].number, 7);
    EXPECT_EQ(lines[0].file, "w.bmp");
    EXPECT_EQ(lines[1].number, 7);
    EXPECT_EQ(lines[2].number, 7);
    EXPECT_EQ(lines[2].file, "w3.bmp");
    EXPECT_EQ(lines[3].number, 22);
    EXPECT_EQ(lines[4].number, 0);
    EXPECT_EQ(lines[5].number, 3);
    EXPECT_EQ(lines[6].number, 0);
}

TEST(VisemeTable, LinesWithoutKeyFileOrEqualsAreSkipped) {
    const std::vector<VisemeLine> lines =
        ParseVisemeTable("no equals here\n=file.bmp\n5=\n  \n5=a=b.bmp\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].number, 5);
    EXPECT_EQ(lines[0].file, "a=b.bmp");
}

TEST(VisemeTable, NumbersOneToTwentyTwoFillSlotsAndTheRestNone) {
    EXPECT_EQ(VisemeSlot(1), 1);
    EXPECT_EQ(VisemeSlot(21), 21);
    // 22 is the closed mouth, shape 0; 0 itself (also "SP_VISEME_0" and a word) is skipped.
    EXPECT_EQ(VisemeSlot(22), 0);
    EXPECT_EQ(VisemeSlot(0), std::nullopt);
    EXPECT_EQ(VisemeSlot(23), std::nullopt);
    EXPECT_EQ(VisemeSlot(-3), std::nullopt);
}

TEST(PhoneticTable, KeepsBracketedLinesWithASoundWhole) {
    EXPECT_EQ(ParsePhoneticTable("  [a] = a.wav @ 3 \r\n[e]=e.wav\nno bracket=x.wav\nx[b]=b.wav\n"
                                 "[c=c.wav\n[d]\n\n"),
              (std::vector<std::string>{"[a] = a.wav @ 3", "[e]=e.wav"}));
}

TEST(PhoneticTable, LinesSplitIntoKeySoundAndPicture) {
    const PhoneticEntry withPicture = SplitPhoneticLine("[ai] = sub\\ai.wav @ 11");
    EXPECT_EQ(withPicture.key, "[ai]");
    EXPECT_EQ(withPicture.file, "sub\\ai.wav");
    EXPECT_EQ(withPicture.picture, 11);
    const PhoneticEntry plain = SplitPhoneticLine("[e]=e.wav");
    EXPECT_EQ(plain.file, "e.wav");
    EXPECT_EQ(plain.picture, 0);
    // Only the first "=" and "@" split.
    const PhoneticEntry odd = SplitPhoneticLine("[=]==x.wav@2@3");
    EXPECT_EQ(odd.key, "[");
    EXPECT_EQ(odd.file, "]==x.wav");
    EXPECT_EQ(odd.picture, 2);
}

}  // namespace
