#include "platform/html/event_table.h"

#include <gtest/gtest.h>

#include <array>

namespace {

enum Handler {
    kHotOver,
    kHotOut,
    kFolderClick,
    kSettingClick,
    kFileClick,
    kGotoClick,
    kSelectChange
};

using enum PageEventType;
using enum EventMatch;

// The lesson view's table, entry for entry.
constexpr std::array<EventTableEntry, 13> kLessonViewTable{{
    {kByClass, kMouseOver, "hotElement", kHotOver},
    {kByClass, kMouseOut, "hotElement", kHotOut},
    {kByClass, kMouseOver, "folder", kHotOver},
    {kByClass, kMouseOut, "folder", kHotOut},
    {kByClass, kMouseOver, "file", kHotOver},
    {kByClass, kMouseOut, "file", kHotOut},
    {kByClass, kClick, "folder", kFolderClick},
    {kByClass, kClick, "setting", kSettingClick},
    {kByClass, kMouseOver, "setting", kHotOver},
    {kByClass, kMouseOut, "setting", kHotOut},
    {kByClass, kClick, "file", kFileClick},
    {kById, kClick, "Goto", kGotoClick},
    {kElementById, kChange, "Select1", kSelectChange},
}};

std::vector<int> Match(PageEventType type, std::string_view cls, std::string_view id) {
    return MatchEventTable(kLessonViewTable, type, cls, id);
}

using Handlers = std::vector<int>;

TEST(EventTable, MatchesTheRaisingElementsOwnClassAndId) {
    EXPECT_EQ(Match(kMouseOver, "file", "line3"), Handlers{kHotOver});
    EXPECT_EQ(Match(kMouseOut, "file", "line3"), Handlers{kHotOut});
    EXPECT_EQ(Match(kClick, "file", "line3"), Handlers{kFileClick});
    EXPECT_EQ(Match(kClick, "folder", ""), Handlers{kFolderClick});
    EXPECT_EQ(Match(kClick, "setting", ""), Handlers{kSettingClick});
    EXPECT_EQ(Match(kMouseOver, "hotElement", ""), Handlers{kHotOver});
    EXPECT_EQ(Match(kClick, "", "Goto"), Handlers{kGotoClick});
    EXPECT_EQ(Match(kChange, "", "Select1"), Handlers{kSelectChange});
}

TEST(EventTable, ComparesWholeNamesExactly) {
    for (std::string_view cls : {"file x", "x file", "File", "file ", "", "hot"}) {
        EXPECT_TRUE(Match(kClick, cls, "").empty()) << cls;
        EXPECT_TRUE(Match(kMouseOver, cls, "").empty()) << cls;
    }
    EXPECT_TRUE(Match(kClick, "", "goto").empty());
    EXPECT_TRUE(Match(kClick, "Goto", "").empty());  // a class is not an id
    EXPECT_TRUE(Match(kClick, "", "Select1").empty());
    EXPECT_TRUE(Match(kChange, "", "Goto").empty());
    EXPECT_TRUE(Match(kMouseOver, "", "Select1").empty());
    EXPECT_TRUE(Match(kClick, "folder", "").size() == 1);
}

TEST(EventTable, RunsEveryMatchingEntryInTableOrder) {
    // A line that happens to carry the id of the Goto button gets both handlers.
    EXPECT_EQ(Match(kClick, "file", "Goto"), (Handlers{kFileClick, kGotoClick}));

    constexpr std::array<EventTableEntry, 4> kTable{{
        {kById, kClick, "x", 7},
        {kByClass, kClick, "c", 3},
        {kByClass, kClick, "", 9},  // an empty name matches no element without a class
        {kElementById, kClick, "x", 5},
    }};
    EXPECT_EQ(MatchEventTable(kTable, kClick, "c", "x"), (Handlers{7, 3, 5}));
    EXPECT_TRUE(MatchEventTable(kTable, kClick, "", "").empty());
    EXPECT_TRUE(MatchEventTable({}, kClick, "c", "x").empty());
}

}  // namespace
