#include "platform/html/event_table.h"

#include <gtest/gtest.h>

#include <array>

namespace {

enum Handler { kHotOver, kHotOut, kFolderClick, kSettingClick, kFileClick, kGotoClick, kChange };

using enum PageEventType;
using enum EventMatch;

// The lesson view's table, entry for entry.
constexpr std::array<EventTableEntry, 13> kLessonViewTable{{
    {ByClass, MouseOver, "hotElement", kHotOver},
    {ByClass, MouseOut, "hotElement", kHotOut},
    {ByClass, MouseOver, "folder", kHotOver},
    {ByClass, MouseOut, "folder", kHotOut},
    {ByClass, MouseOver, "file", kHotOver},
    {ByClass, MouseOut, "file", kHotOut},
    {ByClass, Click, "folder", kFolderClick},
    {ByClass, Click, "setting", kSettingClick},
    {ByClass, MouseOver, "setting", kHotOver},
    {ByClass, MouseOut, "setting", kHotOut},
    {ByClass, Click, "file", kFileClick},
    {ById, Click, "Goto", kGotoClick},
    {ElementById, Change, "Select1", kChange},
}};

std::vector<int> Match(PageEventType type, std::string_view cls, std::string_view id) {
    return MatchEventTable(kLessonViewTable, type, cls, id);
}

using Handlers = std::vector<int>;

TEST(EventTable, MatchesTheRaisingElementsOwnClassAndId) {
    EXPECT_EQ(Match(MouseOver, "file", "line3"), Handlers{kHotOver});
    EXPECT_EQ(Match(MouseOut, "file", "line3"), Handlers{kHotOut});
    EXPECT_EQ(Match(Click, "file", "line3"), Handlers{kFileClick});
    EXPECT_EQ(Match(Click, "folder", ""), Handlers{kFolderClick});
    EXPECT_EQ(Match(Click, "setting", ""), Handlers{kSettingClick});
    EXPECT_EQ(Match(MouseOver, "hotElement", ""), Handlers{kHotOver});
    EXPECT_EQ(Match(Click, "", "Goto"), Handlers{kGotoClick});
    EXPECT_EQ(Match(Change, "", "Select1"), Handlers{kChange});
}

TEST(EventTable, ComparesWholeNamesExactly) {
    for (std::string_view cls : {"file x", "x file", "File", "file ", "", "hot"}) {
        EXPECT_TRUE(Match(Click, cls, "").empty()) << cls;
        EXPECT_TRUE(Match(MouseOver, cls, "").empty()) << cls;
    }
    EXPECT_TRUE(Match(Click, "", "goto").empty());
    EXPECT_TRUE(Match(Click, "Goto", "").empty());  // a class is not an id
    EXPECT_TRUE(Match(Click, "", "Select1").empty());
    EXPECT_TRUE(Match(Change, "", "Goto").empty());
    EXPECT_TRUE(Match(MouseOver, "", "Select1").empty());
    EXPECT_TRUE(Match(Click, "folder", "").size() == 1);
}

TEST(EventTable, RunsEveryMatchingEntryInTableOrder) {
    // A line that happens to carry the id of the Goto button gets both handlers.
    EXPECT_EQ(Match(Click, "file", "Goto"), (Handlers{kFileClick, kGotoClick}));

    constexpr std::array<EventTableEntry, 4> table{{
        {ById, Click, "x", 7},
        {ByClass, Click, "c", 3},
        {ByClass, Click, "", 9},  // an empty name matches no element without a class
        {ElementById, Click, "x", 5},
    }};
    EXPECT_EQ(MatchEventTable(table, Click, "c", "x"), (Handlers{7, 3, 5}));
    EXPECT_TRUE(MatchEventTable(table, Click, "", "").empty());
    EXPECT_TRUE(MatchEventTable({}, Click, "c", "x").empty());
}

}  // namespace
