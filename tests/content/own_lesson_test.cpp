// Lessons from the learner's own text: sentences, the lesson they make, the index they join.

#include "content/own_lesson.h"

#include <gtest/gtest.h>

#include "content/page_text.h"
#include "platform/codepage.h"

namespace {

using Sentences = std::vector<std::string>;

TEST(SplitSentences, EndsAtMarksBeforeABlankButNotAfterAbbreviationsOrInNumbers) {
    EXPECT_EQ(SplitSentences("Mr. Smith paid $3.50 at 7 a.m. today. Dr. Li did not!  Why?"),
              (Sentences{"Mr. Smith paid $3.50 at 7 a.m. today.", "Dr. Li did not!", "Why?"}));
    EXPECT_EQ(SplitSentences("J. K. Rowling lives in the U.K. now. Really?!"),
              (Sentences{"J. K. Rowling lives in the U.K. now.", "Really?!"}));
    EXPECT_EQ(SplitSentences("She said, \"Come in.\" Then she left... Fine."),
              (Sentences{"She said, \"Come in.\"", "Then she left...", "Fine."}));
    EXPECT_EQ(SplitSentences("no end mark"), (Sentences{"no end mark"}));
    EXPECT_EQ(SplitSentences("  "), Sentences{});
}

TEST(SplitSentences, ChineseMarksEndASentenceWithoutABlank) {
    EXPECT_EQ(SplitSentences("你好！我叫李华。“你呢？”好的"),
              (Sentences{"你好！", "我叫李华。", "“你呢？”", "好的"}));
}

// The lines a built lesson shows in `section`, as the lesson page reads the lesson text.
Sentences SectionLines(const std::string& text, int section) {
    LessonPageOptions options{"/course", "own0001.dat", section, true, true};
    const LessonPageText page = BuildLessonPageText(&text, options);
    Sentences lines;
    if (!page.built) {
        return lines;
    }
    const std::string open = "\">";
    for (std::size_t at = page.html.find("id=\"line"); at != std::string::npos;
         at = page.html.find("id=\"line", at + 1)) {
        const std::size_t from = page.html.find(open, at) + open.size();
        lines.push_back(
            Cp936ToUtf8(page.html.substr(from, page.html.find("</SPAN>", from) - from)));
    }
    return lines;
}

TEST(MakeOwnLesson, ParagraphsBecomeSectionsOfSentencesWithTheirTranslations) {
    const std::string text =
        "Tom: Hi, Anna. How are you?\n"
        "汤姆：你好，安娜。你好吗？\n"
        "Anna: Fine, thanks. And you? I am late.\n"
        "安娜：很好，谢谢。\n"
        "\n\r\n"
        "It is 5 < 6 & #1.\n"
        "Hello 你好\n"
        "只有中文。\n";
    OwnLesson lesson;
    ASSERT_FALSE(
        MakeOwnLesson("  My #1 = <text>  ", text, {"第一课 Greetings=lesson1.dat"}, lesson));
    EXPECT_EQ(Cp936ToUtf8(lesson.title), "My ＃1 ＝ ＜text＞");
    EXPECT_EQ(lesson.sections, 2);
    EXPECT_EQ(lesson.lines, 6);
    EXPECT_EQ(lesson.replaced, 0);
    EXPECT_EQ(SectionLines(lesson.text, 1),
              (Sentences{"Tom: Hi, Anna. 汤姆：你好，安娜。", "How are you? 你好吗？",
                         // Three sentences, one translation: the line stays whole.
                         "Anna: Fine, thanks. And you? I am late. 安娜：很好，谢谢。"}));
    EXPECT_EQ(SectionLines(lesson.text, 2),
              (Sentences{"It is 5 &lt; 6 &amp; ＃1.", "Hello 你好", "只有中文。"}));
}

TEST(MakeOwnLesson, ALongParagraphGoesOnInTheNextSectionAndLostCharactersAreCounted) {
    std::string text;
    for (int i = 1; i <= 31; ++i) {
        text += "Line " + std::to_string(i) + ".\n";
    }
    text += "Smile \xF0\x9F\x98\x80 and \xF0\x9F\x98\x80.\n";  // two emoji CP936 cannot hold
    OwnLesson lesson;
    ASSERT_FALSE(MakeOwnLesson("12 Days", text, {}, lesson));
    EXPECT_EQ(lesson.sections, 2);
    EXPECT_EQ(SectionLines(lesson.text, 1).size(), kMaxOwnSectionLines);
    EXPECT_EQ(SectionLines(lesson.text, 2), (Sentences{"Line 31.", "Smile ? and ?."}));
    EXPECT_EQ(lesson.replaced, 2);
}

TEST(MakeOwnLesson, BadInputIsRefusedWithItsReason) {
    OwnLesson lesson;
    const std::vector<std::string> entries{" 第一课 Greetings = lesson1.dat", "Mine=own0001.dat"};
    EXPECT_EQ(MakeOwnLesson("", "Hello.", entries, lesson), OwnLessonError::kEmptyTitle);
    EXPECT_EQ(MakeOwnLesson("T", " \n\t\n", entries, lesson), OwnLessonError::kEmptyText);
    EXPECT_EQ(MakeOwnLesson("Mine", "Hello.", entries, lesson), OwnLessonError::kTitleTaken);
    EXPECT_EQ(MakeOwnLesson(std::string(41, 'x'), "Hello.", entries, lesson),
              OwnLessonError::kTitleTooLong);
    EXPECT_EQ(MakeOwnLesson("T", std::string(kMaxOwnLessonText + 1, 'a'), entries, lesson),
              OwnLessonError::kTextTooLong);
    EXPECT_TRUE(lesson.text.empty());
}

TEST(OwnLessonIndex, EntriesAreAddedAndRemovedLeavingEveryOtherByte) {
    const std::string index = "第一课=lesson1.dat\r\n  第二课=lesson2.dat  \r\nlast=l3.dat";
    const std::string added = AppendIndexEntry(index, "Mine=own0001.dat");
    EXPECT_EQ(added, index + "\r\nMine=own0001.dat\r\n");
    EXPECT_EQ(AppendIndexEntry("a=a.dat\n", "b=b.dat"), "a=a.dat\nb=b.dat\n");
    EXPECT_EQ(AppendIndexEntry("", "b=b.dat"), "b=b.dat\r\n");
    EXPECT_EQ(RemoveIndexEntry(added, "Mine=own0001.dat"), index + "\r\n");
    EXPECT_EQ(RemoveIndexEntry(index, "第二课=lesson2.dat"), "第一课=lesson1.dat\r\nlast=l3.dat");
    EXPECT_EQ(RemoveIndexEntry("x=1\ry=2\rx=1", "x=1"), "y=2\r");
}

TEST(OwnLessonIndex, OnlyTheLearnersFilesCountAsTheirsAndNewNamesAreFree) {
    EXPECT_TRUE(IsOwnLessonFile("own0007.dat"));
    for (const char* file : {"lesson1.dat", "own7.dat", "own0007.dat.bak", "..\\own0007.dat"}) {
        EXPECT_FALSE(IsOwnLessonFile(file)) << file;
    }
    const auto onDisk = [](const std::string& file) { return file == "own0002.dat"; };
    EXPECT_EQ(NewOwnLessonFile({"Mine=own0001.dat"}, onDisk), "own0003.dat");
}

}  // namespace
