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

}  // namespace
