#include "content/section_selector.h"

#include <gtest/gtest.h>

namespace {

// CP936 bytes of: <FONT face="宋体">课程：<SELECT id="Select1" name ="Select1" >
const std::string kStart =
    "<FONT face=\"\xCB\xCE\xCC\xE5\">\xBF\xCE\xB3\xCC\xA3\xBA"
    "<SELECT id=\"Select1\" name =\"Select1\" >\n";
const std::string kEnd =
    "</SELECT></FONT><INPUT id=\"Goto\" type=\"BUTTON\" value=\"Goto\" name=\"Goto\"><br>\n";

std::string Selector(std::string header, int selected) {
    BuildSectionSelector(header, selected);
    return header;
}

TEST(SectionSelectorTest, ListsClosedSectionsAndMarksTheSelectedOne) {
    EXPECT_EQ(Selector("#1Greetings@1#2Shopping@12#", 2),
              kStart + "<OPTION value = \"1\">Greetings\n" +
                  "<OPTION selected value = \"2\">Shopping\n" + kEnd);
    EXPECT_EQ(Selector("#1Greetings@1#2Shopping@12#", 1),
              kStart + "<OPTION selected value = \"1\">Greetings\n" +
                  "<OPTION value = \"2\">Shopping\n" + kEnd);
    // Section 0 or one past the end: nothing is marked.
    EXPECT_EQ(
        Selector("#1Greetings@1#2Shopping@12#", 0),
        kStart + "<OPTION value = \"1\">Greetings\n" + "<OPTION value = \"2\">Shopping\n" + kEnd);
}

TEST(SectionSelectorTest, UnclosedLastSectionIsLeftOut) {
    EXPECT_EQ(Selector("#1Greetings@1#2Shopping@12", 2),
              kStart + "<OPTION value = \"1\">Greetings\n" + kEnd);
}

TEST(SectionSelectorTest, NoOptionsWithoutSectionOne) {
    EXPECT_EQ(Selector("", 1), kStart + kEnd);
    EXPECT_EQ(Selector("no sections here", 1), kStart + kEnd);
    EXPECT_EQ(Selector("#2Shopping@12#", 2), kStart + kEnd);
}

TEST(SectionSelectorTest, TextBeforeTheFirstMarkerIsIgnored) {
    EXPECT_EQ(Selector("Lesson 5 #1A@0#", 1), kStart + "<OPTION selected value = \"1\">A\n" + kEnd);
}

TEST(SectionSelectorTest, TitleIsCutAtItsFirstAtSignAndKeptWhole) {
    EXPECT_EQ(Selector("#1 Hello, <b>world</b> @3@4#2NoSkip#", 0),
              kStart + "<OPTION value = \"1\"> Hello, <b>world</b> \n" +
                  "<OPTION value = \"2\">NoSkip\n" + kEnd);
    // Chinese titles are copied byte for byte.
    EXPECT_EQ(Selector("#1\xCE\xCA\xBA\xF2@2#", 0),
              kStart + "<OPTION value = \"1\">\xCE\xCA\xBA\xF2\n" + kEnd);
}

TEST(SectionSelectorTest, SectionMarkersAreMatchedAsPrefixes) {
    // With eleven sections, "#10" and "#11" come after "#1" and are found in order.
    std::string header;
    std::string options;
    for (int n = 1; n <= 11; ++n) {
        header += "#" + std::to_string(n) + "S" + std::to_string(n) + "@0";
        options += (n == 10 ? "<OPTION selected value = \"" : "<OPTION value = \"") +
                   std::to_string(n) + "\">S" + std::to_string(n) + "\n";
    }
    EXPECT_EQ(Selector(header + "#", 10), kStart + options + kEnd);

    // Without section 1, "#1" matches the start of "#10", and "#2" is searched after it.
    EXPECT_EQ(Selector("#10Ten@1#2Two@2#", 0),
              kStart + "<OPTION value = \"1\">0Ten\n" + "<OPTION value = \"2\">Two\n" + kEnd);
}

}  // namespace
